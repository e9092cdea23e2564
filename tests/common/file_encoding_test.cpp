#include "common/file_encoding.h"

#include <gtest/gtest.h>

#include "common/gzip_blocks.h"
#include "common/run_files.h"
#include "support/test_support.h"

using namespace gerador;

namespace {

// A compressed file decompresses to what was written, its bytes do not depend on the run
// (a fixed header: no time, no name), and both digests agree with sha256sum.
TEST(FileEncoding, GzipIsStableAndItsDigestsAreTheFilesAndTheContents) {
    if (!gzipAvailable() || !hashingAvailable()) GTEST_SKIP() << "built without libdeflate or libcrypto";
    std::string content;
    for (int line = 0; line < 200000; ++line) content += "C" + std::to_string(line) + " CUSTO 900 T7 1\n";
    std::string previous;
    for (TOutputFile::TWriting writing : {TOutputFile::TWriting::inCaller, TOutputFile::TWriting::inBackground}) {
        TTemporaryFolder folder;
        TRunFiles files;
        files.hashFiles();
        TOutputFile& file = files.create((folder.path() / "i.mps.gz").string(), 1 << 16, writing);
        for (std::size_t at = 0; at < content.size(); at += 7001)
            file.write(std::string_view(content).substr(at, 7001));
        std::vector<TWrittenFile> written = files.written();
        files.commit();
        ASSERT_EQ(written.size(), 1u);
        std::string bytes = readFile(folder.path() / "i.mps.gz");
        EXPECT_EQ(written[0].bytes, bytes.size());
        EXPECT_EQ(written[0].sha256, sha256Of(folder.path() / "i.mps.gz"));
        EXPECT_EQ(written[0].contentBytes, content.size());
        writeFile(folder.path() / "content", content);
        EXPECT_EQ(written[0].contentSha256, sha256Of(folder.path() / "content"));
        ASSERT_EQ(std::system(("gzip -dc '" + (folder.path() / "i.mps.gz").string() + "' > '" +
                               (folder.path() / "back").string() + "'").c_str()),
                  0);
        EXPECT_EQ(readFile(folder.path() / "back"), content);
        EXPECT_EQ(bytes.substr(3, 5), std::string("\0\0\0\0\0", 5)) << "no name, no time";
        EXPECT_EQ(bytes[9], '\x03') << "Unix";
        if (!previous.empty()) {
            EXPECT_EQ(bytes, previous) << "the same bytes whoever writes them";
        }
        previous = bytes;
    }
}

// Compressed on one thread or four, a file has the same bytes: members of one block of
// content each, every one a gzip file of its own, which gzip reads on as one. Enough blocks
// that the four threads too use their buffers again, the last one short.
TEST(FileEncoding, GzipMembersDoNotDependOnTheThreads) {
    if (!gzipAvailable()) GTEST_SKIP() << "built without libdeflate";
    std::string content;
    for (int line = 0; line < 1000000; ++line) content += std::to_string(line * 7919LL % 100003) + " 1 2 3\n";
    std::string previous;
    for (std::size_t threads : {1, 4}) {
        TFileEncoding encoding(false, true, threads);
        std::string bytes;
        for (std::size_t at = 0; at < content.size(); at += 65000)
            bytes += encoding.encode(std::string_view(content).substr(at, 65000));
        bytes += encoding.finish();
        if (!previous.empty()) {
            EXPECT_EQ(bytes, previous) << threads << " threads";
        }
        previous = bytes;
    }
    TTemporaryFolder folder;
    writeFile(folder.path() / "c.gz", previous);
    std::string back = (folder.path() / "back").string();
    ASSERT_EQ(std::system(("gzip -dc '" + (folder.path() / "c.gz").string() + "' > '" + back + "'").c_str()), 0);
    EXPECT_EQ(readFile(back), content);
    // Each member starts with the magic bytes and deflate: one member per started block.
    std::size_t members = 0;
    for (std::size_t at = previous.find("\x1f\x8b\x08"); at != std::string::npos; at = previous.find("\x1f\x8b\x08", at + 1))
        ++members;
    EXPECT_GE(members, (content.size() + TGzipBlocks::kBlockBytes - 1) / TGzipBlocks::kBlockBytes);
    // Nothing written is still a gzip file.
    TFileEncoding empty(false, true, 2);
    std::string none(empty.finish());
    writeFile(folder.path() / "e.gz", none);
    EXPECT_EQ(std::system(("gzip -t '" + (folder.path() / "e.gz").string() + "'").c_str()), 0);
}

}  // namespace

#include "common/output_target.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/test_support.h"

using namespace gerador;

namespace fs = std::filesystem;

namespace {

// In a sticky, world-writable folder a link is followed only when this user or the
// folder's owner made it, as the kernel's own rule for /tmp has it; the program resolves
// links itself, so without this check another user's link could aim a run at any file.
TEST(OutputTarget, RefusesAnotherUsersLinkInAStickyFolder) {
    if (geteuid() != 0) GTEST_SKIP() << "making another user's link needs root";
    struct TRow {
        const char* label;
        mode_t folderMode;
        uid_t linkOwner;
        int error;
    };
    const TRow rows[] = {
        {"another user's link, sticky world-writable folder", 01777, 4242, EACCES},
        {"own link, sticky world-writable folder", 01777, 0, 0},
        {"another user's link, folder not sticky", 0777, 4242, 0},
        {"another user's link, sticky folder not world-writable", 01775, 4242, 0},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.label);
        TTemporaryFolder folder;
        fs::path shared = folder.path() / "shared";
        fs::create_directory(shared);
        ASSERT_EQ(chmod(shared.c_str(), row.folderMode), 0);
        writeFile(folder.path() / "target.txt", "precious\n");
        fs::create_symlink(folder.path() / "target.txt", shared / "out.txt");
        ASSERT_EQ(lchown((shared / "out.txt").c_str(), row.linkOwner, row.linkOwner), 0);
        TOutputTarget target = resolveOutput("out.txt", shared.string());
        EXPECT_EQ(target.error, row.error);
        if (row.error == 0) {
            EXPECT_EQ(fs::path(target.path).filename(), "target.txt");
        }
    }
}

}  // namespace

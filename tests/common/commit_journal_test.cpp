#include "common/commit_journal.h"

#include <cstring>
#include <functional>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/run_files.h"
#include "support/test_support.h"

using namespace gerador;

namespace fs = std::filesystem;

namespace {

// A folder open for recovery, closed at the end.
class TOpenFolder {
public:
    explicit TOpenFolder(const fs::path& folder) : descriptor_(open(folder.c_str(), O_RDONLY | O_DIRECTORY)) {}
    ~TOpenFolder() { close(descriptor_); }
    int descriptor() const { return descriptor_; }

private:
    int descriptor_;
};

// Entries of a folder that a commit puts beside the final names.
std::vector<std::string> sideNamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const std::string& name : entriesOf(folder))
        if (name.find(".gerador~") != std::string::npos) names.push_back(name);
    return names;
}

// The final names and their texts; a name absent is left out.
std::map<std::string, std::string> finalTexts(const fs::path& folder) {
    std::map<std::string, std::string> texts;
    for (const std::string& name : entriesOf(folder))
        if (name.find(".gerador~") == std::string::npos) texts[name] = readFile(folder / name);
    return texts;
}

// Replays one recorded step in folder, as a file system that kept it would show it;
// false when the step cannot have happened there (it needed a step that was lost).
bool replay(const TCommitStep& step, const fs::path& folder) {
    std::string name = (folder / step.name).string();
    std::string target = (folder / step.target).string();
    switch (step.kind) {
        case TCommitStep::TKind::createJournal: writeFile(name, step.bytes); return true;
        case TCommitStep::TKind::link: return link(name.c_str(), target.c_str()) == 0;
        case TCommitStep::TKind::rename: return rename(name.c_str(), target.c_str()) == 0;
        case TCommitStep::TKind::unlink: return unlink(name.c_str()) == 0;
        case TCommitStep::TKind::markCommitted: {
            int descriptor = open(name.c_str(), O_WRONLY);
            bool written = descriptor >= 0 && pwrite(descriptor, step.bytes.data(), 1,
                                                      static_cast<off_t>(journalStateOffset())) == 1;
            if (descriptor >= 0) close(descriptor);
            return written;
        }
        case TCommitStep::TKind::sync: return true;
    }
    return false;
}

int failEveryLink(const char* operation) {
    return std::strcmp(operation, "link") == 0 ? EPERM : 0;
}

// A crash may keep any of the steps taken since the last sync and lose the others (a file
// system may persist renames out of order). From the steps a commit took, every such state
// is built, and recovery must leave each name with its earlier file or its new one, the
// whole set alike: committed once the mark is on the disk, earlier before. The commit once
// removed its backups before its journal and synced neither, so that a crash after the last
// rename had the next run delete every new file as if no earlier one had stood there.
TEST(CommitJournal, EveryCrashStateRecoversToOneWholeSet) {
    for (bool hardLinks : {true, false}) {
        SCOPED_TRACE(hardLinks ? "hard links" : "no hard links");
        TTemporaryFolder root;
        const fs::path folder = root.path() / "d";
        const fs::path pristine = root.path() / "pristine";
        fs::create_directory(folder);
        fs::create_directory(pristine);
        writeFile(folder / "a", "earlier a\n");
        writeFile(folder / "b", "earlier b\n");
        const std::map<std::string, std::string> earlier = finalTexts(folder);
        std::vector<TCommitStep> steps;
        TTextConsole console;
        TRunEnvironment environment;
        environment.console = &console;
        environment.baseFolder = folder.string();
        environment.commitObserver = [&steps](const TCommitStep& step) { steps.push_back(step); };
        if (!hardLinks) environment.faultHook = failEveryLink;
        std::vector<std::string> temporaries;
        {
            TRunFiles files(environment);
            for (const char* name : {"a", "b", "c"}) files.create(name).write(std::string("new ") + name + "\n");
            files.written();
            // The folder as the commit finds it, kept by hard links so that every inode stays.
            for (const std::string& name : entriesOf(folder)) {
                ASSERT_EQ(link((folder / name).c_str(), (pristine / name).c_str()), 0);
                if (name.find(".gerador~tmp") != std::string::npos) temporaries.push_back(name);
            }
            files.commit();
        }
        const std::map<std::string, std::string> committed = finalTexts(folder);
        ASSERT_EQ(committed.size(), 3u);
        EXPECT_EQ(committed.at("c"), "new c\n");
        EXPECT_EQ(sideNamesIn(folder), std::vector<std::string>{});
        EXPECT_EQ(console.messages(), "");

        // The steps in epochs, each ended by a sync.
        std::vector<std::vector<TCommitStep>> epochs(1);
        for (const TCommitStep& step : steps) {
            if (step.kind == TCommitStep::TKind::sync) {
                epochs.emplace_back();
            } else {
                epochs.back().push_back(step);
            }
        }
        int states = 0;
        for (std::size_t crashed = 0; crashed < epochs.size(); ++crashed) {
            const std::vector<TCommitStep>& open = epochs[crashed];
            ASSERT_LT(open.size(), 16u);
            for (unsigned kept = 0; kept < (1u << open.size()); ++kept) {
                SCOPED_TRACE("epoch " + std::to_string(crashed) + ", kept steps " + std::to_string(kept));
                const fs::path state = root.path() / ("state" + std::to_string(states++));
                fs::create_directory(state);
                for (const std::string& name : entriesOf(pristine))
                    ASSERT_EQ(link((pristine / name).c_str(), (state / name).c_str()), 0);
                bool possible = true;
                bool journal = false;
                bool marked = false;
                auto take = [&](const TCommitStep& step) {
                    possible = replay(step, state) && possible;
                    journal = journal || step.kind == TCommitStep::TKind::createJournal;
                    marked = marked || step.kind == TCommitStep::TKind::markCommitted;
                };
                for (std::size_t before = 0; before < crashed; ++before)
                    for (const TCommitStep& step : epochs[before]) take(step);
                for (std::size_t index = 0; index < open.size(); ++index)
                    if ((kept >> index) & 1u) take(open[index]);
                if (!possible) continue;
                TRecovery recovery;
                {
                    TOpenFolder opened(state);
                    recovery = recoverFolder(opened.descriptor(), state.string());
                }
                EXPECT_EQ(recovery.notes, std::vector<std::string>{});
                EXPECT_EQ(finalTexts(state), marked ? committed : earlier);
                // Before its journal is on the disk a commit has renamed nothing; its temporary
                // files are all it leaves, named for the user to remove.
                EXPECT_EQ(sideNamesIn(state), journal ? std::vector<std::string>{} : temporaries);
            }
        }
        EXPECT_GT(states, 20);
    }
}

// A journal a recovery must not obey, planted where any user may write: each is left as it
// is, with a note naming it, and nothing else in the folder or outside it is touched. A
// planted journal once had a victim's run delete, replace and move the files it listed
// (absolute paths, "..", names relative to the working folder), a FIFO hung every run and
// a sparse 300 MB file took 2.4 GB.
TEST(CommitJournal, UntrustedJournalsAreLeftAsTheyAre) {
    TTemporaryFolder root;
    const fs::path shared = root.path() / "S";
    const fs::path victim = root.path() / "victim";
    fs::create_directory(shared);
    fs::create_directory(victim);
    writeFile(victim / "precious", "precious\n");
    writeFile(shared / "x.mps", "earlier\n");
    const std::string journalName = "commit.gerador~journal1-1-0000000000000000";
    auto entry = [](std::vector<std::string> fields) {
        std::string text;
        for (const std::string& field : fields) text += field + '\0';
        return text;
    };
    const std::string header = "gerador commit journal 2\nstate U\n";
    struct TRow {
        const char* label;
        std::function<void(const fs::path&)> plant;
        bool asRoot = false;  // needs the right to give a file away
    };
    const TRow rows[] = {
        {"the old layout, with paths",
         [&](const fs::path& path) {
             writeFile(path, "gerador commit journal 1\n" + entry({(victim / "precious").string(), "S/n1", "S/n2"}));
         }},
        {"a path in the final name",
         [&](const fs::path& path) {
             writeFile(path, header + entry({"../victim/precious", "x.gerador~old1", "x.gerador~tmp1", "5", "0"}) + "end\n");
         }},
        {"a side name the commit never makes",
         [&](const fs::path& path) { writeFile(path, header + entry({"x.mps", "x.mps.bak", "x.gerador~tmp1", "5", "0"}) + "end\n"); }},
        {"cut short", [&](const fs::path& path) { writeFile(path, header + entry({"x.mps", "x.gerador~old1"})); }},
        {"a FIFO", [](const fs::path& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
        {"a folder", [](const fs::path& path) { fs::create_directory(path); }},
        {"a link", [&](const fs::path& path) { fs::create_symlink(victim / "precious", path); }},
        {"a sparse 300 MB file",
         [](const fs::path& path) {
             writeFile(path, "gerador commit journal 2\n");
             fs::resize_file(path, 300u << 20);
         }},
        {"another user's",
         [&](const fs::path& path) {
             writeFile(path, header + entry({"x.mps", "x.mps.gerador~old1", "x.mps.gerador~tmp1", "5", "0"}) + "end\n");
             ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
         },
         true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.label);
        if (row.asRoot && geteuid() != 0) continue;
        const fs::path journal = shared / journalName;
        row.plant(journal);
        TRecovery recovery;
        {
            TOpenFolder opened(shared);
            recovery = recoverFolder(opened.descriptor(), shared.string());
        }
        EXPECT_EQ(recovery.rolledBack + recovery.rolledForward, 0);
        ASSERT_EQ(recovery.notes.size(), 1u);
        EXPECT_NE(recovery.notes[0].find(journal.string()), std::string::npos) << recovery.notes[0];
        EXPECT_TRUE(fs::exists(fs::symlink_status(journal)));
        EXPECT_EQ(readFile(victim / "precious"), "precious\n");
        EXPECT_EQ(readFile(shared / "x.mps"), "earlier\n");
        fs::remove_all(journal);
    }
}

// The journal's text round-trips, and only names of its own folder parse.
TEST(CommitJournal, TextRoundTripsWithPlainNamesOnly) {
    TJournal journal{true, {{"150_3304438.txt", "150_3304438.txt.gerador~old9-1-ab", "150_3304438.txt.gerador~tmp9-2-cd",
                             12345, 0},
                            {std::string("odd\nname\xff", 9), "odd.gerador~old9-3-ef", "odd.gerador~tmp9-4-01", 7, 8}}};
    std::optional<TJournal> parsed = parseJournal(journalText(journal));
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->committed);
    ASSERT_EQ(parsed->entries.size(), 2u);
    EXPECT_EQ(parsed->entries[1].final, journal.entries[1].final);
    EXPECT_EQ(parsed->entries[1].earlierInode, 8u);
    EXPECT_EQ(journalText(*parsed), journalText(journal));
    for (const char* name : {"", ".", "..", "a/b", "/etc/passwd"}) {
        TJournal bad = journal;
        bad.entries[0].final = name;
        EXPECT_FALSE(parseJournal(journalText(bad))) << name;
    }
    std::string text = journalText(journal);
    EXPECT_FALSE(parseJournal(text.substr(0, text.size() - 1))) << "no end mark";
    text[journalStateOffset()] = 'X';
    EXPECT_FALSE(parseJournal(text)) << "an unknown state";
}

}  // namespace

#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/test_support.h"

using namespace gerador;

namespace fs = std::filesystem;

namespace {

// Every file a full run writes, each present beforehand with text of an earlier run.
const std::vector<std::string> kOutputs = {"150_3304438.txt", "i.mps", "i.txt", "r.json", "r.svg",
                                           "arquivos/viagens.txt", "arquivos/tarefas.txt"};
const std::vector<std::string> kFullRun = {"--count", "40", "--trip-write-file", "--task-write-file", "--mps",
                                           "i.mps", "--orlib", "i.txt", "--report", "r.json", "--svg", "r.svg",
                                           "--no-wait"};

std::vector<std::string> withCount(const char* count) {
    std::vector<std::string> arguments = kFullRun;
    arguments[1] = count;
    return arguments;
}

std::string earlierText(const std::string& name) {
    return "earlier " + name + "\n";
}

// Names in the folder (and arquivos/) that no run of ours should leave: temporary files and backups.
std::vector<std::string> leftoversIn(const fs::path& folder) {
    std::vector<std::string> leftovers;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.find(".gerador~") != std::string::npos) leftovers.push_back(name);
    }
    return leftovers;
}

struct TCase {
    const char* label;
    std::vector<std::string> arguments;
    std::string fault;                    // GERADOR_FAULT of the test build, if any
    long long fileSizeLimit = 256LL << 20;
    int exitStatus;                       // -1: ended by a signal
    std::string message;                  // on standard error
    bool newFiles;                        // every output replaced; otherwise every earlier one kept
    bool sigtermIgnored = false;          // as nohup or a shell's background job would start it
};

// Each way a run can end, in a folder holding earlier files under every output name and in
// an empty one: the files of a run take their final names all together or not at all, and
// nothing of the run stays behind (a failing last rename once left four of five files
// replaced, a failing column run left new trip and task files beside the old column file,
// and with no hard links a failing first rename deleted the earlier file it had moved aside).
TEST(RunCommit, AllFilesOrNone) {
    const TCase cases[] = {
        {"success", kFullRun, "", 256LL << 20, 0, "", true},
        {"first rename fails", kFullRun, "rename:1:fail", 256LL << 20, 1, "dar o nome final", false},
        {"fourth rename fails", kFullRun, "rename:4:fail", 256LL << 20, 1, "Input/output error", false},
        {"last rename fails", kFullRun, "rename:7:fail", 256LL << 20, 1, "\"r.json\"", false},
        {"signal amid the renames", kFullRun, "rename:3:signal", 256LL << 20, -1, "", false},
        {"ignored signal amid the renames", kFullRun, "rename:3:signal", 256LL << 20, 0, "", true, true},
        {"signal after the last rename", kFullRun, "committed:1:signal", 256LL << 20, 0, "SIGTERM chegou depois",
         true},
        {"no hard links", kFullRun, "link:1:fail,link:5:fail", 256LL << 20, 0, "", true},
        {"no hard links, then a failure", kFullRun, "link:2:fail,rename:6:fail", 256LL << 20, 1, "\"r.svg\"", false},
        {"no hard links, the first rename fails", kFullRun, "link:1:fail,rename:1:fail", 256LL << 20, 1,
         "dar o nome final", false},
        {"the picture fails after the columns", kFullRun, "", 5000, 1, "\"r.svg\": File too large", false},
        {"column run fails", withCount("150"), "", 1 << 20, 1, "File too large", false},
        {"console fails", kFullRun, "", 256LL << 20, 1, "saída padrão", false},
    };
    for (const TCase& row : cases) {
        for (bool earlierFiles : {true, false}) {
            SCOPED_TRACE(std::string(row.label) + (earlierFiles ? ", earlier files" : ", empty folder"));
            TTemporaryFolder folder;
            if (earlierFiles) {
                fs::create_directory(folder.path() / "arquivos");
                for (const std::string& name : kOutputs) writeFile(folder.path() / name, earlierText(name));
            }
            TRunOptions options = withArguments(row.arguments);
            options.program = GERADOR_FAULTS_PATH;
            if (!row.fault.empty()) options.environment = {"GERADOR_FAULT=" + row.fault};
            options.fileSizeLimit = row.fileSizeLimit;
            options.outputToClosedPipe = std::string(row.label) == "console fails";
            if (row.sigtermIgnored) options.ignoredSignals = {SIGTERM};
            TProgramResult run = runProgram(folder.path(), options);
            EXPECT_EQ(run.exitStatus, row.exitStatus) << run.standardError;
            EXPECT_NE(run.standardError.find(row.message), std::string::npos) << run.standardError;
            for (const std::string& name : kOutputs) {
                if (earlierFiles) {
                    bool earlier = readFile(folder.path() / name) == earlierText(name);
                    EXPECT_EQ(earlier, !row.newFiles) << name;
                } else {
                    EXPECT_EQ(fs::exists(folder.path() / name), row.newFiles) << name;
                }
            }
            EXPECT_EQ(leftoversIn(folder.path()), std::vector<std::string>{});
            if (earlierFiles) {
                EXPECT_EQ(entriesOf(folder.path()).size(), 6u);
            }
        }
    }
}

// A folder moved during a run, before the commit locks it: the commit fails, and the
// temporary files, found through the folder held open, go with it (168 MB of them once
// stayed in the moved folder, with no word). Once locked, the folder is reached through its
// descriptor, and a move then changes nothing of the commit.
TEST(RunCommit, AFolderMovedDuringTheRunKeepsNoTemporaryFile) {
    TTemporaryFolder folder;
    TRunOptions options = withArguments({"--count", "40", "--mps", "i.mps", "-C", "out", "--no-column-echo", "--no-wait"});
    options.program = GERADOR_FAULTS_PATH;
    options.environment = {"GERADOR_FAULT=lock:1:move"};
    TProgramResult run = runProgram(folder.path(), options);
    EXPECT_EQ(run.exitStatus, 1) << run.standardError;
    ASSERT_TRUE(fs::exists(folder.path() / "moved"));
    EXPECT_EQ(leftoversIn(folder.path() / "moved"), std::vector<std::string>{});
}

// A run ended by a signal leaves no folder it made, as a failed one leaves none: -C's
// folders and arquivos/, emptied of the run's temporary files, go too.
TEST(RunCommit, ASignalLeavesNoFolderTheRunMade) {
    TTemporaryFolder folder;
    TRunOptions options = withArguments(
        {"--count", "40", "--task-write-file", "-C", "new/deeper", "--no-column-echo", "--no-wait"});
    options.program = GERADOR_FAULTS_PATH;
    options.environment = {"GERADOR_FAULT=rename:1:signal"};
    EXPECT_EQ(runProgram(folder.path(), options).exitStatus, -1);
    EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{});
}

// A SIGKILL between two renames of the commit leaves new and earlier files mixed, and the
// backups were once the only copies of the replaced files. The next run that writes into
// the folder undoes that commit first, whatever it writes: every name holds its earlier
// file again, and no backup, temporary file or journal is left.
TEST(RunCommit, ASigkillInTheCommitIsUndoneByTheNextRun) {
    TTemporaryFolder folder;
    fs::create_directory(folder.path() / "arquivos");
    for (const std::string& name : kOutputs) writeFile(folder.path() / name, earlierText(name));
    TRunOptions killed = withArguments(kFullRun);
    killed.program = GERADOR_FAULTS_PATH;
    killed.environment = {"GERADOR_FAULT=rename:4:kill"};
    EXPECT_EQ(runProgram(folder.path(), killed).exitStatus, -1);
    EXPECT_NE(leftoversIn(folder.path()), std::vector<std::string>{});

    // Writes only the column file and the MPS file, in the top folder.
    TProgramResult next =
        runProgram(folder.path(), withArguments({"--count", "12", "--mps", "i.mps", "--no-column-echo", "--no-wait"}));
    EXPECT_EQ(next.exitStatus, 0) << next.standardError;
    EXPECT_NE(next.standardError.find("gravação interrompida"), std::string::npos) << next.standardError;
    for (const char* name : {"i.txt", "r.json", "r.svg"}) {
        EXPECT_EQ(readFile(folder.path() / name), earlierText(name)) << name;
    }
    EXPECT_EQ(linesOf(readFile(folder.path() / "150_3304438.txt"))[0], "12");
    // The part of the commit in arquivos/ waits for a run that writes there.
    TProgramResult there = runProgram(folder.path(), withArguments({"--count", "12", "--trip-write-file",
                                                                     "--no-column-write-file", "--no-column-echo",
                                                                     "--no-wait"}));
    EXPECT_EQ(there.exitStatus, 0) << there.standardError;
    EXPECT_EQ(readFile(folder.path() / "arquivos/tarefas.txt"), earlierText("arquivos/tarefas.txt"));
    EXPECT_EQ(leftoversIn(folder.path()), std::vector<std::string>{});
}

// The whole set of a run's names, per folder, as one text: which of the earlier and the new
// sets a folder holds is then one comparison. The report holds the run's time, so only
// whether it is the earlier one counts.
std::string namesText(const fs::path& folder, const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        std::string content = fs::exists(folder / name) ? readFile(folder / name) : "(none)";
        if (name == "r.json" && content != earlierText("r.json") && content != "(none)") content = "a new report";
        text += name + ": " + content + "\n";
    }
    return text;
}

// A SIGKILL at any step of the commit, then a run that writes other names into the same
// folders: each folder holds its earlier files or the new ones, whole, and nothing of the
// commit is left. A kill after the last rename once had the next run delete every name,
// new and earlier alike, saying the earlier files were restored.
TEST(RunCommit, ASigkillAtAnyStepIsFinishedOrUndoneByTheNextRun) {
    const std::vector<std::string> top = {"150_3304438.txt", "i.mps", "i.txt", "r.json", "r.svg"};
    const std::vector<std::string> below = {"viagens.txt", "tarefas.txt"};
    std::string newTop;
    std::string newBelow;
    {
        TTemporaryFolder reference;
        fs::create_directory(reference.path() / "arquivos");
        ASSERT_EQ(runProgram(reference.path(), withArguments(kFullRun)).exitStatus, 0);
        newTop = namesText(reference.path(), top);
        newBelow = namesText(reference.path() / "arquivos", below);
    }
    // Two folders: each sync step syncs both. Before the commit point: the journals' sync
    // (1-2), the backups' links and their sync (3-4), the renames and their sync (5-6);
    // after it, the backups' removal (unlink 1-7) and its sync (7-8), the journals' removal
    // (unlink 8-9) and its sync (9-10).
    const std::pair<const char*, bool> kills[] = {
        {"sync:1:kill", false},   {"link:1:kill", false},   {"link:6:kill", false},  {"sync:3:kill", false},
        {"rename:1:kill", false}, {"rename:5:kill", false}, {"sync:6:kill", false},  {"unlink:1:kill", true},
        {"unlink:4:kill", true},  {"unlink:8:kill", true},  {"sync:9:kill", true},   {"committed:1:kill", true},
    };
    for (const auto& [fault, committed] : kills) {
        SCOPED_TRACE(fault);
        TTemporaryFolder folder;
        fs::create_directory(folder.path() / "arquivos");
        for (const std::string& name : kOutputs) writeFile(folder.path() / name, earlierText(name));
        const std::string earlierTop = namesText(folder.path(), top);
        const std::string earlierBelow = namesText(folder.path() / "arquivos", below);
        TRunOptions killed = withArguments(kFullRun);
        killed.program = GERADOR_FAULTS_PATH;
        killed.environment = {std::string("GERADOR_FAULT=") + fault};
        ASSERT_EQ(runProgram(folder.path(), killed).exitStatus, -1);
        TProgramResult next = runProgram(folder.path(), withArguments({"--count", "12", "--no-column-write-file",
                                                                       "--mps", "probe.mps", "--orlib",
                                                                       "arquivos/probe.txt", "--no-wait"}));
        EXPECT_EQ(next.exitStatus, 0) << next.standardError;
        EXPECT_EQ(next.standardError.find("deixado como está"), std::string::npos) << next.standardError;
        // As truths: the texts are long.
        EXPECT_TRUE(namesText(folder.path(), top) == (committed ? newTop : earlierTop));
        EXPECT_TRUE(namesText(folder.path() / "arquivos", below) == (committed ? newBelow : earlierBelow));
        EXPECT_EQ(leftoversIn(folder.path()), std::vector<std::string>{});
    }
}

// A folder moved after a run was killed in its commit, and a new folder of the same name
// with files of its own: the next run in the moved folder undoes the commit there and
// touches nothing in the new one (the journal's absolute paths once had it delete them).
TEST(RunCommit, AMovedFolderIsRecoveredWhereItIs) {
    TTemporaryFolder root;
    const std::vector<std::string> names = {"150_3304438.txt", "i.mps", "i.txt"};
    const std::vector<std::string> arguments = {"--count", "40", "--mps", "i.mps", "--orlib", "i.txt",
                                                "-C", "m1", "--no-column-echo", "--no-wait"};
    fs::create_directory(root.path() / "m1");
    for (const std::string& name : names) writeFile(root.path() / "m1" / name, earlierText(name));
    TRunOptions killed = withArguments(arguments);
    killed.program = GERADOR_FAULTS_PATH;
    killed.environment = {"GERADOR_FAULT=rename:2:kill"};
    ASSERT_EQ(runProgram(root.path(), killed).exitStatus, -1);
    fs::rename(root.path() / "m1", root.path() / "m2");
    fs::create_directory(root.path() / "m1");
    for (const std::string& name : names) writeFile(root.path() / "m1" / name, "another set\n");
    TProgramResult next = runProgram(root.path(), withArguments({"--count", "12", "--no-column-write-file", "--mps",
                                                                 "probe.mps", "-C", "m2", "--no-wait"}));
    EXPECT_EQ(next.exitStatus, 0) << next.standardError;
    for (const std::string& name : names) {
        EXPECT_EQ(readFile(root.path() / "m1" / name), "another set\n") << name;
        EXPECT_EQ(readFile(root.path() / "m2" / name), earlierText(name)) << name;
    }
    EXPECT_EQ(leftoversIn(root.path()), std::vector<std::string>{});
}

// A journal another user planted in a sticky, world-writable folder, naming files outside
// it: the run goes on, says it left the journal as it is, and touches none of them.
TEST(RunCommit, APlantedJournalIsNotObeyed) {
    TTemporaryFolder root;
    const fs::path shared = root.path() / "S";
    const fs::path victim = root.path() / "victim";
    fs::create_directories(shared / "evil");
    fs::create_directory(victim);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    writeFile(victim / "precious", "precious\n");
    writeFile(victim / "bashrc", "bashrc\n");
    writeFile(victim / "secret", "secret\n");
    writeFile(shared / "evil/payload", "payload\n");
    std::string journal = "gerador commit journal 1\n";
    for (const auto& triple : std::vector<std::vector<fs::path>>{
             {victim / "precious", shared / "n1", shared / "n2"},
             {victim / "bashrc", shared / "evil/payload", shared / "n3"},
             {shared / "loot", victim / "secret", shared / "n4"}}) {
        for (const fs::path& name : triple) journal += name.string() + '\0';
    }
    const fs::path planted = shared / "commit.gerador~journal1-1-0123456789abcdef";
    writeFile(planted, journal);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(planted.c_str(), 65534, 65534), 0);
    }
    TProgramResult run = runProgram(root.path(), withArguments({"--count", "20", "--max-tasks", "4",
                                                                "--no-column-echo", "--no-wait", "--mps", "S/x.mps"}));
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    EXPECT_NE(run.standardError.find(planted.filename().string()), std::string::npos) << run.standardError;
    EXPECT_EQ(readFile(victim / "precious"), "precious\n");
    EXPECT_EQ(readFile(victim / "bashrc"), "bashrc\n");
    EXPECT_EQ(readFile(victim / "secret"), "secret\n");
    EXPECT_FALSE(fs::exists(shared / "loot"));
    EXPECT_TRUE(fs::exists(planted));
    EXPECT_TRUE(fs::exists(shared / "x.mps"));
}

// Removing a temporary file can fail too (a folder made read-only mid-run): the run then
// names what it left.
TEST(RunCommit, NamesTheTemporaryFilesItCannotRemove) {
    TTemporaryFolder folder;
    TRunOptions options = withArguments({"--count", "20", "--mps", "i.mps", "--no-wait"});
    options.program = GERADOR_FAULTS_PATH;
    // The first removal is the journal's, the second the temporary file's.
    options.environment = {"GERADOR_FAULT=rename:1:fail,unlink:2:fail"};
    TProgramResult run = runProgram(folder.path(), options);
    EXPECT_EQ(run.exitStatus, 1);
    std::vector<std::string> leftovers = leftoversIn(folder.path());
    ASSERT_EQ(leftovers.size(), 1u);
    EXPECT_NE(run.standardError.find("Aviso: não foi possível remover o arquivo temporário"), std::string::npos)
        << run.standardError;
    EXPECT_NE(run.standardError.find(leftovers[0] + "\": Permission denied"), std::string::npos) << run.standardError;
}

// Two runs into one folder at once: each run's files land together, never a mix. The first
// run stops after its first rename until the second has committed, or for two seconds:
// with the folder's lock, the second cannot commit meanwhile and lands whole afterwards;
// without it (or with a shared lock), the second's files would land between the first's.
TEST(RunCommit, TwoRunsAtOnceLeaveOneWholeSet) {
    TTemporaryFolder folder;
    const std::vector<std::string> files = {"150_3304438.txt", "i.mps", "i.txt", "r.svg"};
    auto runOf = [&](const char* seed, const char* fault) {
        std::vector<std::string> arguments = kFullRun;
        arguments.insert(arguments.end(), {"--task-seed", seed});
        TRunOptions options = withArguments(arguments);
        options.program = GERADOR_FAULTS_PATH;
        options.environment = {std::string("GERADOR_FAULT=") + fault};
        return options;
    };
    // What each run writes alone.
    std::map<std::string, std::string> alone[2];
    for (int run = 0; run < 2; ++run) {
        TTemporaryFolder single;
        fs::create_directory(single.path() / "arquivos");
        ASSERT_EQ(runProgram(single.path(), runOf(run == 0 ? "1" : "2", "")).exitStatus, 0);
        for (const std::string& name : files) alone[run][name] = readFile(single.path() / name);
    }
    TStartedProgram first(folder.path(), runOf("1", "rename:2:await"));
    for (int wait = 0; wait < 3000 && !fs::exists(folder.path() / "fault-waiting"); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(fs::exists(folder.path() / "fault-waiting"));
    TStartedProgram second(folder.path(), runOf("2", "committed:1:mark"));
    EXPECT_EQ(first.wait().exitStatus, 0);
    EXPECT_EQ(second.wait().exitStatus, 0);
    for (const std::string& name : files) EXPECT_EQ(readFile(folder.path() / name), alone[1][name]) << name;
    EXPECT_EQ(leftoversIn(folder.path()), std::vector<std::string>{});
}

// What a name stands for decides what is written: one file under two names is refused,
// links are followed, devices and pipes are written in place, folders refused, and names
// that look like options are taken for a forgotten name.
TEST(RunCommit, NamesAreResolvedBeforeAnythingRuns) {
    struct TRow {
        const char* label;
        std::vector<std::string> arguments;
        int exitStatus;
        std::string message;
        std::function<void(const fs::path&, const TProgramResult&)> check;
        unsigned timeoutSeconds = 60;  // shorter where a fault would hang the run
    };
    auto untouched = [](const fs::path& folder, const TProgramResult&) {
        for (const std::string& name : kOutputs) EXPECT_EQ(readFile(folder / name), earlierText(name)) << name;
    };
    const std::string longName(250, 'n');
    const TRow rows[] = {
        {"two names, one file",
         {"--mps", "a.mps", "--orlib", "./a.mps"},
         2,
         "--orlib ./a.mps: é o mesmo arquivo de --mps a.mps",
         untouched},
        {"an export over the column file",
         {"--mps", "./150_3304438.txt"},
         2,
         "é o mesmo arquivo de --column-file",
         untouched},
        {"an export over the trip file",
         {"--trip-write-file", "--mps", "arquivos/viagens.txt"},
         2,
         "--mps arquivos/viagens.txt: é o mesmo",
         untouched},
        {"the report over the task file",
         {"--task-write-file", "--report", "arquivos/../arquivos/tarefas.txt"},
         2,
         "é o mesmo arquivo de --task-write-file",
         untouched},
        {"a link to another output",
         {"--mps", "link.mps", "--orlib", "i.txt"},
         2,
         "--orlib i.txt: é o mesmo arquivo de --mps link.mps",
         untouched},
        {"a folder", {"--report", "pasta"}, 2, "--report pasta: é uma pasta", untouched},
        {"a forgotten name", {"--mps", "--no-column-echo"}, 2, "esqueceu o nome do arquivo?", untouched},
        {"a name like an option, written as a path",
         {"--count", "12", "--mps", "./-x.mps", "--no-wait"},
         0,
         "",
         [](const fs::path& folder, const TProgramResult&) { EXPECT_TRUE(fs::exists(folder / "-x.mps")); }},
        {"a link followed",
         {"--count", "12", "--mps", "link.mps", "--no-wait"},
         0,
         "",
         [](const fs::path& folder, const TProgramResult&) {
             EXPECT_TRUE(fs::is_symlink(folder / "link.mps"));
             EXPECT_EQ(readFile(folder / "i.txt").rfind("NAME gerador FREE\n", 0), 0u);
         }},
        {"/dev/null discards",
         {"--count", "12", "--svg", "dev/null", "--mps", "dev/null", "--no-wait"},
         0,
         "",
         [](const fs::path& folder, const TProgramResult&) {
             struct stat status {};
             ASSERT_EQ(stat((folder / "dev/null").c_str(), &status), 0);
             EXPECT_TRUE(S_ISCHR(status.st_mode));
         }},
        {"/dev/full fails",
         {"--count", "12", "--mps", "dev/full", "--no-wait"},
         1,
         "\"dev/full\": No space left on device",
         [](const fs::path& folder, const TProgramResult&) {
             EXPECT_EQ(readFile(folder / "150_3304438.txt"), earlierText("150_3304438.txt"));
         }},
        {"/dev/stdout streams",
         {"--count", "12", "--no-column-echo", "--orlib", "/dev/stdout", "--no-wait"},
         0,
         "",
         [](const fs::path& folder, const TProgramResult& run) {
             std::string count = linesOf(readFile(folder / "150_3304438.txt"))[1];
             EXPECT_NE(run.standardOutput.find("12 " + count + "\n"), std::string::npos) << run.standardOutput;
         }},
        {"a name of 250 bytes",
         {"--count", "12", "--mps", longName, "--no-wait"},
         0,
         "",
         [&longName](const fs::path& folder, const TProgramResult&) { EXPECT_TRUE(fs::exists(folder / longName)); }},
        {"a negative distance",
         {"--min-distance", "-5", "--max-distance", "0", "--no-wait"},
         1,
         "minDistance = -5, maxDistance = 0 (a distância",
         untouched},
        {"a huge value", {"--mps", std::string(100 * 1024, 'x') + "\xff"}, 2, "… (102401 bytes)", untouched},
        // Its folders were resolved by a recursion, a path buffer a frame: the stack overflowed.
        // It once failed only after the trip, task and column stages had run.
        {"an output in a missing folder",
         {"--count", "12", "--mps", "missing/x.mps", "--no-wait"},
         1,
         "\"missing/x.mps\": No such file or directory",
         [](const fs::path&, const TProgramResult& run) { EXPECT_EQ(run.standardOutput, ""); }},
        {"a name under 2,000 missing folders",
         {"--count", "12", "--mps", [] {
              std::string deep;
              for (int folder = 0; folder < 2000; ++folder) deep += "a/";
              return deep + "x.mps";
          }(), "--no-wait"},
         1,
         "(4005 bytes)\": No such file or directory",
         untouched},
        {"bytes that are not text", {"--count", "1\xff\x1b[2J"}, 2, "Erro: --count 1\\xFF\\x1B[2J: ", untouched},
        // Links are followed only so far, as the system does: a link to itself would hang the run.
        {"a link to itself", {"--mps", "loop.mps"}, 2, "loop.mps: Too many levels of symbolic links", untouched, 5},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.label);
        TTemporaryFolder folder;
        fs::create_directory(folder.path() / "arquivos");
        fs::create_directory(folder.path() / "pasta");
        for (const std::string& name : kOutputs) writeFile(folder.path() / name, earlierText(name));
        fs::create_symlink("i.txt", folder.path() / "link.mps");
        fs::create_symlink("loop.mps", folder.path() / "loop.mps");
        // Devices of the test's own: a fault must never replace the machine's /dev/null.
        fs::create_directory(folder.path() / "dev");
        makeDeviceNode(folder.path() / "dev", "null", 1, 3);
        makeDeviceNode(folder.path() / "dev", "full", 1, 7);
        TRunOptions options = withArguments(row.arguments);
        options.timeoutSeconds = row.timeoutSeconds;
        TProgramResult run = runProgram(folder.path(), options);
        EXPECT_EQ(run.exitStatus, row.exitStatus) << run.standardError;
        EXPECT_NE(run.standardError.find(row.message), std::string::npos) << run.standardError;
        EXPECT_LT(run.standardError.size(), 2000u);
        if (row.exitStatus == 2) {
            EXPECT_EQ(run.standardOutput, "") << "a bad command line runs nothing";
        }
        row.check(folder.path(), run);
        EXPECT_EQ(leftoversIn(folder.path()), std::vector<std::string>{});
    }
}

}  // namespace

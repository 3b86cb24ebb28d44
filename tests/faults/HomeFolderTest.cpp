// The hive in real home folders: configuration folders reached through links, folders and files
// open to others or owned by another user, another program's lock, a text that grows while it
// is read, the last commit before a power cut, and one huge value among the small ones.

#include "Hive.h"
#include "Process.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

using namespace faults;
using namespace std::chrono_literals;

namespace {

const std::string KeyMessage =
    "ERegistryException:Erzeugung von Schl\u00FCssel Software\\Korvenda\\Pelwick misslungen";
const std::string NotPrivate =
    "ERegistryNotPrivate:Der Ordner oder die Datei deiner Einstellungen geh\u00F6rt einem anderen "
    "Benutzer oder steht anderen offen; Pelwick benutzt sie so nicht";
const std::string Locked =
    "ERegistryLocked:Die Einstellungen werden gerade von einem anderen Programm benutzt";

constexpr uid_t Nobody = 65534;
bool Root() {
    return ::geteuid() == 0;
}

// A hive with values in it, as the store writes it.
void StoredHive(const std::string& config) {
    const TRunResult r =
        RunHelper({"ops", "set:CigConsQty=5", "set:UserName=Erika", "set:SetupCompl=1"}, config);
    ASSERT_EQ(r.Lines(), (std::vector<std::string>{"CigConsQty:=ok", "UserName:=ok",
                                                   "SetupCompl:=ok", "done"}));
}

void MakeFolder(const std::string& path, mode_t mode) {
    ASSERT_EQ(::mkdir(path.c_str(), mode), 0) << path << ": " << std::strerror(errno);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

void Link(const std::string& target, const std::string& link) {
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0) << link << ": " << std::strerror(errno);
}

struct stat Stat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// A line of --timed without its time, and the time.
std::string Untimed(const std::string& line) {
    return line.substr(0, line.rfind(" @"));
}
double Millis(const std::string& line) {
    const auto at = line.rfind(" @");
    return at == std::string::npos ? -1 : std::stod(line.substr(at + 2));
}

} // namespace

// 1: links above the hive are followed as the user set them up.

TEST(LinkedFolders, AConfigFolderReachedThroughLinksIsUsedWhereTheyLead) {
    TTempFolder tmp;
    // /home reached through a link, as many systems have it, and a configuration folder that
    // is itself a link, as dotfile managers make it.
    MakeFolder(tmp.Path() + "/real", 0755);
    MakeFolder(tmp.Path() + "/real/home", 0700);
    MakeFolder(tmp.Path() + "/real/home/.config", 0700);
    Link(tmp.Path() + "/real/home", tmp.Path() + "/home");
    Link(tmp.Path() + "/real/home/.config", tmp.Path() + "/config");
    if (HasFatalFailure()) {
        return;
    }
    const std::string throughHome = tmp.Path() + "/home/.config";
    const std::string throughConfig = tmp.Path() + "/config";

    TRunResult r =
        RunHelper({"ops", "set:CigConsQty=9", "set:UserName=Erika", "get:CigConsQty"}, throughHome);
    EXPECT_EQ(r.Lines(),
              (std::vector<std::string>{"CigConsQty:=ok", "UserName:=ok", "CigConsQty=9", "done"}));
    r = RunHelper({"ops", "get:CigConsQty", "get:UserName", "set:CigConsQty=10"}, throughConfig);
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"CigConsQty=9", "UserName=Erika",
                                                   "CigConsQty:=ok", "done"}));

    // One hive, in the folder the links lead to, private as the store makes it.
    const std::string real = tmp.Path() + "/real/home/.config/pelwick";
    EXPECT_EQ(Stat(real).st_mode & 07777, 0700u);
    EXPECT_EQ(Stat(real + "/hkcu.sqlite3").st_mode & 07777, 0600u);
    EXPECT_EQ(Sql(real + "/hkcu.sqlite3", "SELECT hex(data) FROM reg_value WHERE name = "
                                          "'CigConsQty'"),
              std::vector<std::string>{"0A000000"});
    EXPECT_EQ(Snapshot(real).size(), 1u) << "only the hive, no journal left";
}

TEST(LinkedFolders, APelwickFolderThatLinksToAPrivateFolderIsUsed) {
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    const std::string target = tmp.Path() + "/dotfiles-pelwick";
    MakeFolder(config, 0700);
    MakeFolder(target, 0700);
    Link(target, HiveFolder(config));
    if (HasFatalFailure()) {
        return;
    }
    const TRunResult r = RunHelper({"ops", "set:CigConsQty=9", "get:CigConsQty"}, config);
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"CigConsQty:=ok", "CigConsQty=9", "done"}));
    EXPECT_EQ(Snapshot(target).size(), 1u);
    EXPECT_EQ(Stat(target + "/hkcu.sqlite3").st_mode & 07777, 0600u);
    EXPECT_TRUE(S_ISLNK(Stat(HiveFolder(config)).st_mode)) << "the link stays as it was";
}

// A pelwick folder that links to a folder that is not the user's own and closed to others is
// refused like such a folder in its place: nothing is read from it and nothing made in it.
TEST(LinkedFolders, APelwickFolderThatLinksToAFolderNotTheUsersOwnIsRefusedAndLeftEmpty) {
    struct TTarget {
        const char* Name;
        mode_t Mode;
        bool Foreign;
    };
    for (const TTarget t :
         {TTarget{"open to all", 0777, false}, TTarget{"of nobody", 0700, true}}) {
        SCOPED_TRACE(t.Name);
        if (t.Foreign && !Root()) {
            continue; // only root can give a folder away
        }
        TTempFolder tmp;
        const std::string config = tmp.Path() + "/config";
        const std::string target = tmp.Path() + "/elsewhere";
        MakeFolder(config, 0700);
        MakeFolder(target, t.Mode);
        if (t.Foreign) {
            ASSERT_EQ(::chown(target.c_str(), Nobody, Nobody), 0);
        }
        Link(target, HiveFolder(config));
        if (HasFatalFailure()) {
            return;
        }
        const TRunResult r = RunHelper(
            {"ops", "get:CigConsQty", "set:CigConsQty=9", "set:UserName=Max", "get:SetupCompl"},
            config);
        EXPECT_EQ(r.Lines(), (std::vector<std::string>{
                                 "CigConsQty!" + NotPrivate, "CigConsQty!" + NotPrivate,
                                 "UserName!" + NotPrivate, "SetupCompl!" + NotPrivate, "done"}));
        EXPECT_TRUE(Snapshot(target).empty()) << "something was made in the link's target";
        EXPECT_EQ(Stat(target).st_mode & 07777, t.Mode);
    }
}

// Held from before: the hive file itself is never followed when it is a link.
TEST(LinkedFolders, AHiveFileThatIsALinkIsNotFollowed) {
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    const std::string other = tmp.Path() + "/other";
    StoredHive(other);
    MakeFolder(config, 0700);
    MakeFolder(HiveFolder(config), 0700);
    Link(HiveFile(other), HiveFile(config));
    if (HasFatalFailure()) {
        return;
    }
    const std::string before = ReadFile(HiveFile(other));
    const TRunResult r =
        RunHelper({"ops", "get:CigConsQty", "set:CigConsQty=9", "get:UserName"}, config);
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"CigConsQty=0", "CigConsQty!" + KeyMessage,
                                                   "UserName=", "done"}));
    EXPECT_EQ(ReadFile(HiveFile(other)), before);
    EXPECT_EQ(Snapshot(HiveFolder(other)).size(), 1u);
}

// 3: the folder and the file are the user's own with no access for others, or the store
// refuses them, reads included, and changes nothing.

struct TPrivacyCase {
    const char* Name;
    bool NeedsRoot; // gives a file away
    std::function<void(const std::string& config)> Prepare;
};

const TPrivacyCase PrivacyCases[] = {
    {"folder open to all", false,
     [](const std::string& config) {
         StoredHive(config);
         ASSERT_EQ(::chmod(HiveFolder(config).c_str(), 0777), 0);
     }},
    {"folder readable by the group", false,
     [](const std::string& config) {
         StoredHive(config);
         ASSERT_EQ(::chmod(HiveFolder(config).c_str(), 0750), 0);
     }},
    {"no hive yet in a folder open to all", false,
     [](const std::string& config) {
         MakeFolder(config, 0700);
         MakeFolder(HiveFolder(config), 0777);
     }},
    {"file open to all", false,
     [](const std::string& config) {
         StoredHive(config);
         ASSERT_EQ(::chmod(HiveFile(config).c_str(), 0666), 0);
     }},
    {"file readable by the group", false,
     [](const std::string& config) {
         StoredHive(config);
         ASSERT_EQ(::chmod(HiveFile(config).c_str(), 0640), 0);
     }},
    {"file of another user", true,
     [](const std::string& config) {
         StoredHive(config);
         ASSERT_EQ(::chown(HiveFile(config).c_str(), Nobody, Nobody), 0);
     }},
    {"folder of another user", true,
     [](const std::string& config) {
         StoredHive(config);
         ASSERT_EQ(::chown(HiveFolder(config).c_str(), Nobody, Nobody), 0);
     }},
};

class Privacy : public testing::TestWithParam<TPrivacyCase> {};

TEST_P(Privacy, AFolderOrFileNotTheUsersOwnIsRefusedAndNothingChanges) {
    const TPrivacyCase& c = GetParam();
    if (c.NeedsRoot && !Root()) {
        GTEST_SKIP() << "only root can give a file to another user";
    }
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    c.Prepare(config);
    if (HasFatalFailure()) {
        return;
    }
    const auto hiveBefore = Snapshot(HiveFolder(config));
    const struct stat folderBefore = Stat(HiveFolder(config));

    const TRunResult r = RunHelper({"ops", "get:SetupCompl", "get:UserName", "set:UserName=Mallory",
                                    "set:CigConsQty=9", "get:CigConsQty"},
                                   config);
    EXPECT_EQ(r.Lines(),
              (std::vector<std::string>{"SetupCompl!" + NotPrivate, "UserName!" + NotPrivate,
                                        "UserName!" + NotPrivate, "CigConsQty!" + NotPrivate,
                                        "CigConsQty!" + NotPrivate, "done"}))
        << c.Name;
    EXPECT_EQ(Snapshot(HiveFolder(config)), hiveBefore) << c.Name << ": the hive changed";
    const struct stat folderAfter = Stat(HiveFolder(config));
    EXPECT_EQ(folderAfter.st_mode, folderBefore.st_mode) << c.Name;
    EXPECT_EQ(folderAfter.st_uid, folderBefore.st_uid) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(Faults, Privacy, testing::ValuesIn(PrivacyCases),
                         [](const testing::TestParamInfo<TPrivacyCase>& param) {
                             std::string name;
                             for (const char* p = param.param.Name; *p; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

// 2: a lock that another program keeps is reported after a short wait, in every read and
// every write, and never reads as a first start; once it is gone, everything is as it was.

namespace {

// Another program's connection that holds a lock on the hive until it is destroyed.
class TLockHolder {
public:
    TLockHolder(const std::string& file, const char* begin) {
        if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            sqlite3_exec(db_, begin, nullptr, nullptr, nullptr) != SQLITE_OK ||
            // A write, so that the lock is really taken whatever the transaction's kind.
            sqlite3_exec(db_, "UPDATE reg_key SET path = path WHERE 0", nullptr, nullptr,
                         nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot lock " << file << ": " << sqlite3_errmsg(db_);
        }
    }
    ~TLockHolder() {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }
    TLockHolder(const TLockHolder&) = delete;
    TLockHolder& operator=(const TLockHolder&) = delete;

private:
    sqlite3* db_ = nullptr;
};

} // namespace

TEST(AnotherProgramsLock, IsReportedAfterAShortWaitAndNeverReadsAsAFirstStart) {
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    StoredHive(config);
    if (HasFatalFailure()) {
        return;
    }
    const std::string before = ReadFile(HiveFile(config));
    TRunResult r;
    {
        TLockHolder holder(HiveFile(config), "BEGIN EXCLUSIVE");
        r = RunHelper({"--timed", "ops", "get:SetupCompl", "get:CigConsQty", "get:UserName",
                       "set:CigConsQty=0", "set:SetupCompl=0"},
                      config, 180s);
    }
    std::vector<std::string> lines;
    for (const auto& line : r.Lines()) {
        lines.push_back(Untimed(line));
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"SetupCompl!" + Locked, "CigConsQty!" + Locked,
                                               "UserName!" + Locked, "CigConsQty!" + Locked,
                                               "SetupCompl!" + Locked, "done"}));
    // The first call waits for the lock a moment, the next ones briefly.
    const auto all = r.Lines();
    ASSERT_EQ(all.size(), 6u) << r.Output;
    std::printf("waits under the lock:");
    for (std::size_t i = 0; i < 5; ++i) {
        std::printf(" %.0f ms", Millis(all[i]));
        EXPECT_LE(Millis(all[i]), i == 0 ? 2500 : 500) << all[i];
    }
    std::printf("\n");
    EXPECT_GE(Millis(all[0]), 1000) << "the first call gave up at once";

    // Nothing was written; without the lock every stored figure reads as it was.
    EXPECT_EQ(ReadFile(HiveFile(config)), before);
    r = RunHelper({"ops", "get:SetupCompl", "get:CigConsQty", "get:UserName", "set:CigConsQty=6",
                   "get:CigConsQty"},
                  config);
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"SetupCompl=1", "CigConsQty=5", "UserName=Erika",
                                                   "CigConsQty:=ok", "CigConsQty=6", "done"}));
}

TEST(AnotherProgramsLock, AWriteLockLetsReadsThroughAndReportsWrites) {
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    StoredHive(config);
    if (HasFatalFailure()) {
        return;
    }
    TRunResult r;
    {
        TLockHolder holder(HiveFile(config), "BEGIN IMMEDIATE");
        r = RunHelper(
            {"ops", "get:SetupCompl", "set:CigConsQty=9", "get:CigConsQty", "get:UserName"}, config,
            180s);
    }
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"SetupCompl=1", "CigConsQty!" + Locked,
                                                   "CigConsQty=5", "UserName=Erika", "done"}));
}

// 5: with three copies writing UserName at changing lengths, every read is one whole text.
TEST(GrowingText, EveryReadOfATextThatOthersRewriteIsOneWholeText) {
    constexpr int Copies = 3;
    constexpr int Rounds = 1500;
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    StoredHive(config);
    int go[Copies][2];
    int out[Copies][2];
    pid_t pid[Copies];
    for (int id = 0; id < Copies; ++id) {
        ASSERT_EQ(::pipe2(go[id], O_CLOEXEC), 0);
        ASSERT_EQ(::pipe2(out[id], O_CLOEXEC), 0);
        pid[id] = StartHelper({"names", std::to_string(id), std::to_string(Rounds)}, config,
                              go[id][0], out[id][1]);
        ::close(go[id][0]);
        ::close(out[id][1]);
    }
    for (int id = 0; id < Copies; ++id) {
        ASSERT_EQ(::write(go[id][1], "g", 1), 1);
        ::close(go[id][1]);
    }
    const auto start = std::chrono::steady_clock::now();
    for (int id = 0; id < Copies; ++id) {
        const TRunResult result = WaitFor(pid[id], out[id][0], 200s);
        ::close(out[id][0]);
        EXPECT_FALSE(result.TimedOut) << "copy " << id;
        EXPECT_EQ(result.ExitCode, 0) << result.Output;
        std::printf("%s", result.Output.c_str());
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%d copies done in %.1f s\n", Copies, took.count());
}

// 6: a setter returns after its commit is durable: the journal's removal, which is the commit
// in SQLite's rollback mode, is followed by a sync of its folder before the setter returns.
TEST(LastCommit, TheJournalsRemovalIsSyncedBeforeTheSetterReturns) {
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    StoredHive(config);
    if (HasFatalFailure()) {
        return;
    }
    const TRunResult r =
        RunHelper({"--trace-sync", "ops", "set:CigConsQty=9", "set:UserName=Max"}, config);
    if (r.ExitCode == 4) {
        GTEST_SKIP() << r.Output;
    }
    const auto lines = r.Lines();
    for (const std::string done : {"CigConsQty:=ok", "UserName:=ok"}) {
        SCOPED_TRACE(done);
        const auto end = std::find(lines.begin(), lines.end(), done);
        ASSERT_NE(end, lines.end()) << r.Output;
        // The last removal of a journal before the setter returned, and what followed it.
        auto removal = end;
        while (removal != lines.begin() && !((removal - 1)->rfind("unlink ", 0) == 0 &&
                                             (removal - 1)->ends_with("hkcu.sqlite3-journal"))) {
            --removal;
        }
        ASSERT_NE(removal, lines.begin()) << "no journal was removed:\n" << r.Output;
        EXPECT_TRUE(std::any_of(removal, end,
                                [](const std::string& l) { return l.rfind("syncdir ", 0) == 0; }))
            << "the folder was not synced after the journal's removal:\n"
            << r.Output;
    }

    // What it costs: the mean time of a write, printed for the record.
    std::vector<std::string> ops = {"--usage", "ops"};
    for (int i = 0; i < 50; ++i) {
        ops.push_back("set:CigConsQty=" + std::to_string(i));
    }
    const TRunResult timed = RunHelper(ops, config);
    ASSERT_FALSE(timed.Lines().empty());
    const std::string usage = timed.Lines().back();
    ASSERT_EQ(usage.rfind("usage:", 0), 0u) << timed.Output;
    std::printf("50 writes: %s ms in all\n", usage.substr(6, usage.find(':', 6) - 6).c_str());
}

// 7: a huge value that another program stored costs the reads of other values nothing, and
// its space goes back to the file system when it is replaced.
class HugeValue : public testing::TestWithParam<bool> {};

TEST_P(HugeValue, ReadsOfOtherValuesCostTheSameAndTheSpaceIsGivenBack) {
    const bool madeByTheStore = GetParam();
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    const std::string file = HiveFile(config);
    if (madeByTheStore) {
        StoredHive(config);
    } else {
        // As another program, or an earlier Pelwick, makes it: without auto-vacuum.
        MakeFolder(config, 0700);
        MakeFolder(HiveFolder(config), 0700);
        Sql(file, "CREATE TABLE reg_key (path TEXT PRIMARY KEY COLLATE NOCASE) WITHOUT ROWID;"
                  "CREATE TABLE reg_value (key TEXT NOT NULL COLLATE NOCASE REFERENCES "
                  "reg_key(path), name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, "
                  "data BLOB NOT NULL, PRIMARY KEY (key, name)) WITHOUT ROWID;"
                  "PRAGMA user_version = 1;");
        ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
        StoredHive(config);
        ASSERT_EQ(Sql(file, "PRAGMA auto_vacuum"), std::vector<std::string>{"0"});
    }
    if (HasFatalFailure()) {
        return;
    }
    const TRunResult set = RunHelper({"ops", "set:CigBoxQty=20", "set:CigBoxPrice=6.5",
                                      "set:UserStopTime=45000", "set:UserDOB=1970"},
                                     config);
    ASSERT_EQ(set.Lines().size(), 5u) << set.Output;

    // The five reads of a tick.
    const std::vector<std::string> tick = {
        "--usage",         "ops",          "get:SetupCompl", "get:UserStopTime", "get:CigConsQty",
        "get:CigBoxPrice", "get:CigBoxQty"};
    auto measure = [&](double& ms, long& kB) {
        const TRunResult r = RunHelper(tick, config, 120s);
        const auto lines = r.Lines();
        EXPECT_EQ(lines.size(), 7u) << r.Output.substr(0, 2000);
        if (lines.size() != 7u || lines.back().rfind("usage:", 0) != 0) {
            return std::vector<std::string>();
        }
        const std::string usage = lines.back();
        ms = std::stod(usage.substr(6));
        kB = std::stol(usage.substr(usage.rfind(':') + 1));
        return std::vector<std::string>(lines.begin(), lines.end() - 1);
    };
    double smallMs = 0;
    long smallKB = 0;
    const auto smallValues = measure(smallMs, smallKB);

    // 100 MB of text under UserName, stored by another program.
    Sql(file, "UPDATE reg_value SET data = zeroblob(100 * 1024 * 1024) WHERE name = 'UserName'");
    const auto hugeSize = Stat(file).st_size;
    ASSERT_GT(hugeSize, 100 * 1024 * 1024);
    double hugeMs = 0;
    long hugeKB = 0;
    const auto hugeValues = measure(hugeMs, hugeKB);
    EXPECT_EQ(hugeValues, smallValues);
    std::printf("five reads of a tick: %.0f ms, peak %ld kB; beside a 100 MB value: %.0f ms, "
                "peak %ld kB\n",
                smallMs, smallKB, hugeMs, hugeKB);
    EXPECT_LT(hugeKB - smallKB, 8 * 1024) << "a read loaded the huge value";
    EXPECT_LT(hugeMs, 4 * smallMs + 50) << "the reads slowed down";

    // The store replaces it: the file shrinks back, whoever made the hive.
    const TRunResult replace = RunHelper({"ops", "set:UserName=Erika", "get:UserName"}, config);
    EXPECT_EQ(replace.Lines(),
              (std::vector<std::string>{"UserName:=ok", "UserName=Erika", "done"}));
    const auto replacedSize = Stat(file).st_size;
    std::printf("hive file: %lld bytes with the 100 MB value, %lld bytes after it was replaced\n",
                static_cast<long long>(hugeSize), static_cast<long long>(replacedSize));
    EXPECT_LT(replacedSize, 1024 * 1024);
    EXPECT_EQ(Sql(file, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    EXPECT_EQ(Sql(file, "PRAGMA auto_vacuum"), std::vector<std::string>{"1"});
}

INSTANTIATE_TEST_SUITE_P(Faults, HugeValue, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& param) {
                             return std::string(param.param ? "HiveMadeByTheStore"
                                                            : "HiveMadeWithoutAutoVacuum");
                         });

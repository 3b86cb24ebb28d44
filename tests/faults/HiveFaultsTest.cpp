// A hive that cannot be used as it stands: not writable, in a folder that is not writable,
// garbage, another program's database, a newer schema, a full disk. Every read gives its
// default or what is stored, every write that cannot be kept fails with the store's German
// message, the program goes on, and nothing that was there is changed.

#include "Hive.h"
#include "Process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <functional>

using namespace faults;

namespace {

const std::string KeyMessage =
    "ERegistryException:Erzeugung von Schl\u00FCssel Software\\Korvenda\\Pelwick misslungen";
std::string SetMessage(const std::string& name) {
    return "ERegistryException:Fehler beim Setzen der Daten f\u00FCr '" + name + "'";
}

// The user that the cases run as when the tests run as root, who may write anything.
constexpr uid_t Nobody = 65534;
bool Root() {
    return ::geteuid() == 0;
}

// The mode, and when running as root the owner nobody; a file or folder of the test's own user
// keeps its owner with toNobody false.
void Own(const std::string& path, mode_t mode, bool toNobody = true) {
    if (toNobody && Root()) {
        ASSERT_EQ(::chown(path.c_str(), Nobody, Nobody), 0) << path << ": " << std::strerror(errno);
    }
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

// A hive with values in it, as the store writes it.
void StoredHive(const std::string& config) {
    const TRunResult r =
        RunHelper({"ops", "set:CigConsQty=5", "set:UserName=Erika", "set:SetupCompl=1",
                   "set:CigBoxQty=20", "set:CigBoxPrice=6.5", "set:UserStopTime=45000.5"},
                  config);
    ASSERT_EQ(r.Lines(), (std::vector<std::string>{"CigConsQty:=ok", "UserName:=ok",
                                                   "SetupCompl:=ok", "CigBoxQty:=ok",
                                                   "CigBoxPrice:=ok", "UserStopTime:=ok", "done"}));
}

// A version-1 hive of another shape with the store's key and the values 5 and "Erika" in it.
void OtherShape(const std::string& config, const std::string& tables) {
    ASSERT_EQ(::mkdir(config.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(HiveFolder(config).c_str(), 0700), 0);
    Sql(HiveFile(config),
        tables + "PRAGMA user_version = 1;"
                 "INSERT INTO reg_key VALUES ('Software'), ('Software\\Korvenda'), "
                 "('Software\\Korvenda\\Pelwick');"
                 "INSERT INTO reg_value VALUES ('Software\\Korvenda\\Pelwick', 'CigConsQty', "
                 "4, x'05000000'), ('Software\\Korvenda\\Pelwick', 'UserName', 1, "
                 "x'4500720069006B0061000000');");
    Own(HiveFile(config), 0600, false);
}

struct TCase {
    const char* Name;
    bool AsOtherUser; // needs a user whom file permissions bind
    std::function<void(const std::string& config)> Prepare;
    // The message of every write; empty for SetMessage. In a hive that may only be read, what
    // is read-only ("file" or "folder"): its values are read, and start-up says so once.
    std::string WriteFailure;
    const char* ReadOnly = nullptr;
};

const TCase Cases[] = {
    {"hive file not writable", true,
     [](const std::string& config) {
         StoredHive(config);
         Own(config, 0700);
         Own(HiveFolder(config), 0700);
         Own(HiveFile(config), 0400);
     },
     "", "file"},
    {"hive folder not writable", true,
     [](const std::string& config) {
         StoredHive(config);
         Own(config, 0700);
         Own(HiveFile(config), 0600);
         Own(HiveFolder(config), 0500);
     },
     "", "folder"},
    {"no hive, hive folder not writable", true,
     [](const std::string& config) {
         ASSERT_EQ(::mkdir(config.c_str(), 0755), 0);
         ASSERT_EQ(::mkdir(HiveFolder(config).c_str(), 0700), 0);
         Own(HiveFolder(config), 0500);
     },
     KeyMessage},
    {"no hive, configuration folder not writable", true,
     [](const std::string& config) {
         ASSERT_EQ(::mkdir(config.c_str(), 0700), 0);
         Own(config, 0500);
     },
     KeyMessage},
    {"garbage", false,
     [](const std::string& config) {
         ASSERT_EQ(::mkdir(config.c_str(), 0700), 0);
         ASSERT_EQ(::mkdir(HiveFolder(config).c_str(), 0700), 0);
         std::string bytes;
         for (unsigned i = 0, x = 12345; i < 8192; ++i) {
             x = x * 1103515245u + 12345u;
             bytes += static_cast<char>(x >> 16);
         }
         WriteFile(HiveFile(config), bytes);
         Own(HiveFile(config), 0600, false);
     },
     KeyMessage},
    {"SQLite header over garbage", false,
     [](const std::string& config) {
         ASSERT_EQ(::mkdir(config.c_str(), 0700), 0);
         ASSERT_EQ(::mkdir(HiveFolder(config).c_str(), 0700), 0);
         std::string bytes = std::string("SQLite format 3") + '\0';
         bytes += std::string("\x10\x00\x01\x01\x00\x40\x20\x20", 8);
         bytes.resize(4096 * 3, '\x5A');
         WriteFile(HiveFile(config), bytes);
         Own(HiveFile(config), 0600, false);
     },
     KeyMessage},
    {"another program's database", false,
     [](const std::string& config) {
         ASSERT_EQ(::mkdir(config.c_str(), 0700), 0);
         ASSERT_EQ(::mkdir(HiveFolder(config).c_str(), 0700), 0);
         Sql(HiveFile(config), "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('x')");
         Own(HiveFile(config), 0600, false);
     },
     KeyMessage},
    {"an emptied database", false,
     [](const std::string& config) {
         ASSERT_EQ(::mkdir(config.c_str(), 0700), 0);
         ASSERT_EQ(::mkdir(HiveFolder(config).c_str(), 0700), 0);
         Sql(HiveFile(config), "CREATE TABLE notes (text TEXT); DROP TABLE notes");
         Own(HiveFile(config), 0600, false);
     },
     KeyMessage},
    {"a hive of a newer schema", false,
     [](const std::string& config) {
         StoredHive(config);
         Sql(HiveFile(config), "PRAGMA user_version = 2");
     },
     KeyMessage},
    // Version 1 in name only: any other shape is another program's file, whatever it holds.
    {"a version-1 hive without its primary key", false,
     [](const std::string& config) {
         OtherShape(config, "CREATE TABLE reg_key (path TEXT PRIMARY KEY COLLATE NOCASE) "
                            "WITHOUT ROWID; CREATE TABLE reg_value (key TEXT NOT NULL COLLATE "
                            "NOCASE REFERENCES reg_key(path), name TEXT NOT NULL COLLATE NOCASE, "
                            "type INTEGER NOT NULL, data BLOB NOT NULL);");
     },
     KeyMessage},
    {"a version-1 hive without NOCASE", false,
     [](const std::string& config) {
         OtherShape(config, "CREATE TABLE reg_key (path TEXT PRIMARY KEY) WITHOUT ROWID; "
                            "CREATE TABLE reg_value (key TEXT NOT NULL REFERENCES reg_key(path), "
                            "name TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL, "
                            "PRIMARY KEY (key, name)) WITHOUT ROWID;");
     },
     KeyMessage},
    {"a version-1 hive with rowids", false,
     [](const std::string& config) {
         OtherShape(config, "CREATE TABLE reg_key (path TEXT PRIMARY KEY COLLATE NOCASE); "
                            "CREATE TABLE reg_value (key TEXT NOT NULL COLLATE NOCASE REFERENCES "
                            "reg_key(path), name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT "
                            "NULL, data BLOB NOT NULL, PRIMARY KEY (key, name));");
     },
     KeyMessage},
    {"a version-1 hive with a trigger", false,
     [](const std::string& config) {
         StoredHive(config);
         Sql(HiveFile(config), "CREATE TABLE log (x); CREATE TRIGGER t AFTER INSERT ON "
                               "reg_value BEGIN INSERT INTO log VALUES (new.name); END;");
     },
     KeyMessage},
};

class HiveFaults : public testing::TestWithParam<TCase> {};

} // namespace

TEST_P(HiveFaults, ReadsWhatItCanWritesFailAndNothingChanges) {
    const TCase& c = GetParam();
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    c.Prepare(config);
    if (HasFatalFailure()) {
        return;
    }
    const auto configBefore = Snapshot(config);
    const auto hiveBefore = Snapshot(HiveFolder(config));

    std::vector<std::string> args;
    if (c.AsOtherUser && Root()) {
        args.push_back("--as-nobody");
    }
    const std::vector<std::string> ops = {"get:CigConsQty",   "get:UserName",   "set:CigConsQty=9",
                                          "set:UserName=Max", "get:CigConsQty", "get:SetupCompl"};
    std::vector<std::string> run = args;
    run.push_back("ops");
    if (c.ReadOnly) {
        run.push_back("check"); // start-up's look changes nothing here
    }
    run.insert(run.end(), ops.begin(), ops.end());
    const TRunResult r = RunHelper(run, config);
    if (r.ExitCode == 4) {
        GTEST_SKIP() << "cannot run as another user here: " << r.Output;
    }
    ASSERT_EQ(r.ExitCode, 0) << r.Output;

    // A hive that cannot be read reads as defaults; one that may only be read shows what it
    // holds. A write that cannot be kept says so, and why where the store knows it.
    std::string write = c.WriteFailure;
    std::vector<std::string> expected;
    if (c.ReadOnly) {
        const std::string why = std::string(c.ReadOnly) == "file"
                                    ? "die Datei deiner Einstellungen " + HiveFile(config) +
                                          " ist schreibgesch\u00FCtzt"
                                    : "der Ordner deiner Einstellungen " + HiveFolder(config) +
                                          " ist schreibgesch\u00FCtzt";
        expected.push_back("check=1:Pelwick zeigt deine gespeicherten Werte, kann aber keine "
                           "\u00C4nderungen speichern: " +
                           why + ".");
        write = "ERegistryReadOnly:\u00C4nderungen an deinen Einstellungen k\u00F6nnen nicht "
                "gespeichert werden: " +
                why;
    }
    const std::string stored = c.ReadOnly ? "5" : "0";
    expected.insert(expected.end(),
                    {"CigConsQty=" + stored, c.ReadOnly ? "UserName=Erika" : "UserName=",
                     "CigConsQty!" + (write.empty() ? SetMessage("CigConsQty") : write),
                     "UserName!" + (write.empty() ? SetMessage("UserName") : write),
                     "CigConsQty=" + stored, c.ReadOnly ? "SetupCompl=1" : "SetupCompl=0", "done"});
    EXPECT_EQ(r.Lines(), expected) << c.Name;
    if (c.ReadOnly) {
        // A relapse says what was not saved and why, and changes nothing.
        run = args;
        run.push_back("relapse");
        const TRunResult relapse = RunHelper(run, config, std::chrono::seconds(30), "j");
        EXPECT_EQ(relapse.Lines(),
                  (std::vector<std::string>{
                      "asked",
                      "note:Dein R\u00FCckfall ist nicht gespeichert; der Verlauf und deine "
                      "Z\u00E4hlung bleiben, wie sie waren. " +
                          write.substr(write.find(':') + 1) + ".",
                      "done"}));
    }
    EXPECT_EQ(Snapshot(config), configBefore) << c.Name << ": the configuration folder changed";
    EXPECT_EQ(Snapshot(HiveFolder(config)), hiveBefore) << c.Name << ": the hive changed";
}

INSTANTIATE_TEST_SUITE_P(Faults, HiveFaults, testing::ValuesIn(Cases),
                         [](const testing::TestParamInfo<TCase>& param) {
                             std::string name;
                             for (const char* p = param.param.Name; *p; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

// The control for the cases above: the same user, with a hive and folders of its own, reads
// what is stored and writes. Without it a case could pass because the user reached nothing.
TEST(OtherUser, ReadsAndWritesAHiveOfItsOwn) {
    if (!Root()) {
        GTEST_SKIP() << "runs as the current user anyway";
    }
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    StoredHive(config);
    Own(config, 0700);
    Own(HiveFolder(config), 0700);
    Own(HiveFile(config), 0600);
    const TRunResult r = RunHelper(
        {"--as-nobody", "ops", "get:CigConsQty", "set:CigConsQty=9", "get:CigConsQty"}, config);
    if (r.ExitCode == 4) {
        GTEST_SKIP() << "cannot run as another user here: " << r.Output;
    }
    EXPECT_EQ(r.Lines(),
              (std::vector<std::string>{"CigConsQty=5", "CigConsQty:=ok", "CigConsQty=9", "done"}));
}

// A full disk, two ways: a small tmpfs, full to the last byte, in a mount namespace of this
// test's own (where the machine lets us mount), and a file-size limit on the helper at the
// hive's size (everywhere).
class FullDisk : public testing::TestWithParam<bool> {};

TEST_P(FullDisk, AWriteThatDoesNotFitFailsAndTheHiveStaysAsItWas) {
    const bool mounted = GetParam();
    TTempFolder tmp;
    const std::string config = tmp.Path() + "/config";
    ASSERT_EQ(::mkdir(config.c_str(), 0700), 0);
    // Unmounted before the folder goes, also when an assertion ends the test early.
    struct TUnmount {
        std::string Path;
        ~TUnmount() {
            if (!Path.empty()) {
                ::umount2(Path.c_str(), MNT_DETACH);
            }
        }
    } unmount;
    if (mounted) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", config.c_str(), "tmpfs", 0, "size=256k,mode=0700") != 0) {
            GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                         << "); the file-size limit case stands in for it";
        }
        unmount.Path = config;
    }
    const std::string how = mounted ? "a full 256 KiB tmpfs" : "a file-size limit";

    StoredHive(config);
    if (HasFatalFailure()) {
        return;
    }
    std::vector<std::string> limit;
    if (mounted) {
        // Fill what is left to the last byte.
        const int fd = ::open((config + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        while (::write(fd, "f", 1) > 0) {
        }
        ASSERT_EQ(errno, ENOSPC);
        ::close(fd);
    } else {
        struct stat st {};
        ASSERT_EQ(::stat(HiveFile(config).c_str(), &st), 0);
        limit.push_back("--fsize=" + std::to_string(st.st_size));
    }
    const auto before = Snapshot(HiveFolder(config));

    // Far more than fits anywhere in the hive's pages.
    const std::string big(100000, 'x');
    std::vector<std::string> args = limit;
    args.insert(args.end(),
                {"ops", "set:UserName=" + big, "get:UserName", "get:CigConsQty", "get:SetupCompl"});
    const TRunResult r = RunHelper(args, config);
    ASSERT_EQ(r.ExitCode, 0) << r.Output.substr(0, 2000);
    EXPECT_EQ(r.Lines(),
              (std::vector<std::string>{"UserName!ERegistryDiskFull:Fehler beim Setzen der Daten "
                                        "f\u00FCr 'UserName': Auf dem Datentr\u00E4ger deiner "
                                        "Einstellungen ist kein Platz mehr",
                                        "UserName=Erika", "CigConsQty=5", "SetupCompl=1", "done"}))
        << how;
    EXPECT_EQ(Snapshot(HiveFolder(config)), before) << how << ": the hive changed";

    // With room again, the same store writes as before.
    if (mounted) {
        ASSERT_EQ(::unlink((config + "/filler").c_str()), 0);
    }
    const TRunResult again =
        RunHelper({"ops", "set:UserName=" + big.substr(0, 30000), "get:CigConsQty"}, config);
    EXPECT_EQ(again.Lines(), (std::vector<std::string>{"UserName:=ok", "CigConsQty=5", "done"}));
    EXPECT_EQ(Sql(HiveFile(config), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
}

INSTANTIATE_TEST_SUITE_P(Faults, FullDisk, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& param) {
                             return std::string(param.param ? "SmallFileSystem" : "FileSizeLimit");
                         });

// A hive that start-up cannot read: random bytes, a file cut in half, noise over its last
// pages. Start-up says so once, keeps the file aside byte for byte, carries every setting and
// attempt that can still be read into a new hive, and the store is usable at once.
TEST(DamagedHive, IsKeptAsideAndWhatCanBeReadIsCarriedOver) {
    const auto noise = [](std::string& bytes, std::size_t from) {
        for (unsigned i = static_cast<unsigned>(from), x = 4711; i < bytes.size(); ++i) {
            x = x * 1103515245u + 12345u;
            bytes[i] = static_cast<char>(x >> 16);
        }
    };
    const struct {
        const char* Name;
        std::function<void(std::string& bytes)> Damage;
        int Settings, Attempts; // carried over
    } cases[] = {
        {"random bytes", [&](std::string& bytes) { noise(bytes, 0); }, 0, 0},
        {"cut in half", [](std::string& bytes) { bytes.resize(bytes.size() / 2); }, 7, 3},
        {"noise over the last pages",
         [&](std::string& bytes) { noise(bytes, bytes.size() - 16384); }, 7, 3},
    };
    std::vector<std::string> setAll = {"ops"};
    for (int k = 0; k < ValueCount; ++k) {
        std::string op = GetAllOps()[static_cast<std::size_t>(k)];
        setAll.push_back("set:" + op.substr(4) + "=" +
                         (k == 2   ? "6.5"
                          : k == 3 ? "Erika"
                          : k == 5 ? "45000.5"
                                   : "1"));
    }
    setAll.insert(setAll.end(), {"relapse-step", "relapse-step", "relapse-step"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTempFolder tmp;
        const std::string config = tmp.Path() + "/config";
        ASSERT_EQ(RunHelper(setAll, config).ExitCode, 0);
        std::vector<std::string> readAll = GetAllOps();
        readAll.insert(readAll.begin(), "ops");
        readAll.push_back("history");
        const std::vector<std::string> before = RunHelper(readAll, config).Lines();
        // A large value of another key last, so that the last pages are its own.
        Sql(HiveFile(config), "INSERT INTO reg_key VALUES ('Software\\Other'); INSERT INTO "
                              "reg_value VALUES ('Software\\Other', 'x', 3, zeroblob(65536))");
        std::string bytes = ReadFile(HiveFile(config));
        c.Damage(bytes);
        WriteFile(HiveFile(config), bytes);

        std::vector<std::string> start = readAll;
        start.insert(start.begin() + 1, "check");
        start.insert(start.end(), {"set:CigConsQty=9", "get:CigConsQty"});
        const std::vector<std::string> after = RunHelper(start, config).Lines();
        char day[16];
        const std::time_t now = std::time(nullptr);
        std::strftime(day, sizeof day, "%Y-%m-%d", std::localtime(&now));
        const std::string aside = std::string("hkcu-unlesbar-") + day + ".sqlite3";
        std::string said = "check=2:Die Datei deiner Einstellungen " + HiveFile(config) +
                           " kann nicht gelesen werden; sie ist besch\u00E4digt oder keine Datei "
                           "von Pelwick. Pelwick hat sie unver\u00E4ndert als " +
                           aside + " im selben Ordner aufbewahrt";
        said += c.Settings + c.Attempts == 0
                    ? "; nichts darin lie\u00DF sich noch lesen, Pelwick beginnt neu."
                    : " und in eine neue Datei \u00FCbernommen, was sich noch lesen lie\u00DF: " +
                          std::to_string(c.Settings) + " von 7 Einstellungen und " +
                          std::to_string(c.Attempts) + " Versuche aus dem Verlauf.";
        // "check", what was read before without its "done", then the write.
        ASSERT_EQ(after.size(), before.size() + 3) << testing::PrintToString(after);
        EXPECT_EQ(after[0], said);
        if (c.Settings > 0) {
            EXPECT_EQ(std::vector<std::string>(after.begin() + 1, after.end() - 3),
                      std::vector<std::string>(before.begin(), before.end() - 1));
        } else {
            EXPECT_EQ(after[1], "CigConsQty=0");
            EXPECT_EQ(after[after.size() - 4], "history=0");
        }
        EXPECT_EQ(std::vector<std::string>(after.end() - 3, after.end()),
                  (std::vector<std::string>{"CigConsQty:=ok", "CigConsQty=9", "done"}));
        const auto folder = Snapshot(HiveFolder(config));
        ASSERT_EQ(folder.count(aside), 1u);
        EXPECT_EQ(folder.at(aside), bytes) << "kept aside byte for byte";
        EXPECT_EQ(Sql(HiveFile(config), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    }
}

// The SQLite hive's own promises: where the file is, what it holds, that it never harms a file
// it does not understand, and that running copies share it without losing a write.

#include "registry/SqliteHive.h"
#include "registry/RegistryApi.h"
#include "runtime/Text.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

using namespace RegistryApi;
namespace fs = std::filesystem;

namespace {

class SqliteHive : public testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        const char* home = std::getenv("HOME");
        ASSERT_NE(home, nullptr);
        config_ = fs::path(home) / ("config-" + std::to_string(++counter));
        fs::remove_all(config_);
        fs::create_directories(config_);
        ::setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
        SqliteHiveDisconnect();
        file_ = config_ / "pelwick" / "hkcu.sqlite3";
    }

    static LSTATUS Create(const char16_t* path, REGSAM access, HKEY& key) {
        DWORD disposition = 0;
        return RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, access, nullptr, &key,
                               &disposition);
    }
    static LSTATUS Open(const char16_t* path, REGSAM access) {
        HKEY key = 0;
        const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, access, &key);
        if (status == ERROR_SUCCESS) {
            RegCloseKey(key);
        }
        return status;
    }
    static LSTATUS SetDword(const char16_t* path, const char16_t* name, std::uint32_t value) {
        HKEY key = 0;
        LSTATUS status = Create(path, KEY_ALL_ACCESS, key);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        const std::uint8_t data[4] = {
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        status = RegSetValueExW(key, name, 0, REG_DWORD, data, 4);
        RegCloseKey(key);
        return status;
    }
    static std::optional<std::uint32_t> GetDword(const char16_t* path, const char16_t* name) {
        HKEY key = 0;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        std::uint8_t data[4] = {};
        DWORD size = 4;
        const LSTATUS status = RegQueryValueExW(key, name, nullptr, nullptr, data, &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return data[0] | (data[1] << 8) | (data[2] << 16) |
               (static_cast<std::uint32_t>(data[3]) << 24);
    }

    // Rows of a query against the file, opened apart from the hive's own connection.
    std::vector<std::string> Rows(const char* sql) const {
        sqlite3* db = nullptr;
        std::vector<std::string> rows;
        EXPECT_EQ(sqlite3_open_v2(file_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), SQLITE_OK) << sql;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const auto* text = sqlite3_column_text(stmt, i);
                row +=
                    (i ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "");
            }
            rows.push_back(row);
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return rows;
    }

    // The hive's folder as the store makes it: the user's own, closed to others.
    void MakePrivateFolder() const {
        fs::create_directories(file_.parent_path());
        ASSERT_EQ(::chmod(file_.parent_path().c_str(), 0700), 0);
    }

    static unsigned Mode(const fs::path& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st.st_mode & 07777;
    }

    static std::string Contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path config_;
    fs::path file_;
};

struct TLocationCase {
    const char* xdg; // null: unset
    const char* home;
    const char* expected;
};

TEST_F(SqliteHive, LivesInTheUsersConfigFolder) {
    const std::string savedHome = std::getenv("HOME");
    const TLocationCase cases[] = {
        {"/x/config", "/h", "/x/config/pelwick/hkcu.sqlite3"},
        {nullptr, "/h", "/h/.config/pelwick/hkcu.sqlite3"},
        {"", "/h", "/h/.config/pelwick/hkcu.sqlite3"},
        {"relative/config", "/h", "/h/.config/pelwick/hkcu.sqlite3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xdg ? c.xdg : "(unset)");
        if (c.xdg) {
            ::setenv("XDG_CONFIG_HOME", c.xdg, 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        ::setenv("HOME", c.home, 1);
        EXPECT_EQ(SqliteHivePath(), c.expected);
    }
    ::setenv("HOME", savedHome.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
}

TEST_F(SqliteHive, ReadingCreatesNothingAndCreatingMakesPrivateFiles) {
    EXPECT_EQ(SqliteHivePath(), file_.string());
    EXPECT_EQ(Open(u"Software", KEY_READ), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open(u"Software", KEY_ALL_ACCESS), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(config_ / "pelwick"));

    const mode_t savedMask = ::umask(0);
    HKEY key = 0;
    ASSERT_EQ(Create(u"Software\\Korvenda\\Pelwick", KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    ::umask(savedMask);
    EXPECT_EQ(Mode(config_ / "pelwick"), 0700u);
    EXPECT_EQ(Mode(file_), 0600u);

    const std::uint8_t price[8] = {0x00, 0x00, 0x00, 0x40, 0x33, 0x33, 0x15, 0x40};
    ASSERT_EQ(RegSetValueExW(key, u"CigBoxPrice", 0, REG_BINARY, price, 8), ERROR_SUCCESS);
    const std::uint8_t name[8] = {0x61, 0x00, 0x62, 0x00, 0x63, 0x00, 0x00, 0x00};
    ASSERT_EQ(RegSetValueExW(key, u"UserName", 0, REG_SZ, name, 8), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"Odd", 0, 0xFFFFFFFF, nullptr, 0), ERROR_SUCCESS);
    RegCloseKey(key);

    EXPECT_EQ(Rows("PRAGMA user_version"), std::vector<std::string>{"1"});
    EXPECT_EQ(Rows("SELECT sql FROM sqlite_master ORDER BY name"),
              (std::vector<std::string>{
                  "CREATE TABLE reg_key (path TEXT PRIMARY KEY COLLATE NOCASE) WITHOUT ROWID",
                  "CREATE TABLE reg_value (key TEXT NOT NULL COLLATE NOCASE REFERENCES "
                  "reg_key(path), name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, "
                  "data BLOB NOT NULL, PRIMARY KEY (key, name)) WITHOUT ROWID"}));
    EXPECT_EQ(Rows("SELECT path FROM reg_key ORDER BY path"),
              (std::vector<std::string>{"Software", "Software\\Korvenda",
                                        "Software\\Korvenda\\Pelwick"}));
    EXPECT_EQ(
        Rows("SELECT key, name, type, hex(data), typeof(data) FROM reg_value ORDER BY name"),
        (std::vector<std::string>{"Software\\Korvenda\\Pelwick|CigBoxPrice|3|0000004033331540|blob",
                                  "Software\\Korvenda\\Pelwick|Odd|4294967295||blob",
                                  "Software\\Korvenda\\Pelwick|UserName|1|6100620063000000|blob"}));
}

TEST_F(SqliteHive, ReadOnlyAccessStillCreatesAMissingKey) {
    HKEY key = 0;
    ASSERT_EQ(Create(u"Software\\A", KEY_READ, key), ERROR_SUCCESS);
    const std::uint8_t data[4] = {};
    EXPECT_EQ(RegSetValueExW(key, u"v", 0, REG_DWORD, data, 4), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    EXPECT_EQ(Open(u"Software\\A", KEY_READ), ERROR_SUCCESS);
}

struct TForeignCase {
    const char* what;
    const char* sql; // run on a fresh database; null: raw bytes instead
    std::string bytes;
};

TEST_F(SqliteHive, NeverWritesToAFileThatIsNotAHive) {
    const TForeignCase cases[] = {
        {"garbage", nullptr, std::string("this is not a database\n") + std::string(600, 'x')},
        {"another database", "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('mine');",
         ""},
        {"a newer hive",
         "CREATE TABLE reg_key (path TEXT PRIMARY KEY COLLATE NOCASE) WITHOUT ROWID;"
         "CREATE TABLE reg_value (key TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE "
         "NOCASE, type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY (key, name)) WITHOUT "
         "ROWID; PRAGMA user_version = 2;",
         ""},
        {"version 1 without its tables",
         "CREATE TABLE reg_key (path TEXT); PRAGMA user_version = 1;", ""},
        {"an empty database with a page", "PRAGMA user_version = 0; VACUUM;", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SqliteHiveDisconnect();
        fs::remove_all(file_.parent_path());
        MakePrivateFolder();
        if (c.sql) {
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(file_.c_str(), &db), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(db, c.sql, nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        } else {
            std::ofstream(file_, std::ios::binary) << c.bytes;
        }
        ASSERT_EQ(::chmod(file_.c_str(), 0600), 0); // the user's own file, as the store makes it
        const std::string before = Contents(file_);
        ASSERT_FALSE(before.empty());

        EXPECT_EQ(Open(u"Software", KEY_READ), ERROR_BADDB);
        HKEY key = 0;
        EXPECT_EQ(Create(u"Software\\Korvenda\\Pelwick", KEY_ALL_ACCESS, key), ERROR_BADDB);
        EXPECT_EQ(Create(u"Software\\Korvenda\\Pelwick", KEY_READ, key), ERROR_BADDB);
        EXPECT_EQ(SetDword(u"Software", u"v", 1), ERROR_BADDB);

        EXPECT_EQ(Contents(file_), before);
        EXPECT_EQ(std::distance(fs::directory_iterator(file_.parent_path()), {}), 1);
    }
}

TEST_F(SqliteHive, AnEmptyFileBecomesAHive) {
    // What a copy that was stopped between creating the file and its tables leaves behind.
    MakePrivateFolder();
    std::ofstream(file_).close();
    ASSERT_EQ(::chmod(file_.c_str(), 0600), 0);
    EXPECT_EQ(SetDword(u"Software\\Korvenda\\Pelwick", u"v", 7), ERROR_SUCCESS);
    EXPECT_EQ(GetDword(u"Software\\Korvenda\\Pelwick", u"v"), 7u);
}

TEST_F(SqliteHive, EveryCallSeesWhatOthersWrote) {
    ASSERT_EQ(SetDword(u"Software\\K", u"v", 1), ERROR_SUCCESS);
    EXPECT_EQ(GetDword(u"Software\\K", u"v"), 1u);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file_.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other,
                           "UPDATE reg_value SET data = x'02000000' WHERE name = 'V';"
                           "INSERT INTO reg_key VALUES ('Software\\New');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    EXPECT_EQ(GetDword(u"Software\\K", u"v"), 2u);
    EXPECT_EQ(Open(u"software\\new", KEY_READ), ERROR_SUCCESS);

    // A copy of the file, changed and moved over the original, as a restore would do it.
    const fs::path copy = file_.string() + ".new";
    fs::copy_file(file_, copy);
    ASSERT_EQ(sqlite3_open(copy.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(other, "UPDATE reg_value SET data = x'03000000'", nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(other);
    fs::rename(copy, file_);
    EXPECT_EQ(GetDword(u"Software\\K", u"v"), 3u);
    ASSERT_EQ(SetDword(u"Software\\K", u"v", 4), ERROR_SUCCESS);
    EXPECT_EQ(Rows("SELECT hex(data) FROM reg_value WHERE name = 'v'"),
              std::vector<std::string>{"04000000"});
}

// The connection is kept from call to call, but every call looks again at what it reads: a
// folder or file opened to others is refused at once, a hive put in the old one's place is the
// one read, and a folder moved away with a link left behind goes on serving.
TEST_F(SqliteHive, EveryCallLooksAgainAtTheFolderAndTheFile) {
    const fs::path folder = file_.parent_path();
    const fs::path aside = config_ / "aside";
    struct TChange {
        const char* what;
        std::function<void()> make;
        std::function<void()> undo;
        LSTATUS status;
        std::uint32_t value; // read after the change, when the status is success
    };
    const TChange changes[] = {
        {"folder open to the group", [&] { fs::permissions(folder, fs::perms(0750)); },
         [&] { fs::permissions(folder, fs::perms(0700)); }, ERROR_INVALID_SECURITY_DESCR, 0},
        {"file readable by others", [&] { fs::permissions(file_, fs::perms(0604)); },
         [&] { fs::permissions(file_, fs::perms(0600)); }, ERROR_INVALID_SECURITY_DESCR, 0},
        {"another hive in its place",
         [&] {
             fs::copy(folder, config_ / "other");
             sqlite3* other = nullptr;
             ASSERT_EQ(sqlite3_open((config_ / "other" / file_.filename()).c_str(), &other),
                       SQLITE_OK);
             ASSERT_EQ(sqlite3_exec(other, "UPDATE reg_value SET data = x'07000000'", nullptr,
                                    nullptr, nullptr),
                       SQLITE_OK);
             sqlite3_close(other);
             fs::rename(folder, aside);
             fs::rename(config_ / "other", folder);
         },
         [&] {
             fs::remove_all(folder);
             fs::rename(aside, folder);
         },
         ERROR_SUCCESS, 7},
        {"folder moved, a link in its place",
         [&] {
             fs::rename(folder, aside);
             fs::create_directory_symlink(aside, folder);
         },
         [&] {
             fs::remove(folder);
             fs::rename(aside, folder);
         },
         ERROR_SUCCESS, 5},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(SetDword(u"Software\\K", u"v", 5), ERROR_SUCCESS);
        c.make();
        EXPECT_EQ(Open(u"Software\\K", KEY_READ), c.status);
        if (c.status == ERROR_SUCCESS) {
            EXPECT_EQ(GetDword(u"Software\\K", u"v"), c.value);
            EXPECT_EQ(SetDword(u"Software\\K", u"v", 6), ERROR_SUCCESS);
            EXPECT_EQ(Rows("SELECT hex(data) FROM reg_value WHERE name = 'v'"),
                      std::vector<std::string>{"06000000"});
        }
        c.undo();
        EXPECT_EQ(Open(u"Software\\K", KEY_READ), ERROR_SUCCESS);
    }
}

TEST_F(SqliteHive, AWriterWaitsForAnotherCopysLock) {
    ASSERT_EQ(SetDword(u"Software\\K", u"v", 1), ERROR_SUCCESS);
    SqliteHiveDisconnect(); // nothing of this process's connection may cross the fork
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(file_.c_str(), &db);
        const int rc = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        (void)!::write(ready[1], "x", 1);
        ::usleep(1'000'000);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        ::_exit(rc == SQLITE_OK ? 0 : 1);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SetDword(u"Software\\K", u"v", 2), ERROR_SUCCESS);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(GetDword(u"Software\\K", u"v"), 2u);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST_F(SqliteHive, RunningCopiesLoseNoWrite) {
    constexpr int Copies = 3;
    constexpr int Writes = 40;
    SqliteHiveDisconnect();
    std::vector<pid_t> children;
    for (int copy = 0; copy < Copies; ++copy) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int failures = 0;
            for (int i = 0; i < Writes; ++i) {
                const std::u16string name = u"c" + FromUtf8(std::to_string(copy * 1000 + i));
                // Every copy also creates the same new keys, racing for the first row.
                failures += SetDword(u"Software\\Race\\Shared", name.c_str(), i) != ERROR_SUCCESS;
            }
            ::_exit(failures);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    EXPECT_EQ(Rows("SELECT count(*) FROM reg_value"),
              std::vector<std::string>{std::to_string(Copies * Writes)});
    EXPECT_EQ(Rows("SELECT count(*) FROM reg_key"), std::vector<std::string>{"3"});
}

TEST_F(SqliteHive, AnUnwritableHiveRefusesWriteAccessOnly) {
    ASSERT_EQ(SetDword(u"Software\\K", u"v", 5), ERROR_SUCCESS);
    if (::geteuid() == 0 && ::unshare(CLONE_NEWUSER) != 0) {
        GTEST_SKIP() << "root cannot give up its write override here";
    }
    struct TModeCase {
        const char* what;
        unsigned fileMode;
        unsigned folderMode;
    };
    const TModeCase cases[] = {
        {"file read-only", 0400, 0700},
        {"folder read-only", 0600, 0500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(::chmod(file_.c_str(), c.fileMode), 0);
        ASSERT_EQ(::chmod(file_.parent_path().c_str(), c.folderMode), 0);
        HKEY key = 0;
        EXPECT_EQ(Open(u"Software\\K", KEY_ALL_ACCESS), ERROR_ACCESS_DENIED);
        EXPECT_EQ(Open(u"Software\\K", KEY_WRITE), ERROR_ACCESS_DENIED);
        EXPECT_EQ(Create(u"Software\\K", KEY_ALL_ACCESS, key), ERROR_ACCESS_DENIED);
        EXPECT_EQ(Create(u"Software\\Missing", KEY_READ, key), ERROR_ACCESS_DENIED);
        EXPECT_EQ(Open(u"Software\\K", 0x20009), ERROR_SUCCESS);
        EXPECT_EQ(GetDword(u"Software\\K", u"v"), 5u);
        ASSERT_EQ(Create(u"Software\\K", KEY_READ, key), ERROR_SUCCESS);
        RegCloseKey(key);
        // A connection made while the hive was unwritable does not keep writes away later.
        ASSERT_EQ(::chmod(file_.c_str(), 0600), 0);
        ASSERT_EQ(::chmod(file_.parent_path().c_str(), 0700), 0);
        EXPECT_EQ(SetDword(u"Software\\K", u"v", 5), ERROR_SUCCESS);
    }
}

} // namespace

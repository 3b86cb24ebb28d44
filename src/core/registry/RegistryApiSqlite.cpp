// HKEY_CURRENT_USER emulated in one SQLite file, shared safely by every running copy: each call
// is one transaction, writers wait for each other, and nothing is cached but the connection.
// The file and its folder must be the user's own and closed to others; links in the folders
// above are followed, the file itself is never a link.

#include "registry/RegistryApi.h"
#include "registry/SqliteHive.h"
#include "registry/StoreFile.h"

#include "runtime/Text.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h> // renameat2
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

using namespace RegistryApi;

namespace {

constexpr int SchemaVersion = 1;
// Another running copy holds the lock for milliseconds and commits again and again; a call
// waits for it rather than fails. A lock under which the hive file does not change for this
// long is another program's, and the call fails with ERROR_LOCK_VIOLATION, so that a window is
// never frozen for long without a word. Once a call has failed so, the next ones wait only
// briefly until one gets through again. However the file changes, no call waits longer than
// the cap.
constexpr long LockWaitUs = 1'500'000;
constexpr long LockedOutWaitUs = 250'000;
constexpr long LockWaitCapUs = 10'000'000;
// Free pages beyond this in a hive made without auto-vacuum (by an earlier version or another
// program) have the hive rebuilt with it after a write, once.
constexpr sqlite3_int64 FreeBytesBeforeVacuum = 1 << 20;
// Longest level name that the reference registry accepts, in UTF-16 code units.
constexpr std::size_t MaxLevelLength = 256;
constexpr REGSAM WriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE |
                               WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// The hive's whole shape: a file whose tables are not exactly these (keys, collations, no
// rowid; no other table, index, view or trigger) is someone else's and is never written.
const char* const KeyTableSql =
    "CREATE TABLE reg_key (path TEXT PRIMARY KEY COLLATE NOCASE) WITHOUT ROWID";
const char* const ValueTableSql =
    "CREATE TABLE reg_value (key TEXT NOT NULL COLLATE NOCASE REFERENCES reg_key(path), "
    "name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, data BLOB NOT NULL, "
    "PRIMARY KEY (key, name)) WITHOUT ROWID";
// Auto-vacuum gives the pages of a replaced huge value back to the file system at the commit.
const std::string SchemaSql = std::string("PRAGMA auto_vacuum = FULL;") + KeyTableSql + ";" +
                              ValueTableSql + ";PRAGMA user_version = 1;";

// The SQL text as SQLite keeps it, with every run of white space made one space: a hive made
// from the README's layout, line breaks and all, has the same shape.
std::string Normalized(const char* sql) {
    std::string text;
    bool space = false;
    for (const char* p = sql; *p; ++p) {
        if (std::isspace(static_cast<unsigned char>(*p))) {
            space = !text.empty();
        } else {
            if (space) {
                text += ' ';
                space = false;
            }
            text += *p;
        }
    }
    return text;
}

// How long a call waits for the lock, and what it has seen of the file meanwhile.
struct TLockWait {
    const long* Limit; // microseconds without a change to the file
    std::string File;
    std::chrono::steady_clock::time_point Start;
    std::chrono::steady_clock::time_point LastChange;
    struct stat Seen {};
};

// Whether the file changed since last seen: a commit of the lock's holder writes it. Only
// stat: opening and closing the file here would drop this process's own locks on it.
bool FileChanged(TLockWait& wait) {
    struct stat st {};
    if (::stat(wait.File.c_str(), &st) != 0) {
        return false;
    }
    const bool changed = st.st_ino != wait.Seen.st_ino || st.st_size != wait.Seen.st_size ||
                         st.st_mtim.tv_sec != wait.Seen.st_mtim.tv_sec ||
                         st.st_mtim.tv_nsec != wait.Seen.st_mtim.tv_nsec;
    wait.Seen = st;
    return changed;
}

// SQLite's own busy timeout backs off to 100 ms between attempts; a copy that writes in a loop
// then takes the lock again in the short gaps between and starves the waiting one for
// seconds. Trying again every millisecond (with jitter, so two waiters do not march in step)
// gets through the first gap.
int WaitWhileBusy(void* arg, int attempts) {
    using TClock = std::chrono::steady_clock;
    auto& wait = *static_cast<TLockWait*>(arg);
    static unsigned jitter = static_cast<unsigned>(::getpid());
    const auto now = TClock::now();
    if (attempts == 0) {
        wait.Start = wait.LastChange = now;
        FileChanged(wait);
    } else if (attempts % 8 == 0 && FileChanged(wait)) {
        wait.LastChange = now;
    }
    jitter = jitter * 1103515245u + 12345u;
    const long pause = attempts < 20 ? 100 : 500 + static_cast<long>((jitter >> 16) % 1000);
    auto micros = [&](TClock::time_point since) {
        return std::chrono::duration_cast<std::chrono::microseconds>(now - since).count();
    };
    if (micros(wait.LastChange) + pause > *wait.Limit ||
        micros(wait.Start) + pause > LockWaitCapUs) {
        return 0;
    }
    ::usleep(static_cast<useconds_t>(pause));
    return 1;
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

struct TOpenKey {
    std::string path; // as stored, levels joined by '\'; empty for the root
    REGSAM access;
};

class TStatement {
public:
    TStatement() = default;
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;
    ~TStatement() { sqlite3_finalize(stmt_); }

    int Prepare(sqlite3* db, const char* sql) {
        return sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    }
    sqlite3_stmt* Get() const { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Resets a kept statement however the step that used it ended.
class TStep {
public:
    explicit TStep(const TStatement& statement) : stmt_(statement.Get()) {}
    TStep(const TStep&) = delete;
    TStep& operator=(const TStep&) = delete;
    ~TStep() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    sqlite3_stmt* operator*() const { return stmt_; }

private:
    sqlite3_stmt* stmt_;
};

LSTATUS FromSqlite(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return ERROR_SUCCESS;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_SCHEMA:
        return ERROR_BADDB;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_LOCK_VIOLATION;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

class TConnection {
public:
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;
    // close_v2 lets the kept statements below finalise afterwards, as members do.
    ~TConnection() { sqlite3_close_v2(db_); }

    // Opens an existing hive file; an empty file (just created by this or another copy) gets
    // the schema. Anything else that is not a hive of this schema is left untouched.
    // The file's path has no link in it but, perhaps, the file itself: the no-follow flag
    // refuses that one.
    static LSTATUS Open(const std::string& file, bool writable, bool fileIsEmpty,
                        const long* lockWait, std::unique_ptr<TConnection>& result) {
        // SQLite sets up a page cache of twenty pages at the first open and touches every
        // one; a hive has a handful. Without the set-up, pages are allocated as they are read.
        // Settable only before SQLite's first use in the process, so later calls change
        // nothing.
        static const int pageCacheSetUp = sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
        static_cast<void>(pageCacheSetUp);
        std::unique_ptr<TConnection> c(new TConnection(writable));
        c->lockWait_.Limit = lockWait;
        c->lockWait_.File = file;
        const int flags = (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) |
                          SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW;
        int rc = sqlite3_open_v2(file.c_str(), &c->db_, flags, nullptr);
        if (rc != SQLITE_OK) {
            return FromSqlite(rc);
        }
        sqlite3_extended_result_codes(c->db_, 1);
        sqlite3_busy_handler(c->db_, WaitWhileBusy, &c->lockWait_);
        // A commit is durable when the setter returns: EXTRA syncs the folder after the
        // journal's removal too, so that a power cut cannot bring the journal back and roll
        // the commit back.
        if ((rc = sqlite3_exec(c->db_, "PRAGMA synchronous = EXTRA", nullptr, nullptr, nullptr)) !=
            SQLITE_OK) {
            return FromSqlite(rc);
        }
        LSTATUS status = c->CheckSchema(fileIsEmpty, writable);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        // A value is found by walking the rows, never by a search through the table's tree:
        // a search compares the name with whole rows, and SQLite reads a row that overflows
        // its page in full to compare it, so that one huge value would be read at every read
        // of any other. The walk reads each row's first columns only. The unary plus keeps the
        // columns' NOCASE and keeps the primary key out of use.
        if ((rc = c->findKey_.Prepare(c->db_, "SELECT path FROM reg_key WHERE path = ?1")) ||
            (rc = c->insertKey_.Prepare(c->db_, "INSERT INTO reg_key (path) VALUES (?1)")) ||
            (rc = c->findValue_.Prepare(
                 c->db_, "SELECT type, data FROM reg_value WHERE +key = ?1 AND +name = ?2")) ||
            (rc =
                 c->setValue_.Prepare(c->db_, "INSERT OR REPLACE INTO reg_value "
                                              "(key, name, type, data) VALUES (?1, ?2, ?3, ?4)"))) {
            return FromSqlite(rc);
        }
        result = std::move(c);
        return ERROR_SUCCESS;
    }

    bool Writable() const { return writable_; }

    // Whether every page of the file reads as SQLite wrote it: ERROR_BADDB where one does not.
    LSTATUS QuickCheck() {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(db_, "PRAGMA quick_check(1)", -1, &stmt, nullptr);
        bool fine = false;
        if (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            fine = text != nullptr && std::strcmp(text, "ok") == 0;
            rc = SQLITE_OK;
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_OK) {
            return FromSqlite(rc);
        }
        return fine ? ERROR_SUCCESS : ERROR_BADDB;
    }

    // The stored spelling of a key's path, when the key exists. The root always exists.
    LSTATUS FindKey(const std::string& path, std::string* stored) {
        if (path.empty()) {
            if (stored) {
                stored->clear();
            }
            return ERROR_SUCCESS;
        }
        TStep step(findKey_);
        sqlite3_bind_text(*step, 1, path.data(), static_cast<int>(path.size()), SQLITE_STATIC);
        const int rc = sqlite3_step(*step);
        if (rc == SQLITE_DONE) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (rc != SQLITE_ROW) {
            return FromSqlite(rc);
        }
        if (stored) {
            stored->assign(reinterpret_cast<const char*>(sqlite3_column_text(*step, 0)),
                           static_cast<std::size_t>(sqlite3_column_bytes(*step, 0)));
        }
        return ERROR_SUCCESS;
    }

    // Creates every missing level below the root in one transaction; returns the stored path.
    LSTATUS CreateKey(const std::vector<std::string>& fullLevels, std::string& stored,
                      bool& created) {
        TTransaction txn(db_);
        int rc = txn.Begin();
        if (rc != SQLITE_OK) {
            return FromSqlite(rc);
        }
        stored.clear();
        created = false;
        for (const auto& level : fullLevels) {
            std::string candidate = stored.empty() ? level : stored + '\\' + level;
            std::string found;
            LSTATUS status = FindKey(candidate, &found);
            if (status == ERROR_FILE_NOT_FOUND) {
                TStep step(insertKey_);
                sqlite3_bind_text(*step, 1, candidate.data(), static_cast<int>(candidate.size()),
                                  SQLITE_STATIC);
                rc = sqlite3_step(*step);
                if (rc != SQLITE_DONE) {
                    return WriteFailed(rc);
                }
                found = candidate;
                created = true;
            } else if (status != ERROR_SUCCESS) {
                return status;
            }
            stored = std::move(found);
        }
        return WriteFailed(txn.Commit());
    }

    LSTATUS QueryValue(const std::string& key, const std::string& name, DWORD* type,
                       std::uint8_t* data, DWORD* dataSize) {
        TStep step(findValue_);
        sqlite3_bind_text(*step, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
        sqlite3_bind_text(*step, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        const int rc = sqlite3_step(*step);
        if (rc == SQLITE_DONE) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (rc != SQLITE_ROW) {
            return FromSqlite(rc);
        }
        const auto storedType = static_cast<DWORD>(sqlite3_column_int64(*step, 0));
        const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(*step, 1));
        const auto size = static_cast<DWORD>(sqlite3_column_bytes(*step, 1));
        LSTATUS status = ERROR_SUCCESS;
        if (data) {
            if (size > *dataSize) {
                status = ERROR_MORE_DATA;
            } else {
                if (size > 0) {
                    std::memcpy(data, bytes, size);
                }
                // A text stored without its terminating NUL gets one in the caller's buffer
                // when there is room, as the reference registry does; the size stays as stored.
                if (IsStringType(storedType) && size > 0 && size + 2 <= *dataSize &&
                    (bytes[size - 1] != 0 || (size >= 2 && bytes[size - 2] != 0))) {
                    data[size] = 0;
                    data[size + 1] = 0;
                }
            }
        }
        if (type) {
            *type = storedType;
        }
        if (dataSize) {
            *dataSize = size;
        }
        return status;
    }

    LSTATUS SetValue(const std::string& key, const std::string& name, DWORD type,
                     const std::uint8_t* data, DWORD dataSize) {
        TTransaction txn(db_);
        int rc = txn.Begin();
        if (rc != SQLITE_OK) {
            return FromSqlite(rc);
        }
        // Another program may have deleted the key since it was opened.
        LSTATUS status = FindKey(key, nullptr);
        if (status == ERROR_FILE_NOT_FOUND) {
            return ERROR_KEY_DELETED;
        }
        if (status != ERROR_SUCCESS) {
            return status;
        }
        {
            TStep step(setValue_);
            sqlite3_bind_text(*step, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
            sqlite3_bind_text(*step, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
            sqlite3_bind_int64(*step, 3, static_cast<sqlite3_int64>(type));
            // A NULL blob would break NOT NULL: an empty value is a zero-length blob.
            if (dataSize == 0) {
                sqlite3_bind_zeroblob(*step, 4, 0);
            } else {
                sqlite3_bind_blob(*step, 4, data, static_cast<int>(dataSize), SQLITE_STATIC);
            }
            rc = sqlite3_step(*step);
            if (rc != SQLITE_DONE) {
                return WriteFailed(rc);
            }
        }
        if ((rc = txn.Commit()) != SQLITE_OK) {
            return WriteFailed(rc);
        }
        ReclaimFreeSpace();
        return ERROR_SUCCESS;
    }

private:
    // BEGIN IMMEDIATE takes the write lock up front, so the busy timeout covers the whole wait
    // for another copy; a deferred transaction could fail at once on the upgrade instead.
    class TTransaction {
    public:
        explicit TTransaction(sqlite3* db) : db_(db) {}
        TTransaction(const TTransaction&) = delete;
        TTransaction& operator=(const TTransaction&) = delete;
        ~TTransaction() {
            if (open_) {
                sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            }
        }
        int Begin() {
            const int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            open_ = rc == SQLITE_OK;
            return rc;
        }
        int Commit() {
            const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
            open_ = rc != SQLITE_OK && sqlite3_get_autocommit(db_) == 0;
            return rc;
        }

    private:
        sqlite3* db_;
        bool open_ = false;
    };

    explicit TConnection(bool writable) : writable_(writable) {}

    // A write's failure; one that found no room says so, however SQLite names it (a write cut
    // short by a full disk or by the file-size limit is an I/O error with that cause).
    // The main file's own record is asked too: the rollback after the failure may have
    // overwritten the connection's.
    LSTATUS WriteFailed(int rc) const {
        int fileCause = 0;
        sqlite3_file_control(db_, "main", SQLITE_FCNTL_LAST_ERRNO, &fileCause);
        const auto noRoom = [](int cause) {
            return cause == ENOSPC || cause == EDQUOT || cause == EFBIG;
        };
        if ((rc & 0xFF) == SQLITE_IOERR &&
            (noRoom(sqlite3_system_errno(db_)) || noRoom(fileCause))) {
            return ERROR_DISK_FULL;
        }
        return FromSqlite(rc);
    }

    static int ReadHeader(sqlite3* db, int& version, int& objects) {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(
            db,
            "SELECT (SELECT user_version FROM pragma_user_version), count(*) FROM sqlite_master",
            -1, &stmt, nullptr);
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW) {
                version = sqlite3_column_int(stmt, 0);
                objects = sqlite3_column_int(stmt, 1);
                rc = SQLITE_OK;
            }
        }
        sqlite3_finalize(stmt);
        return rc;
    }

    // Only a file that was empty is taken for a hive still to be made; a database with no
    // tables but a header is someone else's.
    LSTATUS CheckSchema(bool fileIsEmpty, bool writable) {
        int version = 0;
        int objects = 0;
        int rc = ReadHeader(db_, version, objects);
        if (rc != SQLITE_OK) {
            return FromSqlite(rc);
        }
        if (version == 0 && objects == 0 && fileIsEmpty) {
            if (!writable) {
                return ERROR_FILE_NOT_FOUND;
            }
            TTransaction txn(db_);
            if ((rc = txn.Begin()) != SQLITE_OK) {
                return FromSqlite(rc);
            }
            // Another copy may have initialised it while this one waited for the lock.
            if ((rc = ReadHeader(db_, version, objects)) != SQLITE_OK) {
                return FromSqlite(rc);
            }
            if (version == 0 && objects == 0) {
                if ((rc = sqlite3_exec(db_, SchemaSql.c_str(), nullptr, nullptr, nullptr)) !=
                        SQLITE_OK ||
                    (rc = txn.Commit()) != SQLITE_OK) {
                    return FromSqlite(rc);
                }
                return ERROR_SUCCESS;
            }
        }
        if (version != SchemaVersion) {
            return ERROR_BADDB;
        }
        // Exactly the two tables, each of exactly its shape.
        sqlite3_stmt* stmt = nullptr;
        rc = sqlite3_prepare_v2(db_,
                                "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name",
                                -1, &stmt, nullptr);
        std::vector<std::string> found;
        while (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < 4; ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                row += (i ? "|" : "") + (text ? Normalized(text) : std::string("NULL"));
            }
            found.push_back(std::move(row));
            rc = SQLITE_OK;
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) {
            return FromSqlite(rc);
        }
        const std::vector<std::string> expected = {
            "table|reg_key|reg_key|" + Normalized(KeyTableSql),
            "table|reg_value|reg_value|" + Normalized(ValueTableSql)};
        return found == expected ? ERROR_SUCCESS : ERROR_BADDB;
    }

    // After a write that left many pages free in a hive made without auto-vacuum: the hive is
    // rebuilt once with it. A failure changes nothing; the write is committed already.
    void ReclaimFreeSpace() {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_int64 autoVacuum = 1;
        sqlite3_int64 freeBytes = 0;
        if (sqlite3_prepare_v2(db_,
                               "SELECT (SELECT auto_vacuum FROM pragma_auto_vacuum), "
                               "(SELECT freelist_count FROM pragma_freelist_count) * "
                               "(SELECT page_size FROM pragma_page_size)",
                               -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            autoVacuum = sqlite3_column_int64(stmt, 0);
            freeBytes = sqlite3_column_int64(stmt, 1);
        }
        sqlite3_finalize(stmt);
        if (autoVacuum == 0 && freeBytes > FreeBytesBeforeVacuum) {
            sqlite3_exec(db_, "PRAGMA auto_vacuum = FULL; VACUUM", nullptr, nullptr, nullptr);
        }
    }

    sqlite3* db_ = nullptr;
    bool writable_;
    TLockWait lockWait_{};
    TStatement findKey_;
    TStatement insertKey_;
    TStatement findValue_;
    TStatement setValue_;
};

std::string Directory(const std::string& file) {
    return file.substr(0, file.rfind('/'));
}

// A rollback journal beside the file is part of every write.
bool Writable(const std::string& file, const std::string& dir) {
    return ::access(file.c_str(), W_OK) == 0 && ::access(dir.c_str(), W_OK) == 0;
}

// mkdir -p with mode 0700 for every folder it creates.
bool MakeFolders(const std::string& dir) {
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = dir.find('/', pos + 1);
        const std::string part = dir.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) == 0) {
            ::chmod(part.c_str(), 0700); // the umask may have taken more away
        } else if (errno != EEXIST) {
            return false;
        }
    }
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateEmptyFile(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return errno == EEXIST; // another copy was first
    }
    ::fchmod(fd, 0600);
    ::close(fd);
    return true;
}

// The user's own, with no access for group or others.
bool Private(const struct stat& st, uid_t user) {
    return st.st_uid == user && (st.st_mode & 077) == 0;
}

// The folder with every link in its path resolved, as the user set them up; empty when it does
// not exist (or cannot be reached).
std::string ResolvedFolder(const std::string& dir) {
    char resolved[PATH_MAX];
    if (!::realpath(dir.c_str(), resolved)) {
        return std::string();
    }
    return resolved;
}

class THive {
public:
    std::mutex Mutex;

    // A connection fit for the call, or null with ERROR_SUCCESS when the hive does not exist
    // yet and the call may not create it (reads and plain opens create nothing).
    LSTATUS Connect(bool forWrite, TConnection*& result, bool mayCreate = true) {
        result = nullptr;
        const std::string asSet = SqliteHivePath();
        if (asSet.empty()) {
            return ERROR_REGISTRY_IO_FAILED;
        }
        const uid_t user = ::geteuid();
        if (StillServes(asSet, forWrite, user)) {
            result = connection_.get();
            return ERROR_SUCCESS;
        }
        // Links above the hive's folder, and the folder itself being one, are followed: the
        // hive lives where the folder resolves to, and the journal beside it.
        std::string dir = ResolvedFolder(Directory(asSet));
        if (dir.empty()) {
            connection_.reset();
            if (!forWrite || !mayCreate) {
                return ERROR_SUCCESS;
            }
            if (!MakeFolders(Directory(asSet)) ||
                (dir = ResolvedFolder(Directory(asSet))).empty()) {
                return ERROR_ACCESS_DENIED;
            }
        }
        // A folder that is not the user's own and closed to others is refused before anything
        // in it is read or made: another user could have put the file there or could replace it.
        struct stat folder {};
        if (::lstat(dir.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
            connection_.reset();
            return ERROR_ACCESS_DENIED;
        }
        if (!Private(folder, user)) {
            connection_.reset();
            return ERROR_INVALID_SECURITY_DESCR;
        }
        const std::string file = dir + asSet.substr(asSet.rfind('/'));
        struct stat st {};
        bool exists = ::lstat(file.c_str(), &st) == 0;
        if (exists && S_ISREG(st.st_mode) && !Private(st, user)) {
            connection_.reset();
            return ERROR_INVALID_SECURITY_DESCR;
        }
        // Another program may have removed or replaced the file since the connection was
        // made; the old one would go on reading, and writing, a file nobody sees any more.
        if (connection_ &&
            (file != file_ || !exists || st.st_dev != device_ || st.st_ino != inode_)) {
            connection_.reset();
        }
        if (forWrite) {
            if (exists) {
                if (!Writable(file, dir)) {
                    return ERROR_ACCESS_DENIED;
                }
            } else if (!mayCreate) {
                return ERROR_SUCCESS;
            } else {
                if (::access(dir.c_str(), W_OK) != 0 || !CreateEmptyFile(file) ||
                    ::lstat(file.c_str(), &st) != 0) {
                    return ERROR_ACCESS_DENIED;
                }
                exists = true;
            }
            if (connection_ && !connection_->Writable()) {
                connection_.reset();
            }
        }
        if (!connection_) {
            if (!exists) {
                return ERROR_SUCCESS;
            }
            // A link or anything else but a file is refused by the open, as it always was.
            std::unique_ptr<TConnection> opened;
            const LSTATUS status =
                TConnection::Open(file, forWrite || Writable(file, dir),
                                  S_ISREG(st.st_mode) && st.st_size == 0, &lockWait_, opened);
            if (status == ERROR_FILE_NOT_FOUND) {
                return ERROR_SUCCESS; // an empty file that this call may not initialise
            }
            if (status != ERROR_SUCCESS) {
                return status;
            }
            connection_ = std::move(opened);
            file_ = file;
            device_ = st.st_dev;
            inode_ = st.st_ino;
            folderDevice_ = folder.st_dev;
            folderInode_ = folder.st_ino;
        }
        result = connection_.get();
        return ERROR_SUCCESS;
    }

    // Every call's outcome: a call that failed on another program's lock makes the next ones
    // wait only briefly, until one gets through.
    LSTATUS Noted(LSTATUS status) {
        lockWait_ = status == ERROR_LOCK_VIOLATION ? LockedOutWaitUs : LockWaitUs;
        return status;
    }

    void Disconnect() { connection_.reset(); }

    // The open key behind a handle; the predefined root is always open.
    const TOpenKey* Find(HKEY key) const {
        static const TOpenKey root{std::string(), KEY_ALL_ACCESS};
        if (key == HKEY_CURRENT_USER) {
            return &root;
        }
        const auto it = handles_.find(key);
        return it == handles_.end() ? nullptr : &it->second;
    }

    HKEY Add(std::string path, REGSAM access) {
        nextHandle_ += 4;
        handles_.emplace(nextHandle_, TOpenKey{std::move(path), access});
        return nextHandle_;
    }

    bool Remove(HKEY key) { return handles_.erase(key) == 1; }

private:
    // While the folder that the set path leads to and the file in it are still the very ones
    // the connection was made for, and still private, two lookups tell so; the full way
    // resolves every link in the path again at every call. Anything else takes the full way,
    // which also says what is wrong. The file is looked up by the path the connection uses,
    // so the journal still lands beside it.
    bool StillServes(const std::string& asSet, bool forWrite, uid_t user) const {
        if (!connection_ || (forWrite && !connection_->Writable())) {
            return false;
        }
        struct stat folder {};
        struct stat file {};
        return ::stat(Directory(asSet).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode) &&
               folder.st_dev == folderDevice_ && folder.st_ino == folderInode_ &&
               Private(folder, user) && ::lstat(file_.c_str(), &file) == 0 &&
               S_ISREG(file.st_mode) && file.st_dev == device_ && file.st_ino == inode_ &&
               Private(file, user) && (!forWrite || Writable(file_, Directory(file_)));
    }

    std::unique_ptr<TConnection> connection_;
    std::string file_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    dev_t folderDevice_ = 0;
    ino_t folderInode_ = 0;
    std::map<HKEY, TOpenKey> handles_;
    HKEY nextHandle_ = 0x1000;
    long lockWait_ = LockWaitUs; // read by the connection's busy handler
};

THive& Hive() {
    static THive hive;
    return hive;
}

// Splits a relative path into its levels. Repeated and trailing separators are ignored, as the
// reference registry does; a leading one is an error there too.
LSTATUS SplitPath(const char16_t* subKey, std::vector<std::string>& levels) {
    levels.clear();
    if (!subKey) {
        return ERROR_SUCCESS;
    }
    const std::u16string_view path(subKey);
    if (!path.empty() && path.front() == u'\\') {
        return ERROR_BAD_PATHNAME;
    }
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            if (end - start > MaxLevelLength) {
                return ERROR_INVALID_PARAMETER;
            }
            levels.push_back(ToUtf8(path.substr(start, end - start)));
        }
        start = end + 1;
    }
    return ERROR_SUCCESS;
}

std::string JoinPath(const std::string& base, const std::vector<std::string>& levels) {
    std::string path = base;
    for (const auto& level : levels) {
        if (!path.empty()) {
            path += '\\';
        }
        path += level;
    }
    return path;
}

std::vector<std::string> AllLevels(const std::string& path) {
    std::vector<std::string> levels;
    std::size_t start = 0;
    while (start <= path.size() && !path.empty()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        levels.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return levels;
}

// The open key a path is taken from and the path's levels; the caller holds the hive's lock.
LSTATUS ResolveSubKey(HKEY key, const char16_t* subKey, const TOpenKey*& base,
                      std::vector<std::string>& levels) {
    base = Hive().Find(key);
    if (!base) {
        return ERROR_INVALID_HANDLE;
    }
    return SplitPath(subKey, levels);
}

// The open key of a handle, if it was opened with one of `rights`; the caller holds the lock.
LSTATUS FindWithRights(HKEY key, REGSAM rights, const TOpenKey*& open) {
    open = Hive().Find(key);
    if (!open) {
        return ERROR_INVALID_HANDLE;
    }
    return (open->access & rights) == 0 ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

std::string ValueName(const char16_t* name) {
    return name ? ToUtf8(name) : std::string();
}

} // namespace

std::string SqliteHivePath() {
    std::string base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        std::string homeDir = home && home[0] == '/' ? home : "";
        if (homeDir.empty()) {
            if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0]) {
                homeDir = pw->pw_dir;
            }
        }
        if (homeDir.empty()) {
            return std::string();
        }
        base = homeDir + "/.config";
    }
    return base + "/pelwick/hkcu.sqlite3";
}

void SqliteHiveDisconnect() {
    std::lock_guard lock(Hive().Mutex);
    Hive().Disconnect();
}

namespace RegistryApi {

static LSTATUS CreateKeyExWLocked(HKEY key, const char16_t* subKey, DWORD reserved,
                                  char16_t* keyClass, DWORD options, REGSAM samDesired,
                                  void* securityAttributes, HKEY* result, DWORD* disposition) {
    // The hive keeps no class strings, volatility or security descriptors.
    static_cast<void>(keyClass);
    static_cast<void>(options);
    static_cast<void>(securityAttributes);
    if (reserved != 0 || !result) {
        return ERROR_INVALID_PARAMETER;
    }
    const TOpenKey* base = nullptr;
    std::vector<std::string> levels;
    LSTATUS status = ResolveSubKey(key, subKey, base, levels);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const std::string path = JoinPath(base->path, levels);
    TConnection* c = nullptr;
    if ((status = Hive().Connect((samDesired & WriteRights) != 0, c)) != ERROR_SUCCESS) {
        return status;
    }
    std::string stored;
    status = c ? c->FindKey(path, &stored) : (path.empty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
    bool created = false;
    if (status == ERROR_FILE_NOT_FOUND) {
        // Creating writes to the hive, whatever the access asked for the new handle.
        if ((status = Hive().Connect(true, c)) != ERROR_SUCCESS) {
            return status;
        }
        if (!c) {
            return ERROR_REGISTRY_IO_FAILED;
        }
        if (!base->path.empty() && c->FindKey(base->path, nullptr) == ERROR_FILE_NOT_FOUND) {
            return ERROR_KEY_DELETED;
        }
        status = c->CreateKey(AllLevels(path), stored, created);
    }
    if (status != ERROR_SUCCESS) {
        return status;
    }
    *result = Hive().Add(std::move(stored), samDesired);
    if (disposition) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    return ERROR_SUCCESS;
}

static LSTATUS OpenKeyExWLocked(HKEY key, const char16_t* subKey, DWORD options, REGSAM samDesired,
                                HKEY* result) {
    static_cast<void>(options);
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    const TOpenKey* base = nullptr;
    std::vector<std::string> levels;
    LSTATUS status = ResolveSubKey(key, subKey, base, levels);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (levels.empty() && key == HKEY_CURRENT_USER) {
        *result = key; // the predefined root opens as itself
        return ERROR_SUCCESS;
    }
    TConnection* c = nullptr;
    if ((status = Hive().Connect((samDesired & WriteRights) != 0, c, false)) != ERROR_SUCCESS) {
        return status;
    }
    if (!c) {
        return ERROR_FILE_NOT_FOUND;
    }
    std::string stored;
    if ((status = c->FindKey(JoinPath(base->path, levels), &stored)) != ERROR_SUCCESS) {
        return status;
    }
    *result = Hive().Add(std::move(stored), samDesired);
    return ERROR_SUCCESS;
}

static LSTATUS QueryValueExWLocked(HKEY key, const char16_t* valueName, DWORD* reserved,
                                   DWORD* type, std::uint8_t* data, DWORD* dataSize) {
    if (reserved || (data && !dataSize)) {
        return ERROR_INVALID_PARAMETER;
    }
    const TOpenKey* open = nullptr;
    if (const LSTATUS found =
            FindWithRights(key, KEY_QUERY_VALUE | GENERIC_READ | GENERIC_ALL, open);
        found != ERROR_SUCCESS) {
        return found;
    }
    TConnection* c = nullptr;
    LSTATUS status = Hive().Connect(false, c);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (!c) {
        return ERROR_FILE_NOT_FOUND;
    }
    return c->QueryValue(open->path, ValueName(valueName), type, data, dataSize);
}

static LSTATUS SetValueExWLocked(HKEY key, const char16_t* valueName, DWORD reserved, DWORD type,
                                 const std::uint8_t* data, DWORD dataSize) {
    static_cast<void>(reserved); // ignored by the reference registry too
    if (!data && dataSize > 0) {
        return ERROR_NOACCESS;
    }
    const TOpenKey* open = nullptr;
    if (const LSTATUS found =
            FindWithRights(key, KEY_SET_VALUE | GENERIC_WRITE | GENERIC_ALL, open);
        found != ERROR_SUCCESS) {
        return found;
    }
    const std::string path = open->path;
    TConnection* c = nullptr;
    const LSTATUS status = Hive().Connect(true, c);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (!c) {
        return ERROR_REGISTRY_IO_FAILED;
    }
    return c->SetValue(path, ValueName(valueName), type, data, dataSize);
}

LSTATUS RegCreateKeyExW(HKEY key, const char16_t* subKey, DWORD reserved, char16_t* keyClass,
                        DWORD options, REGSAM samDesired, void* securityAttributes, HKEY* result,
                        DWORD* disposition) {
    std::lock_guard lock(Hive().Mutex);
    return Hive().Noted(CreateKeyExWLocked(key, subKey, reserved, keyClass, options, samDesired,
                                           securityAttributes, result, disposition));
}

LSTATUS RegOpenKeyExW(HKEY key, const char16_t* subKey, DWORD options, REGSAM samDesired,
                      HKEY* result) {
    std::lock_guard lock(Hive().Mutex);
    return Hive().Noted(OpenKeyExWLocked(key, subKey, options, samDesired, result));
}

LSTATUS RegQueryValueExW(HKEY key, const char16_t* valueName, DWORD* reserved, DWORD* type,
                         std::uint8_t* data, DWORD* dataSize) {
    std::lock_guard lock(Hive().Mutex);
    return Hive().Noted(QueryValueExWLocked(key, valueName, reserved, type, data, dataSize));
}

LSTATUS RegSetValueExW(HKEY key, const char16_t* valueName, DWORD reserved, DWORD type,
                       const std::uint8_t* data, DWORD dataSize) {
    std::lock_guard lock(Hive().Mutex);
    return Hive().Noted(SetValueExWLocked(key, valueName, reserved, type, data, dataSize));
}

LSTATUS RegCloseKey(HKEY key) {
    std::lock_guard lock(Hive().Mutex);
    if (key == HKEY_CURRENT_USER) {
        return ERROR_SUCCESS;
    }
    return Hive().Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegFlushKey(HKEY key) {
    // Every call commits durably already (synchronous = EXTRA: the file, the journal and the
    // folder after the journal's removal are synced before the call returns); there is
    // nothing left to write back.
    std::lock_guard lock(Hive().Mutex);
    return Hive().Find(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

} // namespace RegistryApi

// The file at start: one that cannot be read as a hive is set aside and what can still be read
// from it carried into a new one; one that may only be read is said so once.

namespace {

// The hive file where the links in its path lead; empty when its folder does not exist.
std::string ResolvedHiveFile() {
    const std::string asSet = SqliteHivePath();
    if (asSet.empty()) {
        return std::string();
    }
    const std::string dir = ResolvedFolder(Directory(asSet));
    return dir.empty() ? std::string() : dir + asSet.substr(asSet.rfind('/'));
}

std::string ReadOnlyReason(const std::string& file) {
    const auto refused = [](const std::string& path) {
        return ::access(path.c_str(), W_OK) == 0 ? 0 : errno;
    };
    const std::string dir = Directory(file);
    if (const int why = refused(file); why != 0) {
        return "die Datei deiner Einstellungen " + file +
               (why == EROFS ? " liegt auf einem schreibgesch\u00FCtzten Datentr\u00E4ger"
                             : " ist schreibgesch\u00FCtzt");
    }
    if (const int why = refused(dir); why != 0) {
        return "der Ordner deiner Einstellungen " + dir +
               (why == EROFS ? " liegt auf einem schreibgesch\u00FCtzten Datentr\u00E4ger"
                             : " ist schreibgesch\u00FCtzt");
    }
    return std::string();
}

struct TReadValue {
    std::u16string Key;
    std::u16string Name;
    DWORD Type;
    std::vector<std::uint8_t> Data;
};

const char16_t* const StoreKey = u"Software\\Korvenda\\Pelwick";
const char16_t* const HistoryKey = u"Software\\Korvenda\\Pelwick\\Verlauf";
constexpr int HistorySlots = 100;
constexpr DWORD AttemptSize = 24;

// Every value of the store that a damaged file still gives, each looked up alone, so that a
// damaged page loses only what lies on it. The file is opened as immutable: nothing is
// written to it, no journal beside it is played back, no lock is taken.
std::vector<TReadValue> ReadWhatCanBeRead(const std::string& file) {
    std::vector<TReadValue> found;
    sqlite3* db = nullptr;
    std::string uri = "file:";
    for (const char c : file) {
        uri += c == '?' ? std::string("%3f") : c == '#' ? std::string("%23") : std::string(1, c);
    }
    uri += "?immutable=1";
    if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) !=
        SQLITE_OK) {
        sqlite3_close_v2(db);
        return found;
    }
    // Lets a file shorter than its header says be read as far as it goes; the connection
    // writes nothing all the same.
    sqlite3_exec(db, "PRAGMA writable_schema = ON", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT type, data FROM reg_value WHERE key = ?1 COLLATE NOCASE AND "
                           "name = ?2 COLLATE NOCASE",
                           -1, &stmt, nullptr) == SQLITE_OK) {
        auto look = [&](const std::u16string& key, const std::u16string& name) {
            const std::string k = ToUtf8(key);
            const std::string n = ToUtf8(name);
            sqlite3_bind_text(stmt, 1, k.data(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(stmt, 2, n.data(), static_cast<int>(n.size()), SQLITE_TRANSIENT);
            if (sqlite3_step(stmt) == SQLITE_ROW &&
                sqlite3_column_type(stmt, 0) == SQLITE_INTEGER) {
                const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt, 1));
                const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, 1));
                found.push_back({key, name, static_cast<DWORD>(sqlite3_column_int64(stmt, 0)),
                                 std::vector<std::uint8_t>(bytes, bytes + size)});
            }
            sqlite3_reset(stmt);
        };
        for (const char16_t* name : {u"CigConsQty", u"CigBoxQty", u"CigBoxPrice", u"UserName",
                                     u"UserDOB", u"UserStopTime", u"SetupCompl"}) {
            look(StoreKey, name);
        }
        for (int slot = 0; slot < HistorySlots; ++slot) {
            look(HistoryKey, {static_cast<char16_t>(u'0' + slot / 10),
                              static_cast<char16_t>(u'0' + slot % 10)});
            // Only what the history can read is carried: a REG_BINARY of its size.
            if (!found.empty() && found.back().Key == HistoryKey &&
                (found.back().Type != REG_BINARY || found.back().Data.size() != AttemptSize)) {
                found.pop_back();
            }
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close_v2(db);
    return found;
}

// Moves the file (and a journal beside it, which would otherwise be played back into the new
// file) to "<name>-unlesbar-<day>[-n].sqlite3" in the same folder, never over another file.
// Empty when it cannot (errno says why), or, with `gone` set, when the file is no longer the
// one that was looked at: another copy set it aside already.
std::string MoveAside(const std::string& file, const struct stat& looked, bool& gone) {
    struct stat now {};
    gone = ::lstat(file.c_str(), &now) != 0 || now.st_dev != looked.st_dev ||
           now.st_ino != looked.st_ino;
    if (gone) {
        return std::string();
    }
    const std::time_t clock = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&clock, &local);
    char day[16];
    std::strftime(day, sizeof day, "%Y-%m-%d", &local);
    std::string base = file;
    if (const auto dot = base.rfind('.'); dot != std::string::npos && dot > base.rfind('/')) {
        base.erase(dot);
    }
    for (int n = 1; n < 1000; ++n) {
        const std::string aside = base + "-unlesbar-" + day +
                                  (n > 1 ? "-" + std::to_string(n) : std::string()) + ".sqlite3";
        if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
            ::renameat2(AT_FDCWD, (file + "-journal").c_str(), AT_FDCWD,
                        (aside + "-journal").c_str(), RENAME_NOREPLACE);
            return aside;
        }
        if (errno != EEXIST) {
            return std::string();
        }
    }
    return std::string();
}

// Writes the values read into the new hive; returns how many were written.
int Carry(const std::vector<TReadValue>& values, int& attempts) {
    using namespace RegistryApi;
    int written = 0;
    attempts = 0;
    for (const TReadValue& v : values) {
        HKEY key = 0;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, v.Key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        if (RegSetValueExW(key, v.Name.c_str(), 0, v.Type, v.Data.data(),
                           static_cast<DWORD>(v.Data.size())) == ERROR_SUCCESS) {
            (v.Key == HistoryKey ? attempts : written) += 1;
        }
        RegCloseKey(key);
    }
    return written;
}

std::string Counted(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::u16string StoreReadOnlyReason() {
    const std::string file = ResolvedHiveFile();
    struct stat st {};
    if (file.empty() || ::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::u16string();
    }
    return FromUtf8(ReadOnlyReason(file));
}

TStoreCheck CheckStoreFile() {
    const std::string file = ResolvedHiveFile();
    struct stat st {};
    if (file.empty() || ::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size == 0) {
        return {};
    }
    LSTATUS status = ERROR_SUCCESS;
    bool writable = false;
    {
        std::lock_guard lock(Hive().Mutex);
        TConnection* c = nullptr;
        status = Hive().Connect(false, c, false);
        if (status == ERROR_SUCCESS && c != nullptr) {
            status = c->QuickCheck();
            writable = c->Writable();
        }
        Hive().Noted(status);
    }
    if (status == ERROR_SUCCESS) {
        const std::string why = writable ? std::string() : ReadOnlyReason(file);
        if (why.empty()) {
            return {};
        }
        return {TStoreCheck::TState::ReadOnly,
                FromUtf8("Pelwick zeigt deine gespeicherten Werte, kann aber keine \u00C4nderungen "
                         "speichern: " +
                         why + ".")};
    }
    // A file of another user, or one another program holds: the store's calls say so.
    if (status != ERROR_BADDB) {
        return {};
    }
    const std::string unreadable = "Die Datei deiner Einstellungen " + file +
                                   " kann nicht gelesen werden; sie ist besch\u00E4digt oder "
                                   "keine Datei von Pelwick.";
    const std::vector<TReadValue> values = ReadWhatCanBeRead(file);
    bool gone = false;
    const std::string aside = MoveAside(file, st, gone);
    if (gone) {
        return {};
    }
    if (aside.empty()) {
        return {TStoreCheck::TState::Unusable,
                FromUtf8(unreadable + " Pelwick kann sie nicht zur Seite legen (" +
                         std::strerror(errno) + ") und benutzt sie so nicht.")};
    }
    SqliteHiveDisconnect();
    int attempts = 0;
    const int settings = Carry(values, attempts);
    std::string message = unreadable + " Pelwick hat sie unver\u00E4ndert als " +
                          aside.substr(aside.rfind('/') + 1) + " im selben Ordner aufbewahrt";
    message += settings + attempts == 0
                   ? "; nichts darin lie\u00DF sich noch lesen, Pelwick beginnt neu."
                   : " und in eine neue Datei \u00FCbernommen, was sich noch lesen lie\u00DF: " +
                         std::to_string(settings) + " von 7 Einstellungen und " +
                         Counted(attempts, "Versuch", "Versuche") + " aus dem Verlauf.";
    return {TStoreCheck::TState::Rescued, FromUtf8(message)};
}

// HKEY_CURRENT_USER emulated in one SQLite file, shared safely by every running copy: each call
// is one transaction, writers wait for each other, and nothing is cached but the connection.

#include "registry/RegistryApi.h"
#include "registry/SqliteHive.h"

#include "runtime/Text.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

using namespace RegistryApi;

namespace {

constexpr int SchemaVersion = 1;
// Another running copy may hold the lock for a moment; a call waits rather than fails.
constexpr long BusyTimeoutUs = 10'000'000;
// Longest level name that the reference registry accepts, in UTF-16 code units.
constexpr std::size_t MaxLevelLength = 256;
constexpr REGSAM WriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE |
                               WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

const char* const SchemaSql =
    "CREATE TABLE reg_key (path TEXT PRIMARY KEY COLLATE NOCASE) WITHOUT ROWID;"
    "CREATE TABLE reg_value (key TEXT NOT NULL COLLATE NOCASE REFERENCES reg_key(path), "
    "name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, data BLOB NOT NULL, "
    "PRIMARY KEY (key, name)) WITHOUT ROWID;"
    "PRAGMA user_version = 1;";

// SQLite's own busy timeout backs off to 100 ms between attempts; a copy that writes in a loop
// then takes the lock again in the short gaps between and starves the waiting one for
// seconds. Trying again every millisecond (with jitter, so two waiters do not march in step)
// gets through the first gap.
int WaitWhileBusy(void*, int attempts) {
    static unsigned jitter = static_cast<unsigned>(::getpid());
    jitter = jitter * 1103515245u + 12345u;
    const long pause = attempts < 20 ? 100 : 500 + static_cast<long>((jitter >> 16) % 1000);
    // Average pauses: 20 x 100 us, then 1 ms each.
    if (attempts >= 20 && 2000L + (attempts - 20) * 1000L >= BusyTimeoutUs) {
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
    static LSTATUS Open(const std::string& file, bool writable, bool fileIsEmpty,
                        std::unique_ptr<TConnection>& result) {
        std::unique_ptr<TConnection> c(new TConnection(writable));
        const int flags = (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) |
                          SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW;
        int rc = sqlite3_open_v2(file.c_str(), &c->db_, flags, nullptr);
        if (rc != SQLITE_OK) {
            return FromSqlite(rc);
        }
        sqlite3_extended_result_codes(c->db_, 1);
        sqlite3_busy_handler(c->db_, WaitWhileBusy, nullptr);
        LSTATUS status = c->CheckSchema(fileIsEmpty, writable);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        if ((rc = c->findKey_.Prepare(c->db_, "SELECT path FROM reg_key WHERE path = ?1")) ||
            (rc = c->insertKey_.Prepare(c->db_, "INSERT INTO reg_key (path) VALUES (?1)")) ||
            (rc = c->findValue_.Prepare(
                 c->db_, "SELECT type, data FROM reg_value WHERE key = ?1 AND name = ?2")) ||
            (rc =
                 c->setValue_.Prepare(c->db_, "INSERT OR REPLACE INTO reg_value "
                                              "(key, name, type, data) VALUES (?1, ?2, ?3, ?4)"))) {
            return FromSqlite(rc);
        }
        result = std::move(c);
        return ERROR_SUCCESS;
    }

    bool Writable() const { return writable_; }

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
                    return FromSqlite(rc);
                }
                found = candidate;
                created = true;
            } else if (status != ERROR_SUCCESS) {
                return status;
            }
            stored = std::move(found);
        }
        return FromSqlite(txn.Commit());
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
                return FromSqlite(rc);
            }
        }
        return FromSqlite(txn.Commit());
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
                if ((rc = sqlite3_exec(db_, SchemaSql, nullptr, nullptr, nullptr)) != SQLITE_OK ||
                    (rc = txn.Commit()) != SQLITE_OK) {
                    return FromSqlite(rc);
                }
                return ERROR_SUCCESS;
            }
        }
        if (version != SchemaVersion) {
            return ERROR_BADDB;
        }
        // Both tables with every column this code reads and writes.
        for (const char* probe : {"SELECT path FROM reg_key LIMIT 0",
                                  "SELECT key, name, type, data FROM reg_value LIMIT 0"}) {
            sqlite3_stmt* stmt = nullptr;
            rc = sqlite3_prepare_v2(db_, probe, -1, &stmt, nullptr);
            sqlite3_finalize(stmt);
            if (rc != SQLITE_OK) {
                return ERROR_BADDB;
            }
        }
        return ERROR_SUCCESS;
    }

    sqlite3* db_ = nullptr;
    bool writable_;
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

class THive {
public:
    std::mutex Mutex;

    // A connection fit for the call, or null with ERROR_SUCCESS when the hive does not exist
    // yet and the call may not create it (reads and plain opens create nothing).
    LSTATUS Connect(bool forWrite, TConnection*& result, bool mayCreate = true) {
        result = nullptr;
        const std::string file = SqliteHivePath();
        if (file.empty()) {
            return ERROR_REGISTRY_IO_FAILED;
        }
        const std::string dir = Directory(file);
        struct stat st {};
        bool exists = ::stat(file.c_str(), &st) == 0;
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
                if (!MakeFolders(dir) || ::access(dir.c_str(), W_OK) != 0 ||
                    !CreateEmptyFile(file) || ::stat(file.c_str(), &st) != 0) {
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
            std::unique_ptr<TConnection> opened;
            const LSTATUS status =
                TConnection::Open(file, forWrite || Writable(file, dir), st.st_size == 0, opened);
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
        }
        result = connection_.get();
        return ERROR_SUCCESS;
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
    std::unique_ptr<TConnection> connection_;
    std::string file_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    std::map<HKEY, TOpenKey> handles_;
    HKEY nextHandle_ = 0x1000;
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

LSTATUS RegCreateKeyExW(HKEY key, const char16_t* subKey, DWORD reserved, char16_t* keyClass,
                        DWORD options, REGSAM samDesired, void* securityAttributes, HKEY* result,
                        DWORD* disposition) {
    // The hive keeps no class strings, volatility or security descriptors.
    static_cast<void>(keyClass);
    static_cast<void>(options);
    static_cast<void>(securityAttributes);
    if (reserved != 0 || !result) {
        return ERROR_INVALID_PARAMETER;
    }
    std::lock_guard lock(Hive().Mutex);
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

LSTATUS RegOpenKeyExW(HKEY key, const char16_t* subKey, DWORD options, REGSAM samDesired,
                      HKEY* result) {
    static_cast<void>(options);
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    std::lock_guard lock(Hive().Mutex);
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

LSTATUS RegQueryValueExW(HKEY key, const char16_t* valueName, DWORD* reserved, DWORD* type,
                         std::uint8_t* data, DWORD* dataSize) {
    if (reserved || (data && !dataSize)) {
        return ERROR_INVALID_PARAMETER;
    }
    std::lock_guard lock(Hive().Mutex);
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

LSTATUS RegSetValueExW(HKEY key, const char16_t* valueName, DWORD reserved, DWORD type,
                       const std::uint8_t* data, DWORD dataSize) {
    static_cast<void>(reserved); // ignored by the reference registry too
    if (!data && dataSize > 0) {
        return ERROR_NOACCESS;
    }
    std::lock_guard lock(Hive().Mutex);
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

LSTATUS RegCloseKey(HKEY key) {
    std::lock_guard lock(Hive().Mutex);
    if (key == HKEY_CURRENT_USER) {
        return ERROR_SUCCESS;
    }
    return Hive().Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegFlushKey(HKEY key) {
    // Every call commits durably already; there is nothing left to write back.
    std::lock_guard lock(Hive().Mutex);
    return Hive().Find(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

} // namespace RegistryApi

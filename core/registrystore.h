// The SQLite file behind RegistryKey: the schema, the mapping of SQLite and system errors onto the
// key's status codes, key paths, and one connection with one transaction per operation
// (`Statement`, `Store`), rolled back by the destructor unless committed. Internal to the
// settings store.
#pragma once

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "filehandle.h"
#include "registrykey.h"

namespace tavo::registry {

constexpr std::int64_t kApplicationId = 0x5441564F;  // "TAVO": tells our stores from foreign ones
constexpr std::int64_t kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 2000;
constexpr int kMaxValueBytes = 16 << 20;  // bounds memory on crafted stores
constexpr std::size_t kMaxKeyNameBytes = 255;
constexpr std::int64_t kRootId = 0;
constexpr std::uint32_t kNumberBytes = 4;
constexpr std::uint32_t kTextBufferBytes = 200;

constexpr const char* kSchema = R"sql(
CREATE TABLE registry_keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE CHECK (name <> '' AND instr(name, char(92)) = 0),
  UNIQUE (parent, name));
CREATE TABLE registry_values(
  key_id INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL CHECK (type BETWEEN 0 AND 4294967295),
  data BLOB NOT NULL CHECK (typeof(data) = 'blob'),
  PRIMARY KEY (key_id, name)) WITHOUT ROWID;
PRAGMA application_id = 1413568079;
PRAGMA user_version = 1;
)sql";

inline std::int32_t StatusFromSqlite(int rc) {
  switch (rc & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return kStatusSuccess;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
    case SQLITE_ERROR:  // a missing table or column: not our schema
    case SQLITE_SCHEMA:
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
      return kStatusBadStore;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return kStatusAccessDenied;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return kStatusBusy;
    case SQLITE_TOOBIG:
      return kStatusInvalidData;
    default:
      return kStatusIoFailed;
  }
}

inline std::int32_t StatusFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return kStatusNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return kStatusAccessDenied;
    default:
      return kStatusIoFailed;
  }
}

inline std::string FolderOf(const std::string& file) {
  return std::filesystem::path(file).parent_path().string();
}

// The settings hold the user's mail addresses and servers: the store is the user's alone. Folders
// made for it are 0700 and a new store file 0600 (the umask may narrow both, never widen them);
// SQLite gives its journal, WAL and shared-memory files the mode of the store file.

// Makes the missing folders of `folder`, each 0700. Folders that exist, which the user may have
// chosen, are left as they are.
inline std::int32_t CreatePrivateFolders(const std::string& folder) {
  if (folder.empty()) return kStatusSuccess;
  std::filesystem::path made;
  for (const auto& part : std::filesystem::path(folder)) {
    made /= part;
    if (mkdir(made.c_str(), 0700) == 0 || errno == EEXIST) continue;
    const int error = errno;
    // Some systems answer EACCES or EROFS before EEXIST for a folder that is there.
    struct stat info {};
    if (stat(made.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return StatusFromErrno(error);
  }
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0) return StatusFromErrno(errno);
  return S_ISDIR(info.st_mode) ? kStatusSuccess : StatusFromErrno(ENOTDIR);
}

// Makes an empty store file, 0600, unless one appeared meanwhile; SQLite takes an empty file for
// an empty database. False with errno set when the file cannot be made.
// No descriptor is opened on the store here or below: closing any descriptor of a file drops
// every POSIX lock this process holds on it, SQLite's included.
inline bool CreatePrivateFile(const std::string& file) {
  if (mknod(file.c_str(), S_IFREG | 0600, 0) == 0 || errno == EEXIST) return true;
  if (errno != EPERM && errno != EINVAL && errno != ENOSYS) return false;
  // A file system that makes no regular files through mknod. The file is new, so no connection
  // holds a lock on it yet.
  const UniqueFd fd(open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
  return fd.valid() || errno == EEXIST;
}

// Takes group and other permissions off a store file of this user that has them, as left by an
// earlier release or a copy; never adds any. Stores of other owners, or on read-only file
// systems, stay as they are.
inline void TightenStoreMode(const std::string& file) {
  struct stat info {};
  if (stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid() ||
      (info.st_mode & 077) == 0) {
    return;
  }
  (void)chmod(file.c_str(), info.st_mode & 0700);
}

// Splits "A\\B\\C" and appends the components to `out`. An empty path names the key itself; an
// empty component (leading, trailing or doubled separator) is refused rather than guessed at.
inline std::int32_t AppendPath(const std::string& path, std::vector<std::string>& out) {
  if (path.empty()) return kStatusSuccess;
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t end = path.find('\\', start);
    std::string part = path.substr(start, end == std::string::npos ? end : end - start);
    if (part.empty() || part.size() > kMaxKeyNameBytes) return kStatusBadPath;
    parts.push_back(std::move(part));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  out.insert(out.end(), parts.begin(), parts.end());
  return kStatusSuccess;
}

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  int PrepareResult() const { return rc_; }
  void Bind(int index, std::int64_t value) { sqlite3_bind_int64(stmt_, index, value); }
  void Bind(int index, const std::string& text) {
    sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  }
  void Bind(int index, const std::vector<std::uint8_t>& bytes) {
    sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
  }
  int Step() { return rc_ == SQLITE_OK ? sqlite3_step(stmt_) : rc_; }
  std::int64_t Int(int column) { return sqlite3_column_int64(stmt_, column); }
  bool IsNull(int column) { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  std::string Text(int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text ? std::string(text, sqlite3_column_bytes(stmt_, column)) : std::string();
  }
  std::vector<std::uint8_t> Bytes(int column) {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    return data ? std::vector<std::uint8_t>(data, data + sqlite3_column_bytes(stmt_, column))
                : std::vector<std::uint8_t>();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_ = SQLITE_OK;
};

enum class Mode {
  kRead,    // a missing store reads as an empty one
  kWrite,   // a missing store is a missing key
  kCreate,  // the folder and the store are made when missing
};

// One connection and one transaction over the store file, for one operation. The destructor
// rolls back whatever was not committed.
class Store {
 public:
  Store() = default;
  ~Store() {
    if (inTransaction_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
  }
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Opens the store and begins a transaction (immediate for writes, so that two writers queue
  // on the busy timeout instead of failing half-way). `fullAccess` refuses a store that this
  // user could not write.
  std::int32_t Begin(const std::string& file, Mode mode, bool fullAccess) {
    if (file.empty()) return kStatusNotFound;
    if (mode == Mode::kCreate) {
      const std::int32_t status = CreatePrivateFolders(FolderOf(file));
      if (status != kStatusSuccess) return status;
    }
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) {
      std::int32_t status = StatusFromErrno(errno);
      if (status != kStatusNotFound || mode == Mode::kWrite) return status;
      if (mode == Mode::kRead) {
        empty_ = true;
        return kStatusSuccess;
      }
      // Made here rather than by SQLite, which would make it 0644 under the usual umask.
      if (!CreatePrivateFile(file)) return OpenFailure(file, mode);
    } else if (!S_ISREG(info.st_mode)) {
      return kStatusBadStore;
    }

    int flags = SQLITE_OPEN_READWRITE | (mode == Mode::kCreate ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(file.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      return OpenFailure(file, mode);
    }
    sqlite3_extended_result_codes(db_, 0);
    sqlite3_busy_handler(db_, &Store::WaitWhileBusy, &busySince_);
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    // The store may come from anywhere: no triggers, views or schema tricks run in our process.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    int rc = sqlite3_exec(db_, "PRAGMA cell_size_check = ON; PRAGMA synchronous = FULL", nullptr,
                          nullptr, nullptr);
    if (rc != SQLITE_OK) return StatusFromSqlite(rc);

    if (fullAccess || mode != Mode::kRead) {
      // SQLite quietly falls back to read-only; the journal needs a writable folder.
      if (sqlite3_db_readonly(db_, "main") == 1) return kStatusAccessDenied;
      if (access(FolderOf(file).c_str(), W_OK | X_OK) != 0) return kStatusAccessDenied;
    }

    rc = sqlite3_exec(db_, mode == Mode::kRead ? "BEGIN" : "BEGIN IMMEDIATE", nullptr, nullptr,
                      nullptr);
    if (rc != SQLITE_OK) return StatusFromSqlite(rc);
    inTransaction_ = true;
    const std::int32_t status = CheckSchema(mode);
    // Only a store recognised as ours: a foreign or damaged file is left exactly as it is.
    if (status == kStatusSuccess && !empty_) TightenStoreMode(file);
    return status;
  }

  std::int32_t Commit() {
    if (!inTransaction_) return kStatusSuccess;
    int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) inTransaction_ = false;
    return StatusFromSqlite(rc);
  }

  // A page-level check when a key is opened, so that a damaged store is reported before any
  // value is trusted.
  std::int32_t QuickCheck() {
    if (empty_) return kStatusSuccess;
    Statement check(db_, "PRAGMA quick_check(1)");
    int rc = check.Step();
    if (rc != SQLITE_ROW) return StatusFromSqlite(rc);
    return check.Text(0) == "ok" ? kStatusSuccess : kStatusBadStore;
  }

  // Walks the path from the root.
  std::int32_t FindKey(const std::vector<std::string>& path, std::int64_t& id) {
    id = kRootId;
    if (empty_) return path.empty() ? kStatusSuccess : kStatusNotFound;
    return FindFrom(path, kRootId, id);
  }

  std::int32_t CreatePath(const std::vector<std::string>& path, std::int64_t& id) {
    id = kRootId;
    for (const std::string& name : path) {
      Statement insert(db_,
                       "INSERT INTO registry_keys(id, parent, name) "
                       "VALUES((SELECT max(?1, coalesce(max(id), 0)) + 1 FROM registry_keys), ?1, "
                       "?2) ON CONFLICT(parent, name) DO NOTHING");
      insert.Bind(1, id);
      insert.Bind(2, name);
      int rc = insert.Step();
      if (rc != SQLITE_DONE) return StatusFromSqlite(rc);
      std::int32_t status = FindFrom({name}, id, id);
      if (status != kStatusSuccess) return status == kStatusNotFound ? kStatusBadStore : status;
    }
    return kStatusSuccess;
  }

  // The held key itself: a key that vanished since it was opened is reported as deleted.
  std::int32_t FindHeldKey(const std::vector<std::string>& path, std::int64_t& id) {
    std::int32_t status = FindKey(path, id);
    return status == kStatusNotFound ? kStatusKeyDeleted : status;
  }

  // Type, stored size and, when it fits in `limit` bytes, the data of one value.
  std::int32_t QueryValue(std::int64_t key, const std::string& name, std::uint32_t limit,
                          std::uint32_t& type, std::uint32_t& size,
                          std::vector<std::uint8_t>& data) {
    if (empty_) return kStatusNotFound;
    Statement query(db_,
                    "SELECT type, length(data), CASE WHEN length(data) <= ?3 THEN data END "
                    "FROM registry_values WHERE key_id = ?1 AND name = ?2");
    query.Bind(1, key);
    query.Bind(2, name);
    query.Bind(3, static_cast<std::int64_t>(limit));
    int rc = query.Step();
    if (rc == SQLITE_DONE) return kStatusNotFound;
    if (rc != SQLITE_ROW) return StatusFromSqlite(rc);
    type = static_cast<std::uint32_t>(query.Int(0));
    std::int64_t length = query.Int(1);
    if (!query.IsNull(2)) {
      data = query.Bytes(2);  // byte count, whatever length() counted
      length = static_cast<std::int64_t>(data.size());
    }
    size = static_cast<std::uint32_t>(
        std::min<std::int64_t>(length, std::numeric_limits<std::uint32_t>::max()));
    return length > limit ? kStatusMoreData : kStatusSuccess;
  }

  std::int32_t SetValue(std::int64_t key, const std::string& name, std::uint32_t type,
                        const std::vector<std::uint8_t>& data) {
    Statement upsert(db_,
                     "INSERT INTO registry_values(key_id, name, type, data) VALUES(?1, ?2, ?3, ?4) "
                     "ON CONFLICT(key_id, name) DO UPDATE SET type = excluded.type, "
                     "data = excluded.data");
    upsert.Bind(1, key);
    upsert.Bind(2, name);
    upsert.Bind(3, static_cast<std::int64_t>(type));
    upsert.Bind(4, data);
    return StatusFromSqlite(upsert.Step());
  }

  std::int32_t RemoveValue(std::int64_t key, const std::string& name) {
    Statement remove(db_, "DELETE FROM registry_values WHERE key_id = ?1 AND name = ?2");
    remove.Bind(1, key);
    remove.Bind(2, name);
    int rc = remove.Step();
    if (rc != SQLITE_DONE) return StatusFromSqlite(rc);
    return sqlite3_changes(db_) > 0 ? kStatusSuccess : kStatusNotFound;
  }

  std::int32_t SubKeys(std::int64_t key, std::vector<std::string>& names) {
    if (empty_) return kStatusSuccess;
    Statement list(db_,
                   "SELECT name FROM registry_keys WHERE parent = ?1 AND id > ?1 ORDER BY name");
    list.Bind(1, key);
    int rc;
    while ((rc = list.Step()) == SQLITE_ROW) names.push_back(list.Text(0));
    return StatusFromSqlite(rc);
  }

  std::int32_t Values(std::int64_t key, std::vector<RegistryKey::ValueInfo>& values) {
    if (empty_) return kStatusSuccess;
    Statement list(db_,
                   "SELECT name, type, data FROM registry_values WHERE key_id = ?1 ORDER BY name");
    list.Bind(1, key);
    int rc;
    while ((rc = list.Step()) == SQLITE_ROW) {
      values.push_back({list.Text(0), static_cast<std::uint32_t>(list.Int(1)), list.Bytes(2)});
    }
    return StatusFromSqlite(rc);
  }

 private:
  // SQLite's own busy timeout sleeps up to 100 ms between tries, and a process that writes
  // one transaction after another slips its next one into that sleep every time: short,
  // frequent tries within the same bound keep a waiting reader or writer from starving.
  static int WaitWhileBusy(void* since, int tries) {
    auto& start = *static_cast<std::chrono::steady_clock::time_point*>(since);
    auto now = std::chrono::steady_clock::now();
    if (tries == 0) start = now;
    if (now - start >= std::chrono::milliseconds(kBusyTimeoutMs)) return 0;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    return 1;
  }

  // Child ids are always larger than their parent's, which keeps a crafted store from looping.
  std::int32_t FindFrom(const std::vector<std::string>& path, std::int64_t start,
                        std::int64_t& id) {
    std::int64_t from = start;
    for (const std::string& name : path) {
      Statement find(db_,
                     "SELECT id FROM registry_keys WHERE parent = ?1 AND name = ?2 AND id > ?1");
      find.Bind(1, from);
      find.Bind(2, name);
      int rc = find.Step();
      if (rc == SQLITE_DONE) return kStatusNotFound;
      if (rc != SQLITE_ROW) return StatusFromSqlite(rc);
      from = find.Int(0);
    }
    id = from;
    return kStatusSuccess;
  }

  std::int32_t OpenFailure(const std::string& file, Mode mode) {
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) {
      std::int32_t status = StatusFromErrno(errno);
      if (status == kStatusNotFound && mode == Mode::kCreate) {
        return access(FolderOf(file).c_str(), W_OK | X_OK) == 0 ? kStatusIoFailed
                                                                : kStatusAccessDenied;
      }
      return status;
    }
    return access(file.c_str(), R_OK | W_OK) == 0 ? kStatusIoFailed : kStatusAccessDenied;
  }

  // Recognises our stores by their application id and version. A store without any schema is
  // empty (new, or never written); anything else is left exactly as it is for its owner to
  // recover.
  std::int32_t CheckSchema(Mode mode) {
    std::int64_t applicationId = 0, version = 0, objects = 0;
    for (auto [sql, out] : {std::pair{"PRAGMA application_id", &applicationId},
                            std::pair{"PRAGMA user_version", &version},
                            std::pair{"SELECT count(*) FROM sqlite_schema", &objects}}) {
      Statement query(db_, sql);
      int rc = query.Step();
      if (rc != SQLITE_ROW) return StatusFromSqlite(rc);
      *out = query.Int(0);
    }
    if (applicationId == kApplicationId && version == kSchemaVersion) return kStatusSuccess;
    if (applicationId != 0 || version != 0 || objects != 0) return kStatusBadStore;
    if (mode == Mode::kRead) {
      empty_ = true;
      return kStatusSuccess;
    }
    if (mode == Mode::kWrite) return kStatusNotFound;
    return StatusFromSqlite(sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr));
  }

  sqlite3* db_ = nullptr;
  std::chrono::steady_clock::time_point busySince_;
  bool inTransaction_ = false;
  bool empty_ = false;
};

}  // namespace tavo::registry

#include "journal.h"

#include <sqlite3.h>

namespace varnolo::service {
namespace {

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS documents (
  seq INTEGER PRIMARY KEY AUTOINCREMENT,
  key TEXT NOT NULL UNIQUE,
  kind TEXT NOT NULL,
  request TEXT NOT NULL,
  in_flight INTEGER NOT NULL,
  tape_before INTEGER,
  tape_after INTEGER,
  result INTEGER,
  registered INTEGER,
  http_status INTEGER NOT NULL DEFAULT 0,
  response TEXT NOT NULL DEFAULT '',
  started_ms INTEGER NOT NULL,
  run_timeout_ms INTEGER NOT NULL,
  settled_by TEXT NOT NULL DEFAULT '',
  finished_ms INTEGER
);
CREATE INDEX IF NOT EXISTS documents_in_flight ON documents(in_flight);
)";

constexpr const char* kColumns =
    "seq, key, kind, request, in_flight, tape_before, tape_after, result, registered, "
    "http_status, response, started_ms, run_timeout_ms, settled_by";

// A prepared statement that finalizes itself.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool ok() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_; }
  void Text(int i, const std::string& v) {
    sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
  }
  void Int(int i, int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
  template <typename T>
  void Maybe(int i, const std::optional<T>& v) {
    if (v) {
      sqlite3_bind_int64(stmt_, i, static_cast<int64_t>(*v));
    } else {
      sqlite3_bind_null(stmt_, i);
    }
  }
  bool Done() { return sqlite3_step(stmt_) == SQLITE_DONE; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

std::string TextColumn(sqlite3_stmt* s, int i) {
  const unsigned char* t = sqlite3_column_text(s, i);
  return t == nullptr ? std::string()
                      : std::string(reinterpret_cast<const char*>(t),
                                    static_cast<size_t>(sqlite3_column_bytes(s, i)));
}

std::optional<int64_t> MaybeColumn(sqlite3_stmt* s, int i) {
  if (sqlite3_column_type(s, i) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_int64(s, i);
}

JournalEntry EntryOf(sqlite3_stmt* s) {
  JournalEntry e;
  e.seq = sqlite3_column_int64(s, 0);
  e.key = TextColumn(s, 1);
  e.kind = TextColumn(s, 2);
  e.request = TextColumn(s, 3);
  e.inFlight = sqlite3_column_int(s, 4) != 0;
  if (auto v = MaybeColumn(s, 5)) e.tapeBefore = static_cast<int>(*v);
  if (auto v = MaybeColumn(s, 6)) e.tapeAfter = static_cast<int>(*v);
  if (auto v = MaybeColumn(s, 7)) e.result = static_cast<int32_t>(*v);
  if (auto v = MaybeColumn(s, 8)) e.registered = *v != 0;
  e.httpStatus = sqlite3_column_int(s, 9);
  e.response = TextColumn(s, 10);
  e.startedMs = sqlite3_column_int64(s, 11);
  e.runTimeoutMs = static_cast<uint32_t>(sqlite3_column_int64(s, 12));
  e.settledBy = TextColumn(s, 13);
  return e;
}

}  // namespace

std::unique_ptr<Journal> Journal::Open(const std::string& path, std::string& error) {
  sqlite3* db = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    error = "cannot open the journal " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return nullptr;
  }
  std::unique_ptr<Journal> journal(new Journal(db));
  sqlite3_busy_timeout(db, 5000);
  // WAL, and every commit synced to the disk before it returns.
  if (!journal->Exec("PRAGMA journal_mode=WAL") || !journal->Exec("PRAGMA synchronous=FULL") ||
      !journal->Exec(kSchema)) {
    error = "cannot prepare the journal " + path + ": " + journal->lastError();
    return nullptr;
  }
  Statement mode(db, "PRAGMA journal_mode");
  if (!mode.ok() || sqlite3_step(mode.get()) != SQLITE_ROW || TextColumn(mode.get(), 0) != "wal") {
    error = "the journal " + path + " cannot be kept in WAL mode";
    return nullptr;
  }
  return journal;
}

Journal::~Journal() { sqlite3_close(db_); }

bool Journal::Exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  lastError_ = message ? message : "unknown error";
  sqlite3_free(message);
  return false;
}

std::string Journal::lastError() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastError_;
}

std::optional<JournalEntry> Journal::Find(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  Statement s(db_, std::string("SELECT ") + kColumns + " FROM documents WHERE key = ?1");
  if (!s.ok()) return std::nullopt;
  s.Text(1, key);
  if (sqlite3_step(s.get()) != SQLITE_ROW) return std::nullopt;
  return EntryOf(s.get());
}

bool Journal::Begin(const JournalEntry& e) {
  std::lock_guard<std::mutex> lock(mutex_);
  Statement s(db_,
              "INSERT INTO documents (key, kind, request, in_flight, tape_before, started_ms, "
              "run_timeout_ms) VALUES (?1, ?2, ?3, 1, ?4, ?5, ?6)");
  if (!s.ok()) return lastError_ = sqlite3_errmsg(db_), false;
  s.Text(1, e.key);
  s.Text(2, e.kind);
  s.Text(3, e.request);
  s.Maybe(4, e.tapeBefore);
  s.Int(5, e.startedMs);
  s.Int(6, e.runTimeoutMs);
  if (!s.Done()) return lastError_ = sqlite3_errmsg(db_), false;
  return true;
}

bool Journal::Finish(const std::string& key, std::optional<int32_t> result,
                     std::optional<bool> registered, std::optional<int> tapeAfter, int httpStatus,
                     const std::string& response, const std::string& settledBy) {
  std::lock_guard<std::mutex> lock(mutex_);
  Statement s(db_,
              "UPDATE documents SET in_flight = 0, result = ?2, registered = ?3, tape_after = ?4, "
              "http_status = ?5, response = ?6, settled_by = ?7, "
              "finished_ms = CAST((julianday('now') - 2440587.5) * 86400000 AS INTEGER) "
              "WHERE key = ?1");
  if (!s.ok()) return lastError_ = sqlite3_errmsg(db_), false;
  s.Text(1, key);
  s.Maybe(2, result);
  s.Maybe(3, registered);
  s.Maybe(4, tapeAfter);
  s.Int(5, httpStatus);
  s.Text(6, response);
  s.Text(7, settledBy);
  if (!s.Done()) return lastError_ = sqlite3_errmsg(db_), false;
  return sqlite3_changes(db_) == 1;
}

bool Journal::Forget(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  Statement s(db_, "DELETE FROM documents WHERE key = ?1");
  if (!s.ok()) return lastError_ = sqlite3_errmsg(db_), false;
  s.Text(1, key);
  if (!s.Done()) return lastError_ = sqlite3_errmsg(db_), false;
  return true;
}

std::vector<JournalEntry> Journal::Select(const std::string& where, const std::string& order,
                                          int64_t arg, size_t limit) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<JournalEntry> entries;
  Statement s(db_, std::string("SELECT ") + kColumns + " FROM documents WHERE " + where +
                       " ORDER BY seq " + order + " LIMIT ?2");
  if (!s.ok()) return entries;
  s.Int(1, arg);
  s.Int(2, static_cast<int64_t>(limit));
  while (sqlite3_step(s.get()) == SQLITE_ROW) entries.push_back(EntryOf(s.get()));
  return entries;
}

std::vector<JournalEntry> Journal::InFlight() {
  return Select("in_flight = 1 AND ?1 = ?1", "ASC", 0, 1000000);
}

std::vector<JournalEntry> Journal::Last(size_t limit) {
  return Select("?1 = ?1", "DESC", 0, limit);
}

std::vector<JournalEntry> Journal::Since(int64_t afterSeq, size_t limit) {
  return Select("seq > ?1", "ASC", afterSeq, limit);
}

}  // namespace varnolo::service

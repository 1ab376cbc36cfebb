// The service's durable memory of documents, keyed by the client's
// idempotency key. A document is written down with the tape count before it
// goes to the register, and its outcome after; both writes are synced before
// they count, so a crash at any point leaves either nothing or an entry "in
// flight" that the next start settles from the tape.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace varnolo::service {

struct JournalEntry {
  int64_t seq = 0;  // journal order: the order documents were sent in
  std::string key;
  std::string kind;     // "receipt", "cash-in", "report-x", ...
  std::string request;  // the request body, canonical JSON
  bool inFlight = true;
  std::optional<int> tapeBefore;  // none for documents that leave no tape entry
  std::optional<int> tapeAfter;
  std::optional<int32_t> result;   // none when the service died before the answer
  std::optional<bool> registered;  // none: unknown
  int httpStatus = 0;
  std::string response;   // the answer given, replayed for a repeated key
  int64_t startedMs = 0;  // wall clock, ms since 1970
  uint32_t runTimeoutMs = 0;
  std::string settledBy;  // "" or "restart" when a crash left it in flight
};

class Journal {
 public:
  // Opens or creates the journal (SQLite in WAL mode, every commit synced).
  static std::unique_ptr<Journal> Open(const std::string& path, std::string& error);
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  std::optional<JournalEntry> Find(const std::string& key);
  // Writes the document down as in flight; false when it could not be made
  // durable (then it must not be sent).
  bool Begin(const JournalEntry& entry);
  // Records the outcome and the answer given.
  bool Finish(const std::string& key, std::optional<int32_t> result, std::optional<bool> registered,
              std::optional<int> tapeAfter, int httpStatus, const std::string& response,
              const std::string& settledBy = "");
  // Lets a key go again: the document never reached the register.
  bool Forget(const std::string& key);
  std::vector<JournalEntry> InFlight();
  // The newest `limit` entries, newest first.
  std::vector<JournalEntry> Last(size_t limit);
  // Entries in journal order from `afterSeq` on.
  std::vector<JournalEntry> Since(int64_t afterSeq, size_t limit);
  std::string lastError() const;

 private:
  explicit Journal(sqlite3* db) : db_(db) {}
  std::vector<JournalEntry> Select(const std::string& where, const std::string& order, int64_t arg,
                                   size_t limit);
  bool Exec(const char* sql);
  sqlite3* db_;
  mutable std::mutex mutex_;
  std::string lastError_;
};

}  // namespace varnolo::service

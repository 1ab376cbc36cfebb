// Documents under idempotency keys. A key is answered once by the register
// and ever after from the journal: the document is written down with the tape
// count before it is sent and its answer after, so that a retry, a second
// client with the same key or a restart after a crash never prints it twice.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "document_requests.h"
#include "document_verdict.h"
#include "journal.h"
#include "reply.h"

namespace varnolo::service {

class DocumentDesk {
 public:
  // `wallMs` stamps journal entries; it must survive a restart (the wall
  // clock), unlike the witness's clock.
  DocumentDesk(Journal& journal, client::TapeWitness witness, std::function<int64_t()> wallMs);

  // A key already answered: its stored answer, or 422 when this request's
  // body is not the one the key was first used with. Nothing when the key
  // must go to the register (new, or its first request still in flight).
  std::optional<Reply> Replay(const std::string& key, const std::string& canonicalBody);

  // On the worker thread, with the session open: the key's stored answer, or
  // the document sent, judged and written down.
  Reply Run(const std::string& key, const std::string& canonicalBody, const DocumentRequest& doc);

  // After every session start, before anything else runs: each document a
  // crash left in flight is settled from the tape count. False when the
  // register could not tell (the session is then not to be used).
  bool SettleInFlight();

 private:
  bool Settle(const JournalEntry& entry);
  std::optional<uint16_t> QuietCount();
  Journal& journal_;
  client::TapeWitness witness_;
  std::function<int64_t()> wallMs_;
};

// The journal's copy of a request: the path's kind and the body as canonical
// JSON, so that the same request sent with other spacing or key order is the
// same request.
std::string CanonicalRequest(const std::string& kind, const nlohmann::json& body);

}  // namespace varnolo::service

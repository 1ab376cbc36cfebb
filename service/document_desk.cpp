#include "document_desk.h"

#include "document_outcome.h"
#include "varnolo.h"

namespace varnolo::service {

using nlohmann::json;

namespace {

// 2 and 2.0 are the same amount: every number is written as a double.
json WithPlainNumbers(const json& v) {
  if (v.is_number()) return json(v.get<double>());
  if (v.is_object()) {
    json out = json::object();
    for (const auto& [key, item] : v.items()) out[key] = WithPlainNumbers(item);
    return out;
  }
  if (v.is_array()) {
    json out = json::array();
    for (const json& item : v) out.push_back(WithPlainNumbers(item));
    return out;
  }
  return v;
}

}  // namespace

std::string CanonicalRequest(const std::string& kind, const json& body) {
  return json{{"kind", kind}, {"body", WithPlainNumbers(body)}}.dump();
}

DocumentDesk::DocumentDesk(Journal& journal, client::TapeWitness witness,
                           std::function<int64_t()> wallMs)
    : journal_(journal), witness_(std::move(witness)), wallMs_(std::move(wallMs)) {}

namespace {

Reply StoredReply(const JournalEntry& e) {
  Reply reply;
  reply.status = e.httpStatus;
  reply.body = json::parse(e.response, nullptr, false);
  if (reply.body.is_discarded()) reply.body = json::object();
  reply.body["replayed"] = true;
  return reply;
}

}  // namespace

std::optional<Reply> DocumentDesk::Replay(const std::string& key,
                                          const std::string& canonicalBody) {
  const std::optional<JournalEntry> e = journal_.Find(key);
  if (!e) return std::nullopt;
  if (e->request != canonicalBody) {
    return ErrorReply(422, "the Idempotency-Key \"" + key + "\" was used for another request (a " +
                               e->kind + "); a new document needs a new key");
  }
  if (e->inFlight) return std::nullopt;
  return StoredReply(*e);
}

Reply DocumentDesk::Run(const std::string& key, const std::string& canonicalBody,
                        const DocumentRequest& doc) {
  if (std::optional<Reply> stored = Replay(key, canonicalBody)) return *stored;
  if (journal_.Find(key)) {
    // In flight and not settled: only a crash leaves that, and the session
    // settles it before it runs anything.
    return ErrorReply(409, "the document under this key is still being settled", 1);
  }
  JournalEntry entry;
  entry.key = key;
  const rules::DocumentRule& rule = *doc.rule;
  entry.kind = std::string(rule.kind);
  entry.request = canonicalBody;
  entry.startedMs = wallMs_();
  entry.runTimeoutMs = doc.runTimeoutMs;
  bool journalFailed = false;

  Reply reply;
  std::optional<bool> registered;
  std::optional<int> tapeAfter;
  if (rule.judgedByTape) {
    const client::DocumentOutcome o =
        client::RunDocument(doc.run, doc.runTimeoutMs, witness_, [&](uint16_t before) {
          entry.tapeBefore = before;
          journalFailed = !journal_.Begin(entry);
          return !journalFailed;
        });
    if (journalFailed) {
      return ErrorReply(500, "the journal could not be written (" + journal_.lastError() +
                                 "); the document was not sent");
    }
    std::optional<uint16_t> count;
    if (o.registered == client::Registered::kYes && o.result == CR_OK) {
      uint16_t after = 0;
      if (witness_.readCount(&after) == CR_OK) count = after;
    } else if (o.registered != client::Registered::kUnknown && o.sent) {
      count = o.after;
    }
    reply = DocumentReply(rule, key, o, count);
    if (!o.sent) return reply;  // nothing was written down
    if (o.registered != client::Registered::kUnknown)
      registered = o.registered == client::Registered::kYes;
    if (count) tapeAfter = *count;
  } else {
    if (!journal_.Begin(entry)) {
      return ErrorReply(500, "the journal could not be written (" + journal_.lastError() +
                                 "); the document was not sent");
    }
    reply = PaperReply(rule, key, doc.run());
    if (!reply.body["registered"].is_null()) registered = reply.body["registered"].get<bool>();
  }
  // Not registered, and the register was silent: the key may be sent again.
  const bool written = KeptForReplay(reply)
                           ? journal_.Finish(key, reply.libraryResult, registered, tapeAfter,
                                             reply.status, reply.body.dump())
                           : journal_.Forget(key);
  // Else the entry stays in flight: the session is started anew, which
  // settles it from the tape before anything else is sent.
  reply.journalFailed = !written;
  return reply;
}

std::optional<uint16_t> DocumentDesk::QuietCount() {
  return client::SettledCount(witness_, witness_.nowMs() + client::kQuietWindowMs);
}

bool DocumentDesk::Settle(const JournalEntry& e) {
  json body{{"document", e.kind}, {"key", e.key}, {"result", nullptr}, {"settledBy", "restart"}};
  if (!e.tapeBefore) {
    body["registered"] = nullptr;
    body["message"] =
        "the service stopped while the register ran this document; whether it was carried out "
        "is unknown: look at the paper before repeating it";
    return journal_.Finish(e.key, std::nullopt, std::nullopt, std::nullopt, 502, body.dump(),
                           "restart");
  }
  body["tapeCountBefore"] = *e.tapeBefore;
  std::optional<uint16_t> count = QuietCount();
  if (!count) return false;
  if (*count == *e.tapeBefore) {
    // The register may still be printing what it was sent just before the
    // crash: wait out the document's run time, then look again.
    const int64_t until = e.startedMs + e.runTimeoutMs;
    const int64_t now = wallMs_();
    if (now < until) witness_.pauseMs(static_cast<uint32_t>(until - now));
    count = QuietCount();
    if (!count) return false;
  }
  body["tapeCountAfter"] = *count;
  // The answer never came: judged as a lost one.
  client::DocumentOutcome o;
  o.result = CR_ERR_NO_REPLY;
  o.before = static_cast<uint16_t>(*e.tapeBefore);
  o.after = *count;
  o.settled = true;
  o.registered = client::Judge(o.before, *count);
  const rules::DocumentRule* rule = rules::FindDocument(e.kind);
  body["verdict"] = client::VerdictSentence(rule != nullptr ? rule->title : e.kind, o);
  switch (o.registered) {
    case client::Registered::kNo:
      return journal_.Forget(e.key);  // never printed: the key is free
    case client::Registered::kYes:
      body["registered"] = true;
      body["message"] =
          "the service stopped before the register's answer; the control tape shows the "
          "document registered";
      return journal_.Finish(e.key, std::nullopt, true, *count, 200, body.dump(), "restart");
    case client::Registered::kUnknown:
      break;
  }
  body["registered"] = nullptr;
  body["message"] =
      "the service stopped before the register's answer and the control tape was closed since; "
      "whether it was registered is unknown: check the paper before repeating it";
  return journal_.Finish(e.key, std::nullopt, std::nullopt, *count, 502, body.dump(), "restart");
}

bool DocumentDesk::SettleInFlight() {
  for (const JournalEntry& e : journal_.InFlight()) {
    if (!Settle(e)) return false;
  }
  return true;
}

}  // namespace varnolo::service

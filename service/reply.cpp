#include "reply.h"

#include "document_outcome.h"
#include "varnolo.h"
#include "varnolo_text.h"

namespace varnolo::service {

using nlohmann::json;

namespace {

constexpr int kRetryAfterSilentS = 2;

json ResultFields(int32_t result) {
  return json{{"result", result}, {"message", VarnoloResultText(result)}};
}

}  // namespace

Reply ErrorReply(int status, const std::string& message, int retryAfterS) {
  return Reply{status, json{{"error", message}}, retryAfterS, 0};
}

int RefusalStatus(int32_t result) {
  if (RegisterSilent(result)) return 503;
  if (result == CR_ERR_OUT_OF_RANGE || result == CR_ERR_AMOUNT_TOO_LARGE) return 422;
  return 409;
}

Reply ResultReply(int32_t result, json data) {
  Reply reply;
  reply.libraryResult = result;
  reply.body = std::move(data);
  reply.body.update(ResultFields(result));
  reply.status = result == CR_OK ? 200 : RefusalStatus(result);
  if (reply.status == 503) reply.retryAfterS = kRetryAfterSilentS;
  return reply;
}

Reply DocumentReply(const rules::DocumentRule& document, const std::string& key,
                    const client::DocumentOutcome& o, std::optional<uint16_t> tapeCount) {
  using client::Registered;
  Reply reply;
  reply.libraryResult = o.result;
  reply.body = client::OutcomeJson(document, o, tapeCount);
  reply.body["key"] = key;
  switch (o.registered) {
    case Registered::kYes:
      reply.status = 200;
      break;
    case Registered::kNo:
      reply.status = o.sent ? RefusalStatus(o.result) : 503;
      break;
    case Registered::kUnknown:
      reply.status = 502;
      break;
  }
  if (reply.status == 503) reply.retryAfterS = kRetryAfterSilentS;
  return reply;
}

Reply PaperReply(const rules::DocumentRule& document, const std::string& key, int32_t result) {
  Reply reply;
  reply.libraryResult = result;
  reply.body = client::PaperOutcomeJson(document, result);
  reply.body["key"] = key;
  // A report leaves nothing on the tape to tell whether it printed.
  reply.status = result == CR_OK ? 200 : RegisterSilent(result) ? 502 : RefusalStatus(result);
  return reply;
}

bool KeptForReplay(const Reply& reply) { return reply.status != 503 && reply.status != 500; }

}  // namespace varnolo::service

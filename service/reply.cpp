#include "reply.h"

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

Reply DocumentReply(const std::string& kind, const std::string& key,
                    const client::DocumentOutcome& o, std::optional<uint16_t> tapeCount) {
  using client::Registered;
  Reply reply;
  reply.libraryResult = o.result;
  json& b = reply.body;
  b = ResultFields(o.result);
  b["document"] = kind;
  b["key"] = key;
  if (o.sent) b["tapeCountBefore"] = o.before;
  b["tapeCount"] = tapeCount ? json(*tapeCount) : json(nullptr);
  switch (o.registered) {
    case Registered::kYes:
      b["registered"] = true;
      reply.status = 200;
      break;
    case Registered::kNo:
      b["registered"] = false;
      reply.status = o.sent ? RefusalStatus(o.result) : 503;
      if (!o.sent) b["message"] = "not sent: the tape count could not be read to judge it";
      break;
    case Registered::kUnknown:
      b["registered"] = nullptr;
      b["message"] = std::string(VarnoloResultText(o.result)) +
                     " Whether the register registered it is unknown: check the tape before "
                     "repeating it.";
      reply.status = 502;
      break;
  }
  if (reply.status == 503) reply.retryAfterS = kRetryAfterSilentS;
  return reply;
}

bool KeptForReplay(const Reply& reply) { return reply.status != 503 && reply.status != 500; }

}  // namespace varnolo::service

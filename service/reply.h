// What the service answers an HTTP request with, and the one table that
// turns a library result into an HTTP status.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "document_verdict.h"
#include "rulebook.h"
#include "varnolo.h"

namespace varnolo::service {

struct Reply {
  int status = 200;
  nlohmann::json body = nlohmann::json::object();
  int retryAfterS = 0;         // sent as Retry-After when not 0
  int32_t libraryResult = 0;   // the last library result, for the worker's line watch
  bool journalFailed = false;  // the outcome could not be written down
};

// {"error": message} with a status of the service's own (400, 401, 404, ...).
Reply ErrorReply(int status, const std::string& message, int retryAfterS = 0);

// The status of a result the register or the library gave for a request
// that registered nothing: 422 when the arguments were at fault, 503 when
// the register did not answer, 409 for the register's state.
int RefusalStatus(int32_t result);
inline bool RegisterSilent(int32_t result) {
  return result == CR_ERR_NO_REPLY || result == CR_ERR_PORT_CLOSED;
}

// A request that is not a document (totals, tape, ...): 200 with `data` and
// the result on success, the refusal status otherwise.
Reply ResultReply(int32_t result, nlohmann::json data = nlohmann::json::object());

// A document's answer: 200 when it is on the tape (whatever the call gave),
// the refusal status when it is not, 502 with "registered": null when nobody
// can tell. The body is the outcome's one shape (document_outcome.h) and the
// key; `tapeCount` is the count after, when known.
Reply DocumentReply(const rules::DocumentRule& document, const std::string& key,
                    const client::DocumentOutcome& outcome, std::optional<uint16_t> tapeCount);

// A report's or the shift close's answer: 200 printed, 502 with
// "registered": null when the register did not answer (nothing on the tape
// tells), the refusal status otherwise.
Reply PaperReply(const rules::DocumentRule& document, const std::string& key, int32_t result);

// Answers that a retry with the same key must get again. A document refused
// because the register did not answer registered nothing and may be sent
// again under its key.
bool KeptForReplay(const Reply& reply);

}  // namespace varnolo::service

// A document's outcome as every face reports it: one JSON shape (the tool's
// --json, the service's answer, the journal) and one sentence for people.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "document_verdict.h"
#include "rulebook.h"

namespace varnolo::client {

// The verdict sentences, with {document}, {before} and {after} to fill in.
struct VerdictWords {
  std::string_view printed;
  std::string_view registeredAnyway;  // the call failed, the tape grew
  std::string_view notRegistered;     // the call failed, the tape did not grow
  std::string_view notSent;           // the count could not be read first
  std::string_view unknown;           // no settled count
  std::string_view tapeClosed;        // a smaller count: the tape was closed meanwhile
  std::string_view paperUnknown;      // a report or shift close whose answer was lost
  std::string_view notPrinted;        // a report or shift close refused
};
const VerdictWords& Words();

// The sentence for a document judged by the tape.
std::string VerdictSentence(std::string_view title, const DocumentOutcome& outcome);

// {"document": kind, "result", "message": the result's text, "registered":
//  true, false or null, "tapeCountBefore", "tapeCountAfter" (null when not
//  known), "verdict": the sentence}. `after` is the count after when the
// caller read it; a failed document's settled count is taken from `outcome`.
nlohmann::json OutcomeJson(const rules::DocumentRule& document, const DocumentOutcome& outcome,
                           std::optional<uint16_t> after = std::nullopt);

// The same shape for a document the tape does not judge (a report, the
// shift close): registered is true on success, null when the register did
// not answer (look at the paper), false when it refused; no tape counts.
nlohmann::json PaperOutcomeJson(const rules::DocumentRule& document, int32_t result);

}  // namespace varnolo::client

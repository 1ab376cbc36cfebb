#include "document_outcome.h"

#include "varnolo.h"
#include "varnolo_text.h"

namespace varnolo::client {
namespace {

void Replace(std::string& text, std::string_view name, const std::string& value) {
  for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at))
    text.replace(at, name.size(), value), at += value.size();
}

std::string Fill(std::string_view words, std::string_view title, const DocumentOutcome& o) {
  std::string text(words);
  Replace(text, "{document}", std::string(title));
  Replace(text, "{before}", std::to_string(o.before));
  Replace(text, "{after}", std::to_string(o.after));
  return text;
}

}  // namespace

const VerdictWords& Words() {
  static const VerdictWords words{
      "{document}: printed",
      "{document}: the register DID register it although the call failed (the tape grew from "
      "{before} to {after} entries); do not repeat it",
      "{document}: the register did not register it (the tape still has {after} entries)",
      "{document}: not sent, because the tape count could not be read to check it afterwards",
      "{document}: whether the register registered it is UNKNOWN (no steady tape count came); "
      "check the tape before repeating it",
      "{document}: whether the register registered it is UNKNOWN (the tape was closed meanwhile "
      "and holds fewer entries than before); check the tape before repeating it",
      "{document}: whether it was printed is UNKNOWN (the register did not answer); look at the "
      "paper before repeating it",
      "{document}: not printed",
  };
  return words;
}

std::string VerdictSentence(std::string_view title, const DocumentOutcome& o) {
  const VerdictWords& w = Words();
  switch (o.registered) {
    case Registered::kYes:
      return Fill(o.result == CR_OK ? w.printed : w.registeredAnyway, title, o);
    case Registered::kNo:
      return Fill(o.sent ? w.notRegistered : w.notSent, title, o);
    case Registered::kUnknown:
      break;
  }
  return Fill(o.settled ? w.tapeClosed : w.unknown, title, o);
}

nlohmann::json OutcomeJson(const rules::DocumentRule& document, const DocumentOutcome& o,
                           std::optional<uint16_t> after) {
  using nlohmann::json;
  if (!after && o.settled && o.registered != Registered::kUnknown) after = o.after;
  return json{
      {"document", document.kind},
      {"result", o.result},
      {"message", VarnoloResultText(o.result)},
      {"registered", o.registered == Registered::kUnknown ? json(nullptr)
                                                          : json(o.registered == Registered::kYes)},
      {"tapeCountBefore", o.sent ? json(o.before) : json(nullptr)},
      {"tapeCountAfter", after ? json(*after) : json(nullptr)},
      {"verdict", VerdictSentence(document.title, o)}};
}

nlohmann::json PaperOutcomeJson(const rules::DocumentRule& document, int32_t result) {
  using nlohmann::json;
  const VerdictWords& w = Words();
  const bool silent = result == CR_ERR_NO_REPLY || result == CR_ERR_PORT_CLOSED;
  DocumentOutcome o;
  o.result = result;
  return json{{"document", document.kind},
              {"result", result},
              {"message", VarnoloResultText(result)},
              {"registered", result == CR_OK ? json(true)
                             : silent        ? json(nullptr)
                                             : json(false)},
              {"tapeCountBefore", nullptr},
              {"tapeCountAfter", nullptr},
              {"verdict", Fill(result == CR_OK ? w.printed
                               : silent        ? w.paperUnknown
                                               : w.notPrinted,
                               document.title, o)}};
}

}  // namespace varnolo::client

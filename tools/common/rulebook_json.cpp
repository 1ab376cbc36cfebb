#include "rulebook_json.h"

#include <sstream>

#include "document_outcome.h"
#include "document_verdict.h"
#include "rulebook.h"
#include "varnolo.h"

namespace varnolo::rules {

using nlohmann::json;

namespace {

json NumberJson(const NumberRule& n) {
  return json{{"field", n.field},       {"low", n.low},         {"high", n.high},
              {"decimals", n.decimals}, {"meaning", n.meaning}, {"when", n.when},
              {"range", RangeText(n)}};
}

json TextJson(const TextRule& t) {
  return json{{"field", t.field}, {"maxBytes", t.maxBytes}, {"digits", t.digits}};
}

#define VARNOLO_NAMED(name) \
  { #name, name }

}  // namespace

json RulebookJson() {
  json documents = json::array();
  for (const DocumentRule& d : Documents()) {
    json numbers = json::array();
    for (const NumberRule& n : d.numbers) numbers.push_back(NumberJson(n));
    json texts = json::array();
    for (const TextRule& t : d.texts) texts.push_back(TextJson(t));
    documents.push_back(json{{"kind", d.kind},
                             {"title", d.title},
                             {"function", d.function},
                             {"runTimeoutMs", d.runTimeoutMs},
                             {"runTimeoutPerLineMs", d.runTimeoutPerLineMs},
                             {"judgedByTape", d.judgedByTape},
                             {"reportKind", d.reportKind},
                             {"numbers", numbers},
                             {"texts", texts}});
  }
  const client::VerdictWords& w = client::Words();
  return json{
      {"documents", documents},
      {"saleCheck", {{"maxLines", kMaxCheckLines}, {"maxLineSum", kMaxLineSum}}},
      {"verdict",
       {{"countReadTimeoutMs", client::kCountReadTimeoutMs},
        {"quietPauseMs", client::kQuietPauseMs},
        {"quietWindowMs", client::kQuietWindowMs},
        {"words",
         {{"printed", w.printed},
          {"registeredAnyway", w.registeredAnyway},
          {"notRegistered", w.notRegistered},
          {"notSent", w.notSent},
          {"unknown", w.unknown},
          {"tapeClosed", w.tapeClosed},
          {"paperUnknown", w.paperUnknown},
          {"notPrinted", w.notPrinted}}}}},
      {"codePages", {{"library", "cp1251"}, {"register", "cp866"}}},
      {"constants",
       {{"results", json{VARNOLO_NAMED(CR_OK), VARNOLO_NAMED(CR_ERR_PORT_CLOSED),
                         VARNOLO_NAMED(CR_ERR_OUT_OF_RANGE), VARNOLO_NAMED(CR_ERR_NOT_CARRIED_OUT),
                         VARNOLO_NAMED(CR_ERR_NO_REPLY), VARNOLO_NAMED(CR_ERR_SHIFT_OPEN),
                         VARNOLO_NAMED(CR_ERR_WRONG_STATE), VARNOLO_NAMED(CR_ERR_CONFIGURATION),
                         VARNOLO_NAMED(CR_ERR_SHIFT_REFUSED), VARNOLO_NAMED(CR_ERR_TAPE_FULL),
                         VARNOLO_NAMED(CR_ERR_GOODS_EMPTY), VARNOLO_NAMED(CR_ERR_NOT_ENOUGH_CASH),
                         VARNOLO_NAMED(CR_ERR_AMOUNT_TOO_LARGE)}},
        {"configurationFlags",
         json{VARNOLO_NAMED(CR_CFG_USE_CASHIERS), VARNOLO_NAMED(CR_CFG_OPTION02),
              VARNOLO_NAMED(CR_CFG_EXTENDED_CHECKS), VARNOLO_NAMED(CR_CFG_USE_TAXES),
              VARNOLO_NAMED(CR_CFG_USE_GOODS_BASE), VARNOLO_NAMED(CR_CFG_SECTION_COUNT),
              VARNOLO_NAMED(CR_CFG_ALL)}},
        {"tapeInfoFlags", json{VARNOLO_NAMED(CR_CT_DATE_TIME), VARNOLO_NAMED(CR_CT_ENTRY_COUNT),
                               VARNOLO_NAMED(CR_CT_STATE_BYTE), VARNOLO_NAMED(CR_CT_SHIFT_OPEN)}},
        {"stateBits", json{VARNOLO_NAMED(CR_STATE_DRAWER_ALLOWED),
                           VARNOLO_NAMED(CR_STATE_PRINT_ALLOWED), VARNOLO_NAMED(CR_STATE_LOCKED)}},
        {"reportKinds", json{VARNOLO_NAMED(CR_REPORT_CASHIERS), VARNOLO_NAMED(CR_REPORT_SECTIONS),
                             VARNOLO_NAMED(CR_REPORT_HOURLY), VARNOLO_NAMED(CR_REPORT_GOODS),
                             VARNOLO_NAMED(CR_REPORT_X)}}}}};
}

std::string LimitsMarkdown() {
  std::ostringstream out;
  out << "<!-- Written by `varnolo rules --markdown`: a test holds it to the code. -->\n"
      << "# The limits of every document\n\n"
      << "What the `varnolo` tool, `varnolo-service` and the Python package accept: a value "
         "past these limits, or with more decimals, is refused before anything is sent (see "
         "[the rules](rules.md)). The C library itself cuts extra decimals off and refuses a "
         "value past them with 257 or 269.\n\n"
      << "| Document | Kind | C function | Argument | Allowed |\n"
      << "|---|---|---|---|---|\n";
  for (const DocumentRule& d : Documents()) {
    if (d.numbers.empty() && d.texts.empty()) {
      out << "| " << d.title << " | `" << d.kind << "` | `" << d.function << "` | none | |\n";
      continue;
    }
    for (const NumberRule& n : d.numbers) {
      out << "| " << d.title << " | `" << d.kind << "` | `" << d.function << "` | `" << n.field
          << "` (" << n.meaning << (n.when.empty() ? "" : ", sold by " + std::string(n.when))
          << ") | " << RangeText(n) << " |\n";
    }
    for (const TextRule& t : d.texts) {
      out << "| " << d.title << " | `" << d.kind << "` | `" << d.function << "` | `" << t.field
          << "` | "
          << (t.digits ? "exactly " + std::to_string(t.maxBytes) + " digits, or empty"
                       : "up to " + std::to_string(t.maxBytes) +
                             " characters, each printable by the register (code page 866)")
          << " |\n";
    }
  }
  out << "\nA sale check has 1 to " << kMaxCheckLines << " lines. A line's sum (quantity x price, "
      << "with its raise added and its discount taken off) is at most " << NumberText(kMaxLineSum)
      << "; the register refuses a line whose sum with its tax is above that too (269), which "
         "only it can tell.\n";
  return out.str();
}

}  // namespace varnolo::rules

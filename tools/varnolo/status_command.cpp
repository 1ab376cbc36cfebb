// status: every field is read on its own, so that a field this firmware
// cannot tell (its routine answers 258) is marked as such and the rest is
// still shown. The firmware version is not shown: the library reads it when
// the session opens but no call of the public interface returns it, and
// guessing it from which calls answer 258 could be wrong.
#include <sstream>

#include "commands.h"
#include "format.h"
#include "outcome.h"
#include "varnolo.h"
#include "varnolo_text.h"

namespace varnolo::cli {
namespace {

using nlohmann::json;

struct StatusReport {
  json data = json::object();
  std::ostringstream text;
  int32_t firstFailure = CR_OK;

  // Reads one field; on failure marks it, in JSON and text, and goes on.
  // These reads take no arguments, so 258 (no such routine) and 257 (the
  // cell lies outside the memory this firmware has, as the permission flag
  // of the state does on firmware 4 and 7) mean that this firmware cannot
  // tell.
  bool Field(const char* name, int32_t code) {
    if (code == CR_OK) return true;
    data[name] = nullptr;
    if (code == CR_ERR_NOT_CARRIED_OUT || code == CR_ERR_OUT_OF_RANGE) {
      data["notAvailable"].push_back(name);
      text << Pad(name) << "not available on this firmware\n";
    } else {
      data["errors"][name] = code;
      text << Pad(name) << "could not be read: error " << code << ": " << VarnoloResultText(code)
           << "\n";
      if (firstFailure == CR_OK) firstFailure = code;
    }
    return false;
  }
  static std::string Pad(const char* name) {
    std::string s = name;
    s.resize(16, ' ');
    return s;
  }
};

int Status() {
  StatusReport r;
  r.data["register"] = CRGetCRNumber();
  r.text << StatusReport::Pad("register") << CRGetCRNumber() << "\n";

  TimeDate clock{};
  if (r.Field("clock", CRGetTimeDate(&clock))) {
    r.data["clock"] = ClockText(clock);
    r.text << StatusReport::Pad("clock") << ClockText(clock) << "\n";
  }
  ControlTapeInfo tape{};
  if (r.Field("tape", CRGetCTInfo(&tape))) {
    r.data["shiftOpen"] = tape.shiftOpen != 0;
    r.data["tapeEntries"] = unsigned{tape.entryCount};
    r.text << StatusReport::Pad("shift") << (tape.shiftOpen != 0 ? "open" : "closed") << "\n"
           << StatusReport::Pad("tape entries") << tape.entryCount << "\n";
  }
  int32_t base = 0;
  if (r.Field("goodsBaseSize", CRGetIGBSize(&base))) {
    r.data["goodsBaseSize"] = base;
    r.text << StatusReport::Pad("goods base") << base << " entries\n";
  }
  RegisterConfiguration config{};
  if (r.Field("configuration", CRGetConfiguration(&config))) {
    r.data["configuration"] = ConfigurationJson(config);
    auto onOff = [](int32_t v) { return v != 0 ? "on" : "off"; };
    r.text << StatusReport::Pad("sections") << int{config.sectionCount} << "\n"
           << StatusReport::Pad("cashiers")
           << (config.useCashiers != 0 ? "registered" : "not registered") << "\n"
           << StatusReport::Pad("goods base use") << onOff(config.useGoodsBase) << "\n"
           << StatusReport::Pad("extended checks") << onOff(config.extendedChecks) << "\n"
           << StatusReport::Pad("taxes") << onOff(config.useTaxes) << "\n";
  }
  uint32_t state = 0;
  if (r.Field("state", CRGetState(&state))) {
    r.data["state"] = {{"drawerAllowed", (state & CR_STATE_DRAWER_ALLOWED) != 0},
                       {"printingAllowed", (state & CR_STATE_PRINT_ALLOWED) != 0},
                       {"locked", (state & CR_STATE_LOCKED) != 0}};
    r.text << StatusReport::Pad("drawer")
           << ((state & CR_STATE_DRAWER_ALLOWED) != 0 ? "may open" : "locked") << "\n"
           << StatusReport::Pad("printing")
           << ((state & CR_STATE_PRINT_ALLOWED) != 0 ? "allowed" : "not allowed") << "\n"
           << StatusReport::Pad("lock") << ((state & CR_STATE_LOCKED) != 0 ? "locked" : "unlocked")
           << "\n";
  }
  Outcome outcome{r.firstFailure, r.data, r.text.str(), "some fields could not be read", true};
  return Report(outcome);
}

}  // namespace

void AddStatusCommand(CLI::App& app, CommandRun& run) {
  app.add_subcommand("status",
                     "Show the register's clock, shift, tape, goods base, configuration and "
                     "state, field by field")
      ->callback([&run] { run = [] { return WithSession(Status); }; });
}

}  // namespace varnolo::cli

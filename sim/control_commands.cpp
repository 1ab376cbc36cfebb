#include "control_commands.h"

#include <cmath>

#include "code_page_866.h"
#include "image_file.h"
#include "scenario.h"
#include "totals.h"

namespace varnolo::sim {
namespace {

using nlohmann::json;

json Error(const std::string& message) { return {{"ok", false}, {"error", message}}; }

json Ok() { return {{"ok", true}}; }

json PendingFaults(const Register& reg) {
  json list = json::array();
  for (const Fault& f : reg.faults().pending()) {
    json one{{"fault", FaultSpec(f)}};
    if (f.atRequest != 0) one["atRequest"] = f.atRequest;
    list.push_back(one);
  }
  return list;
}

double Currency(uint64_t hundredths) { return static_cast<double>(hundredths) / 100.0; }

json State(const Register& reg) {
  using namespace totals;
  json shift{{"open", reg.ShiftOpen()}, {"number", reg.ShiftNumber()}};
  if (reg.ShiftOpen()) {
    shift["openedAt"] = FormatRegisterTime(reg.ShiftStart());
    shift["hoursOpen"] = std::floor(static_cast<double>(reg.Now() - reg.ShiftStart()) / 36.0) / 100;
  }
  return {{"ok", true},
          {"firmware", reg.firmware()},
          {"number", reg.number()},
          {"goodsBase", reg.goodsBase()},
          {"clock", FormatRegisterTime(reg.Now())},
          {"shift", shift},
          {"tape", {{"entries", reg.TapeCount()}, {"capacity", reg.TapeCapacity()}}},
          {"drawerCash", Currency(reg.DrawerCash())},
          {"documentNumber", reg.DocumentNumber()},
          {"display", Cp866ToUtf8(reg.display())},
          {"counters",
           {{"requests", reg.Requests()},
            {"faultsCommitted", reg.FaultsCommitted()},
            {"checks", reg.Counter(kRegister, 0, kChecks)},
            {"lines", reg.Counter(kRegister, 0, kLines)},
            {"annulments", reg.Counter(kRegister, 0, kAnnulments)},
            {"reports", reg.Counter(kRegister, 0, kReports)},
            {"sales", Currency(reg.Amount(kRegister, 0, kSales))}}},
          {"faults", PendingFaults(reg)}};
}

std::string Text(const json& c, const char* key) {
  return c.contains(key) && c[key].is_string() ? c[key].get<std::string>() : "";
}

}  // namespace

json RunControlCommand(Register& reg, const json& c) {
  if (!c.is_object() || !c.contains("command") || !c["command"].is_string())
    return Error("a command is a JSON object with a \"command\"");
  const std::string name = c["command"].get<std::string>();
  std::string error;
  if (name == "state") return State(reg);
  if (name == "fault") {
    json fields = c;
    fields.erase("command");
    Fault f;
    if (!FaultFromJson(fields, f, &error)) return Error(error);
    reg.faults().Add(f);
    json out = Ok();
    out["faults"] = PendingFaults(reg);
    return out;
  }
  if (name == "clear-faults") {
    reg.faults().Clear();
    return Ok();
  }
  if (name == "reset") {
    reg.faults().Clear();
    reg.FactoryReset();
    return Ok();
  }
  if (name == "tape") {
    if (!c.contains("entries") || !c["entries"].is_number_integer() ||
        c["entries"].get<int64_t>() < 0 || c["entries"].get<int64_t>() > reg.TapeCapacity()) {
      return Error("tape takes \"entries\" from 0 to " + std::to_string(reg.TapeCapacity()));
    }
    reg.SetTapeFill(static_cast<uint16_t>(c["entries"].get<uint64_t>()));
    return Ok();
  }
  if (name == "open-shift") {
    json shift = json::object();
    if (c.contains("at")) shift["openedAt"] = c["at"];
    if (c.contains("hoursAgo")) shift["openedHoursAgo"] = c["hoursAgo"];
    if (!ApplyScenario(reg, {{"shift", shift}}, &error))
      return Error("open-shift takes \"at\" (YYYY-MM-DDTHH:MM:SS) or \"hoursAgo\"");
    return Ok();
  }
  if (name == "drawer") {
    if (!ApplyScenario(reg, {{"drawerCash", c.value("cash", json())}}, &error))
      return Error("drawer takes \"cash\", an amount of 0 or more");
    return Ok();
  }
  if (name == "scenario") {
    const bool ok = c.contains("scenario") ? ApplyScenario(reg, c["scenario"], &error)
                    : c.contains("path")
                        ? ApplyScenarioFile(reg, Text(c, "path"), &error)
                        : (error = "scenario takes \"path\" or \"scenario\"", false);
    return ok ? Ok() : Error(error);
  }
  if (name == "save" || name == "load") {
    const std::string path = Text(c, "path");
    if (path.empty()) return Error(name + " takes a \"path\"");
    const bool ok = name == "save" ? SaveImage(reg, path, &error) : LoadImage(reg, path, &error);
    if (!ok) return Error(error);
    if (name == "load") reg.MarkChanged();
    return Ok();
  }
  return Error("unknown command '" + name + "'");
}

std::string RunControlLine(Register& reg, const std::string& line) {
  const json c = json::parse(line, nullptr, false);
  const json answer = c.is_discarded() ? Error("not valid JSON") : RunControlCommand(reg, c);
  return answer.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace varnolo::sim

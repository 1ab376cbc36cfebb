#include "outcome.h"

#include <iostream>

#include "interrupt.h"
#include "varnolo.h"
#include "varnolo_text.h"

namespace varnolo::cli {

using nlohmann::json;

Options& GlobalOptions() {
  static Options options;
  return options;
}

int Report(const Outcome& outcome) {
  const bool ok = outcome.code == CR_OK;
  if (GlobalOptions().json) {
    json data = outcome.data;
    data["result"] = outcome.code;
    data["message"] = VarnoloResultText(outcome.code);
    if (!ok && !outcome.detail.empty()) data["detail"] = outcome.detail;
    std::cout << data.dump(2) << std::endl;
  } else if (ok || outcome.partial) {
    std::cout << outcome.text << std::flush;
  }
  if (!ok) {
    std::cerr << "varnolo: error " << outcome.code << ": " << VarnoloResultText(outcome.code);
    if (!outcome.detail.empty()) std::cerr << " (" << outcome.detail << ")";
    std::cerr << std::endl;
  }
  return ok ? kExitOk : kExitRefused;
}

int UsageError(const std::string& message) {
  if (GlobalOptions().json) std::cout << json{{"error", message}}.dump(2) << std::endl;
  std::cerr << "varnolo: " << message << std::endl;
  return kExitUsage;
}

int Refuse(const std::string& message, json data) {
  if (GlobalOptions().json) {
    data["error"] = message;
    std::cout << data.dump(2) << std::endl;
  }
  std::cerr << "varnolo: " << message << std::endl;
  return kExitRefused;
}

int WithSession(const std::function<int()>& body) {
  const Options& options = GlobalOptions();
  int exit = kExitOk;
  {
    RegisterSession session(options.target);
    if (!session.open()) {
      const std::string where = options.target.port;
      if (options.json) {
        std::cout << json{{"result", -1}, {"message", "no register answered on " + where}}.dump(2)
                  << std::endl;
      }
      std::cerr << "varnolo: no register " << options.target.registerNumber << " answered on "
                << where << std::endl;
      return StopRequested() ? StopExitCode() : kExitNoRegister;
    }
    if (!StopRequested()) exit = body();
  }  // the session ends here: the register is unlocked
  if (StopRequested()) {
    std::cerr << "varnolo: interrupted; the session was ended" << std::endl;
    return StopExitCode();
  }
  return exit;
}

int ReportDocument(const char* what, const client::DocumentOutcome& o) {
  using client::Registered;
  json data{{"document", what}, {"tapeEntriesBefore", o.before}};
  std::string verdict;
  int exit = kExitOk;
  switch (o.registered) {
    case Registered::kYes:
      data["registered"] = true;
      data["tapeEntriesAfter"] = o.after;
      exit = o.result == CR_OK ? kExitOk : kExitRegisteredAnyway;
      verdict = o.result == CR_OK
                    ? std::string(what) + ": printed\n"
                    : std::string(what) +
                          ": the register DID register it although the call failed (the tape "
                          "grew from " +
                          std::to_string(o.before) + " to " + std::to_string(o.after) +
                          " entries); do not repeat it\n";
      break;
    case Registered::kNo:
      data["registered"] = false;
      exit = kExitRefused;
      if (o.sent) {
        data["tapeEntriesAfter"] = o.after;
        verdict = std::string(what) + ": the register did not register it (the tape still has " +
                  std::to_string(o.after) + " entries)\n";
      } else {
        data.erase("tapeEntriesBefore");
        verdict = std::string(what) +
                  ": not sent, because the tape count could not be read to check it afterwards\n";
      }
      break;
    case Registered::kUnknown:
      data["registered"] = nullptr;
      exit = kExitUnknown;
      verdict = std::string(what) +
                ": whether the register registered it is UNKNOWN (no steady tape count came); "
                "check the tape before repeating it\n";
      break;
  }
  if (GlobalOptions().json) {
    data["result"] = o.result;
    data["message"] = VarnoloResultText(o.result);
    std::cout << data.dump(2) << std::endl;
  } else {
    std::cout << verdict << std::flush;
  }
  if (o.result != CR_OK) {
    std::cerr << "varnolo: error " << o.result << ": " << VarnoloResultText(o.result) << std::endl;
  }
  return exit;
}

int Document(const char* what, uint32_t runTimeoutMs, const std::function<int32_t()>& run) {
  return WithSession([&] { return ReportDocument(what, client::RunDocument(run, runTimeoutMs)); });
}

}  // namespace varnolo::cli

#include "outcome.h"

#include <iostream>

#include "document_outcome.h"
#include "interrupt.h"
#include "port_name.h"
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
  if (std::string error; !client::ResolvePort(options.target.port, &error))
    return UsageError(error);
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

int ReportDocument(const rules::DocumentRule& document, const client::DocumentOutcome& o) {
  using client::Registered;
  int exit = kExitOk;
  switch (o.registered) {
    case Registered::kYes:
      exit = o.result == CR_OK ? kExitOk : kExitRegisteredAnyway;
      break;
    case Registered::kNo:
      exit = kExitRefused;
      break;
    case Registered::kUnknown:
      exit = kExitUnknown;
      break;
  }
  if (GlobalOptions().json) {
    std::cout << client::OutcomeJson(document, o).dump(2) << std::endl;
  } else {
    std::cout << client::VerdictSentence(document.title, o) << std::endl;
  }
  if (o.result != CR_OK) {
    std::cerr << "varnolo: error " << o.result << ": " << VarnoloResultText(o.result) << std::endl;
  }
  return exit;
}

int RunAndReport(const rules::DocumentRule& document, uint32_t runTimeoutMs,
                 const std::function<int32_t()>& run) {
  return ReportDocument(document, client::RunDocument(run, runTimeoutMs));
}

int Document(const rules::DocumentRule& document, uint32_t runTimeoutMs,
             const std::function<int32_t()>& run) {
  return WithSession([&] { return RunAndReport(document, runTimeoutMs, run); });
}

int PaperDocument(const rules::DocumentRule& document, const std::function<int32_t()>& run) {
  return WithSession([&] {
    const int32_t result = run();
    const json outcome = client::PaperOutcomeJson(document, result);
    const std::string verdict = outcome["verdict"];
    if (GlobalOptions().json) std::cout << outcome.dump(2) << std::endl;
    if (result == CR_OK) {
      if (!GlobalOptions().json) std::cout << verdict << std::endl;
      return kExitOk;
    }
    std::cerr << "varnolo: error " << result << ": " << VarnoloResultText(result) << "; " << verdict
              << std::endl;
    return outcome["registered"].is_null() ? kExitUnknown : kExitRefused;
  });
}

}  // namespace varnolo::cli

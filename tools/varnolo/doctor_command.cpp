// doctor: for a technician at the till when "the register is not found". It
// looks at the port named with --port, or at every port the library would use
// and the usual serial devices, and says of each: does it exist, may this user
// open it, which process holds it, does register N answer on it, and then its
// clock against the PC's, the shift's age and the tape's fill. Exit 0 when a
// register answered, 3 when none did.
#include <iostream>
#include <memory>

#include "commands.h"
#include "doctor_report.h"
#include "interrupt.h"
#include "outcome.h"
#include "support_bundle.h"

namespace varnolo::cli {
namespace {

struct DoctorOptions {
  std::string bundle;  // the support archive to write, if any
};

PortReport Examine(const PortCandidate& candidate, uint32_t registerNumber) {
  PortReport report{candidate, {}, {}, std::nullopt, {}};
  if (!candidate.network) {
    report.access = LookAtDevice(candidate);
    if (!report.access.exists) {
      report.notTried = "no such device";
      return report;
    }
    if (!report.access.permitted) {
      report.notTried = "no permission";
      return report;
    }
    if (!report.access.serialChip) {
      report.notTried = "no serial chip behind it";
      return report;
    }
    report.holders = PortHolders(report.access.device);
    if (!report.holders.empty()) {
      report.notTried = "another program holds the port: stop it first";
      return report;
    }
  }
  report.found = ProbeRegister(candidate.name, registerNumber);
  return report;
}

int Doctor(const DoctorOptions& options, const std::optional<std::string>& namedPort) {
  const Options& global = GlobalOptions();
  SupportBundle bundle;
  std::string error;
  if (!options.bundle.empty() && !bundle.Begin(&error)) return Refuse(error);
  DoctorReport report;
  report.registerNumber = global.target.registerNumber;
  for (const PortCandidate& candidate : DoctorCandidates(namedPort)) {
    if (StopRequested()) return StopExitCode();
    report.ports.push_back(Examine(candidate, report.registerNumber));
  }
  const nlohmann::json findings = DoctorJson(report);
  if (!options.bundle.empty() && !bundle.Write(options.bundle, findings, &error))
    return Refuse(error);
  if (global.json) {
    std::cout << findings.dump(2) << std::endl;
  } else {
    std::cout << DoctorText(report);
    if (!options.bundle.empty()) std::cout << "support archive: " << options.bundle << "\n";
    std::cout << std::flush;
  }
  return report.Answered() ? kExitOk : kExitNoRegister;
}

}  // namespace

void AddDoctorCommand(CLI::App& app, CommandRun& run) {
  auto* d = app.add_subcommand(
      "doctor",
      "Find the register: for the port named with --port, or else every port the library would "
      "use and /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*, say whether it exists, may be opened, "
      "is held by another program (its pid), whether the register answers, and its clock, "
      "shift age and tape fill. Exit 0 when a register answered");
  auto o = std::make_shared<DoctorOptions>();
  d->add_option("--bundle", o->bundle,
                "also write a support archive (.tar.gz): the findings, the byte trace of this "
                "run, the versions and the system's description");
  const CLI::Option* port = app.get_option("--port");
  d->callback([o, port, &run] {
    run = [o, port] {
      std::optional<std::string> named;
      if (port->count() > 0) named = GlobalOptions().target.port;
      return Doctor(*o, named);
    };
  });
}

}  // namespace varnolo::cli

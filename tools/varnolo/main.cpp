// varnolo: the fiscal register from the command line, for service technicians
// and scripts. Every command opens a session, does its work and closes it.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <string>

#include "commands.h"
#include "interrupt.h"
#include "outcome.h"

namespace {

std::string EnvOr(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? v : fallback;
}

const char* const kFooter = R"(
Environment: VARNOLO_PORT and VARNOLO_REGISTER give the defaults of --port and --register.

Exit status:
  0  done
  1  the register or the library refused; a document was NOT registered
  2  bad arguments or input, or a value the register would cut or refuse (more decimals
     than it keeps, out of its range, a character it cannot print: see `varnolo rules`);
     nothing was sent
  3  no register answered
  4  a document call failed but the register DID register it: do not repeat it
  5  a document call failed and the tape could not tell (a report or the shift close: the
     register fell silent): check the tape or the paper before repeating
  130, 143  stopped by SIGINT or SIGTERM after the exchange under way; the session was ended

After a failed document the tool reads the tape count until two reads agree (the line
is quiet), within what is left of the document's print timeout, and compares it with
the count before: "registered" in JSON is true, false or null (unknown).)";

}  // namespace

int main(int argc, char** argv) {
  using namespace varnolo::cli;
  InstallStopHandlers();
  CLI::App app{"varnolo: drive a fiscal cash register from the command line"};
  app.footer(std::string(kFooter) + "\n\nsell --file: " + CheckFileKeysHelp() + ".");
  app.set_version_flag("--version", "varnolo " VARNOLO_VERSION);
  app.require_subcommand(1);
  Options& options = GlobalOptions();
  options.target.port = EnvOr("VARNOLO_PORT", "COM1");
  const std::string registerText = EnvOr("VARNOLO_REGISTER", "1");
  char* end = nullptr;
  const unsigned long registerNumber = std::strtoul(registerText.c_str(), &end, 10);
  if (registerText.empty() || *end != '\0' || registerNumber > 0xFFFFFFFFul)
    return UsageError("VARNOLO_REGISTER='" + registerText + "' is not a register number");
  options.target.registerNumber = static_cast<uint32_t>(registerNumber);
  app.add_option("--port", options.target.port,
                 "COM1, COM2, a device path, tcp://HOST:PORT or rfc2217://HOST:PORT")
      ->capture_default_str();
  app.add_option("--register", options.target.registerNumber, "the register's number on the line")
      ->capture_default_str();
  app.add_flag("--json", options.json, "print results as JSON for scripts");
  app.fallthrough();

  CommandRun run;
  AddStatusCommand(app, run);
  AddSettingsCommands(app, run);
  AddGoodsCommands(app, run);
  AddDocumentCommands(app, run);
  AddReportCommands(app, run);
  AddDeviceCommands(app, run);
  AddDoctorCommand(app, run);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kExitOk : kExitUsage;
  }
  return run ? run() : kExitOk;
}

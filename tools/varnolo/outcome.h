// The one path every command's result takes to the user: a result code, the
// data for --json and a text for people that is printed only on success.
// Failures go to standard error with the result code and its sentence.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "document_verdict.h"
#include "register_session.h"
#include "rulebook.h"

namespace varnolo::cli {

using client::RegisterSession;
using client::Target;

enum Exit {
  kExitOk = 0,
  kExitRefused = 1,           // the register or the library refused; nothing was registered
  kExitUsage = 2,             // bad arguments or input: nothing was sent
  kExitNoRegister = 3,        // no register answered
  kExitRegisteredAnyway = 4,  // a document failed but is on the tape: do not repeat it
  kExitUnknown = 5,           // a document failed and the tape could not tell: check it
};

struct Options {
  Target target;
  bool json = false;
};
Options& GlobalOptions();

struct Outcome {
  int32_t code = 0;
  nlohmann::json data = nlohmann::json::object();  // printed with --json, also on failure
  std::string text;                                // printed for people only when code is 0
  std::string detail;                              // printed with a failure: what failed
  bool partial = false;  // the text says field by field what was read: print it anyway
};

int Report(const Outcome& outcome);
inline int Report(int32_t code, nlohmann::json data = nlohmann::json::object(),
                  std::string text = {}) {
  return Report(Outcome{code, std::move(data), std::move(text), {}});
}
// Bad input: names what is wrong, sends nothing, exit 2.
int UsageError(const std::string& message);
// Anything else that stops a command short (a file, an interruption): exit 1.
int Refuse(const std::string& message, nlohmann::json data = nlohmann::json::object());

// Opens the session, runs the body and ends the session. After SIGINT or
// SIGTERM the session is ended and the exit code is 130 or 143.
int WithSession(const std::function<int()>& body);

// A document's outcome with the verdict of the tape count: the verdict
// sentence for people, the outcome's one JSON shape with --json.
int ReportDocument(const rules::DocumentRule& document, const client::DocumentOutcome& outcome);

// Runs a document in the open session and reports it.
int RunAndReport(const rules::DocumentRule& document, uint32_t runTimeoutMs,
                 const std::function<int32_t()>& run);

// The same in a session of its own.
int Document(const rules::DocumentRule& document, uint32_t runTimeoutMs,
             const std::function<int32_t()>& run);

// A report or the shift close, which the tape does not judge: in a session
// of its own, the verdict on standard output when printed, on standard error
// with the error otherwise; with --json the outcome's one shape. Exit 5 when
// the register fell silent (look at the paper), 1 when it refused.
int PaperDocument(const rules::DocumentRule& document, const std::function<int32_t()>& run);

}  // namespace varnolo::cli

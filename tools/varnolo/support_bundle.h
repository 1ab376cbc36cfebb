// doctor --bundle: a support archive a technician sends with a case. It holds
// the doctor's findings as JSON, the byte trace of the doctor's own sessions,
// the versions of the tool and of the library it loaded, and the system's
// description (kernel and os-release, without the host name). Nothing else of
// the machine goes in: no environment, no tokens, no service journal.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace varnolo::cli {

class SupportBundle {
 public:
  SupportBundle() = default;
  ~SupportBundle();  // removes the staging folder
  SupportBundle(const SupportBundle&) = delete;
  SupportBundle& operator=(const SupportBundle&) = delete;

  // Makes the staging folder and points VARNOLO_TRACE at the trace file in
  // it, so that the sessions opened after this call are traced there. Call it
  // before other threads run.
  bool Begin(std::string* error);
  // Writes the archive (tar and gzip, by the system's tar) to `path`, which
  // is replaced only once the archive is complete.
  bool Write(const std::string& path, const nlohmann::json& findings, std::string* error);

 private:
  std::string staging_;  // the folder that holds the folder archived
};

}  // namespace varnolo::cli

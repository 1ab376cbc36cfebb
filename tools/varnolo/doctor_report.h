// doctor: what was found on each port, for people and as JSON.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "doctor_ports.h"
#include "port_holders.h"
#include "register_probe.h"

namespace varnolo::cli {

struct PortReport {
  PortCandidate candidate;
  DeviceAccess access;
  std::vector<PortHolder> holders;
  std::optional<RegisterFindings> found;  // none when the register was not tried
  std::string notTried;                   // why not
};

struct DoctorReport {
  uint32_t registerNumber = 1;
  std::vector<PortReport> ports;
  bool Answered() const;
};

nlohmann::json DoctorJson(const DoctorReport& report);
std::string DoctorText(const DoctorReport& report);

}  // namespace varnolo::cli

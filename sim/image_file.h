// The register's whole memory in a file, so that a simulated register keeps
// its fiscal data across runs. Saved atomically: a temporary file is written,
// flushed to disk and renamed over the old image.
#pragma once

#include <string>

#include "register.h"

namespace varnolo::sim {

bool SaveImage(const Register& reg, const std::string& path, std::string* error);
// Loads memory saved for the same firmware version and number; false with a
// reason otherwise (the register is left as it was).
bool LoadImage(Register& reg, const std::string& path, std::string* error);

}  // namespace varnolo::sim

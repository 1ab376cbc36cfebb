#include "platform/platform.h"

namespace varnolo {
namespace {
Platform* installed = nullptr;
}

Platform& CurrentPlatform() { return installed != nullptr ? *installed : SystemPlatform(); }

void InstallPlatform(Platform* platform) { installed = platform; }

}  // namespace varnolo

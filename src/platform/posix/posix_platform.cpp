// The system's own platform on POSIX systems.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "platform/code_pages.h"
#include "platform/embedded_resource.h"
#include "platform/platform.h"
#include "platform/port_opening.h"
#include "platform/posix/posix_connection.h"
#include "platform/posix/posix_serial_port.h"

namespace varnolo {
namespace {

constexpr int kNotRaised = INT_MIN;
constexpr int kRaiseBy = 5;

id_t CurrentThreadId() {
  thread_local const id_t tid = static_cast<id_t>(syscall(SYS_gettid));
  return tid;
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

class PosixPlatform final : public Platform {
 public:
  std::unique_ptr<SerialPort> OpenSerialPort(const char* name) override {
    // COM1 and COM2 are /dev/ttyS0 and /dev/ttyS1 unless VARNOLO_COM1 or
    // VARNOLO_COM2 names another device or a device server, read each time.
    static const PortBackends backends{"/dev/ttyS0", "/dev/ttyS1", Variable, OpenPosixSerialPort,
                                       ConnectPosix};
    return OpenPortByName(name, backends);
  }

  void SleepMs(uint32_t ms) override {
    // The protocol's pauses are short and exact: the default 50 us of timer
    // slack would lengthen every 1 ms pause by several percent.
    thread_local const bool exact = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    (void)exact;
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>((ms % 1000) * 1000000L)};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &ts, &ts) == EINTR) {
    }
  }

  uint64_t NowMs() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  }

  // The nice value of this thread is lowered (priority raised) where the
  // system allows it; a refusal leaves it as it was and is not an error.
  int RaiseThreadPriority() override {
    const id_t tid = CurrentThreadId();
    errno = 0;
    const int old = getpriority(PRIO_PROCESS, tid);
    if (errno != 0) return kNotRaised;
    if (setpriority(PRIO_PROCESS, tid, old - kRaiseBy) != 0) return kNotRaised;
    return old;
  }

  void RestoreThreadPriority(int token) override {
    if (token == kNotRaised) return;
    setpriority(PRIO_PROCESS, CurrentThreadId(), token);
  }

  void AnsiToOem(char* text, size_t n) override { AnsiToOemTable(text, n); }
  void OemToAnsi(char* text, size_t n) override { OemToAnsiTable(text, n); }

  std::span<const uint8_t> FindFirmwareTable() override { return EmbeddedFirmwareTable(); }
};

}  // namespace

Platform& SystemPlatform() {
  static PosixPlatform platform;
  return platform;
}

}  // namespace varnolo

#include "interrupt.h"

#include <signal.h>

#include <csignal>

namespace varnolo::cli {
namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStop(int signal) { stopSignal = signal; }

}  // namespace

void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStop;
  sigemptyset(&action.sa_mask);
  // A second signal of the same kind ends the tool at once.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() { return stopSignal != 0; }

int StopExitCode() { return stopSignal == 0 ? 0 : 128 + stopSignal; }

}  // namespace varnolo::cli

// varnolo-sim: a simulated fiscal register on a pseudo-terminal or a serial port.
#include <getopt.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include "ctl_client.h"
#include "image_file.h"
#include "recorded_trace.h"
#include "register.h"
#include "replay.h"
#include "scenario.h"
#include "server.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }

const char* const kUsage = R"(usage: varnolo-sim [options]
       varnolo-sim ctl SOCKET COMMAND...   (varnolo-sim ctl --help)

A simulated fiscal cash register that answers the register protocol. It prints
receipts to a paper log, keeps a control tape, trade totals and drawer cash,
opens and closes shifts, and can commit faults on the line on request.

Line (one of):
  --pty                 create a pseudo-terminal and print its path (default)
  --link PATH           with --pty: also make PATH a symbolic link to it; a
                        PATH that points to a pseudo-terminal in use (another
                        simulator's) is refused; the link is removed on exit
  --device PATH         serve a real serial port at 9600 8N1 instead
  --baud N              take as long as a real line at N baud would, both ways
                        (9600: about 1.04 ms a byte); without it the line is
                        as fast as the pseudo-terminal

Register:
  --firmware N          firmware version 3 to 7 (default 3)
  --number N            the register's number on the line (default 1)
  --goods-base N        goods base of 500 or 1800 entries (default 1800)
  --scenario FILE       start from the state FILE describes (JSON: configuration,
                        taxes, names, goods, an open shift, drawer cash, a filled
                        tape, faults by request count; see sim/scenarios/)

Files:
  --image FILE          load the register's memory from FILE (a new register
                        when it does not exist) and save it after every command
                        that changed it, atomically
  --paper FILE          append receipts and reports to FILE as UTF-8 text
  --trace FILE          append one line per packet, both directions: the
                        milliseconds since start, the decoded packet and the
                        fault it carried, e.g. [fault delay 9700]
                        (FILE "-" is standard output, for --paper too)

Control:
  --control SOCKET      take commands on a Unix socket, one JSON object a line,
                        one JSON answer a line: add or clear faults, reset, set
                        the tape fill, open a shift, set drawer cash, read the
                        state, save or load a snapshot (varnolo-sim ctl --help)

Faults (repeatable):
  --fault FAULT         drop[:N]      no reply to the next N requests (default 1)
                        status:S      answer with status byte S, do nothing
                        cut:N         send only the first N bytes of the reply
                        delay:MS      send the reply MS milliseconds late
                        damage        damage the reply's checksum
                        stray:N       send N stray bytes before the reply
                        hangup        send half the reply, then close the line
                                      (a new pseudo-terminal takes its place)
                        late          hold the reply back and send it just
                                      after the next request has come in
                        pace:MS       send the reply one byte every MS ms
                                      (a real line at 9600 baud: pace:1)
                        short:N       answer a read with N data bytes fewer
                                      than asked for (a consistent packet)
                        long:N        answer a read with N data bytes more
                        nodata        answer a read with status 0 and no data
                        add @0xCMD to limit it to one command and +N to
                        let N matching replies pass first, e.g.
                        --fault drop@0x0701  --fault status:5@0x0101+2

  How faults queue: a fault applies to the next reply it matches (any reply,
  or only replies to @0xCMD). Faults that match the same reply wait in the
  order they were given: only the first of them fires (and counts down its +N)
  until it is used up, so the +N of a later one counts from when the one
  before it has fired. A fault for another command does not hold them up.
  Faults added on the control channel join the same queue; from a scenario
  they can wait for a request count ("atRequest").

Replay:
  --replay TRACE        play the register's side of a byte trace the library
                        wrote (VARNOLO_TRACE): each request that equals the
                        trace's next one gets the bytes recorded for it, after
                        the recorded pause; a lost reply is lost again. The
                        first request that differs stops the simulator with
                        exit 1, naming the trace line and both requests on
                        standard error. A trace that cannot be read is refused
                        with its line number (exit 2). Goes with --pty,
                        --link and --device only: the recorded pauses hold
                        the line's own time.
  --at-once             with --replay: send every reply without its pause

  --version             print the version
  --help                show this text

SIGINT, SIGTERM, SIGHUP and SIGQUIT stop the simulator cleanly.
)";

bool ParseInt(const char* s, long lo, long hi, long& out) {
  char* end = nullptr;
  out = std::strtol(s, &end, 0);
  return end != s && *end == '\0' && out >= lo && out <= hi;
}

void InstallStopHandlers() {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  sigaction(SIGQUIT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

int Fail(const std::string& message) {
  std::cerr << "varnolo-sim: " << message << "\nTry 'varnolo-sim --help'.\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace varnolo::sim;
  if (argc >= 2 && std::string(argv[1]) == "ctl") return RunCtl(argc - 2, argv + 2);
  RegisterOptions registerOptions;
  std::string scenario;
  ServeOptions serveOptions;
  std::vector<Fault> faults;
  ReplayOptions replayOptions;
  enum {
    kPty = 1000,
    kLink,
    kDevice,
    kBaud,
    kFirmware,
    kNumber,
    kGoodsBase,
    kImage,
    kPaper,
    kTrace,
    kFault,
    kControl,
    kScenario,
    kReplay,
    kAtOnce,
    kVersion,
    kHelp
  };
  const option longOptions[] = {{"pty", no_argument, nullptr, kPty},
                                {"link", required_argument, nullptr, kLink},
                                {"device", required_argument, nullptr, kDevice},
                                {"baud", required_argument, nullptr, kBaud},
                                {"firmware", required_argument, nullptr, kFirmware},
                                {"number", required_argument, nullptr, kNumber},
                                {"goods-base", required_argument, nullptr, kGoodsBase},
                                {"image", required_argument, nullptr, kImage},
                                {"paper", required_argument, nullptr, kPaper},
                                {"trace", required_argument, nullptr, kTrace},
                                {"fault", required_argument, nullptr, kFault},
                                {"control", required_argument, nullptr, kControl},
                                {"scenario", required_argument, nullptr, kScenario},
                                {"replay", required_argument, nullptr, kReplay},
                                {"at-once", no_argument, nullptr, kAtOnce},
                                {"version", no_argument, nullptr, kVersion},
                                {"help", no_argument, nullptr, kHelp},
                                {nullptr, 0, nullptr, 0}};
  opterr = 0;
  for (int c; (c = getopt_long(argc, argv, "", longOptions, nullptr)) != -1;) {
    long v = 0;
    switch (c) {
      case kPty:
        serveOptions.pty = true;
        break;
      case kLink:
        serveOptions.link = optarg;
        break;
      case kDevice:
        serveOptions.device = optarg, serveOptions.pty = false;
        break;
      case kBaud:
        if (!ParseInt(optarg, 50, 4000000, v))
          return Fail("--baud takes a speed from 50 to 4000000");
        serveOptions.baud = static_cast<uint32_t>(v);
        break;
      case kFirmware:
        if (!ParseInt(optarg, 3, 7, v)) return Fail("--firmware takes a version from 3 to 7");
        registerOptions.firmware = static_cast<uint8_t>(v);
        break;
      case kNumber:
        if (!ParseInt(optarg, 0, 99999999, v)) return Fail("--number takes 0 to 99999999");
        registerOptions.number = static_cast<uint32_t>(v);
        break;
      case kGoodsBase:
        if (!ParseInt(optarg, 500, 1800, v) || (v != 500 && v != 1800)) {
          return Fail("--goods-base takes 500 or 1800");
        }
        registerOptions.goodsBase = static_cast<int>(v);
        break;
      case kImage:
        serveOptions.image = optarg;
        break;
      case kPaper:
        serveOptions.paper = optarg;
        break;
      case kTrace:
        serveOptions.trace = optarg;
        break;
      case kFault: {
        auto f = ParseFault(optarg);
        if (!f) return Fail(std::string("bad fault '") + optarg + "'");
        faults.push_back(*f);
        break;
      }
      case kControl:
        serveOptions.control = optarg;
        break;
      case kScenario:
        scenario = optarg;
        break;
      case kReplay:
        replayOptions.tracePath = optarg;
        break;
      case kAtOnce:
        replayOptions.atOnce = true;
        break;
      case kVersion:
        std::cout << "varnolo-sim " << VARNOLO_VERSION << "\n";
        return 0;
      case kHelp:
        std::cout << kUsage;
        return 0;
      default:
        return Fail(std::string("unknown or incomplete option '") + argv[optind - 1] + "'");
    }
  }
  if (optind < argc) return Fail(std::string("unexpected argument '") + argv[optind] + "'");
  if (!serveOptions.link.empty() && !serveOptions.pty) return Fail("--link goes with --pty");
  if (replayOptions.atOnce && replayOptions.tracePath.empty())
    return Fail("--at-once goes with --replay");

  InstallStopHandlers();
  if (!replayOptions.tracePath.empty()) {
    if (!faults.empty() || !scenario.empty() || !serveOptions.image.empty() ||
        !serveOptions.paper.empty() || !serveOptions.trace.empty() ||
        !serveOptions.control.empty() || serveOptions.baud != 0)
      return Fail("--replay goes with --pty, --link, --device and --at-once only");
    std::string error;
    const std::optional<RecordedTrace> trace = ReadRecordedTrace(replayOptions.tracePath, &error);
    if (!trace) return Fail("cannot replay " + error);
    return Replay(*trace, replayOptions, serveOptions, &stopRequested);
  }

  Register reg(registerOptions);
  if (!serveOptions.image.empty()) {
    std::string error;
    if (access(serveOptions.image.c_str(), F_OK) == 0) {
      if (!LoadImage(reg, serveOptions.image, &error)) return Fail(error);
    } else if (!SaveImage(reg, serveOptions.image, &error)) {
      return Fail(error);
    }
  }
  if (!scenario.empty()) {
    std::string error;
    if (!ApplyScenarioFile(reg, scenario, &error)) return Fail(error);
    if (!serveOptions.image.empty() && !SaveImage(reg, serveOptions.image, &error))
      return Fail(error);
    reg.TakeChanged();
  }
  for (const Fault& f : faults) reg.faults().Add(f);
  return Serve(reg, serveOptions, &stopRequested);
}

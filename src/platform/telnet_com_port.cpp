#include "platform/telnet_com_port.h"

namespace varnolo {
namespace {

// Com-port option commands, client to server.
constexpr uint8_t kSetBaudRate = 1;
constexpr uint8_t kSetDataSize = 2;
constexpr uint8_t kSetParity = 3;
constexpr uint8_t kSetStopSize = 4;
constexpr uint8_t kSetControl = 5;
constexpr uint8_t kPurgeData = 12;
constexpr uint8_t kParityNone = 1;
constexpr uint8_t kOneStopBit = 1;
constexpr uint8_t kNoFlowControl = 1;
constexpr uint8_t kPurgeReceiveBuffer = 1;
constexpr uint32_t kBaud = 9600;

using T = TelnetComPort;

void Command(std::vector<uint8_t>& out, uint8_t verb, uint8_t option) {
  out.push_back(T::kIac);
  out.push_back(verb);
  out.push_back(option);
}

// IAC SB COM-PORT-OPTION command value... IAC SE, with the value's 0xFF doubled.
void ComPortCommand(std::vector<uint8_t>& out, uint8_t command, std::span<const uint8_t> value) {
  for (const uint8_t b : {T::kIac, T::kSb, T::kComPort, command}) out.push_back(b);
  for (const uint8_t b : value) {
    out.push_back(b);
    if (b == T::kIac) out.push_back(T::kIac);
  }
  out.push_back(T::kIac);
  out.push_back(T::kSe);
}

}  // namespace

bool TelnetComPort::Supported(uint8_t option) {
  return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

std::vector<uint8_t> TelnetComPort::Greeting() {
  std::vector<uint8_t> out;
  for (const uint8_t option : {kComPort, kBinary, kSuppressGoAhead}) {
    local_[option] = State::kWantYes;
    Command(out, kWill, option);
  }
  for (const uint8_t option : {kBinary, kSuppressGoAhead}) {
    remote_[option] = State::kWantYes;
    Command(out, kDo, option);
  }
  return out;
}

std::vector<uint8_t> TelnetComPort::LineSettings() const {
  std::vector<uint8_t> out;
  const uint8_t baud[] = {static_cast<uint8_t>(kBaud >> 24), static_cast<uint8_t>(kBaud >> 16),
                          static_cast<uint8_t>(kBaud >> 8), static_cast<uint8_t>(kBaud)};
  ComPortCommand(out, kSetBaudRate, baud);
  const uint8_t eight = 8;
  ComPortCommand(out, kSetDataSize, {&eight, 1});
  ComPortCommand(out, kSetParity, {&kParityNone, 1});
  ComPortCommand(out, kSetStopSize, {&kOneStopBit, 1});
  ComPortCommand(out, kSetControl, {&kNoFlowControl, 1});
  return out;
}

std::vector<uint8_t> TelnetComPort::PurgeReceived() const {
  std::vector<uint8_t> out;
  ComPortCommand(out, kPurgeData, {&kPurgeReceiveBuffer, 1});
  return out;
}

std::vector<uint8_t> TelnetComPort::Encode(std::span<const uint8_t> line) {
  std::vector<uint8_t> out;
  out.reserve(line.size() + 4);
  for (const uint8_t b : line) {
    out.push_back(b);
    if (b == kIac) out.push_back(kIac);
  }
  return out;
}

void TelnetComPort::Decode(std::span<const uint8_t> received, std::vector<uint8_t>& line,
                           std::vector<uint8_t>& answer) {
  for (const uint8_t b : received) {
    switch (step_) {
      case Step::kData:
        if (b == kIac) {
          step_ = Step::kCommand;
        } else {
          line.push_back(b);
        }
        break;
      case Step::kCommand:
        if (b == kIac) {
          line.push_back(kIac);
          step_ = Step::kData;
        } else if (b >= kWill && b <= kDont) {
          verb_ = b;
          step_ = Step::kOption;
        } else if (b == kSb) {
          subLength_ = 0;
          step_ = Step::kSub;
        } else {
          step_ = Step::kData;  // NOP, GA, a stray SE and the like carry nothing
        }
        break;
      case Step::kOption:
        Negotiate(verb_, b, answer);
        step_ = Step::kData;
        break;
      case Step::kSub:
        // The server's acknowledgements and line-state notices: nothing the
        // exchange above needs.
        if (b == kIac) {
          step_ = Step::kSubCommand;
        } else {
          ++subLength_;
        }
        break;
      case Step::kSubCommand:
        step_ = b == kSe ? Step::kData : Step::kSub;  // IAC IAC is a 0xFF inside
        break;
    }
  }
}

// The server's DO and DONT are about this end, its WILL and WONT about
// itself. A request is answered only when it changes an option's state, and
// an acknowledgement of this end's own request is not answered at all, so no
// two ends ever loop.
void TelnetComPort::Negotiate(uint8_t verb, uint8_t option, std::vector<uint8_t>& answer) {
  const bool aboutUs = verb == kDo || verb == kDont;
  const bool enable = verb == kDo || verb == kWill;
  State& state = aboutUs ? local_[option] : remote_[option];
  const uint8_t yes = aboutUs ? kWill : kDo;
  const uint8_t no = aboutUs ? kWont : kDont;
  if (enable) {
    if (state == State::kYes) return;
    if (state == State::kWantYes) {
      state = State::kYes;
      return;
    }
    if (Supported(option)) {
      state = State::kYes;
      Command(answer, yes, option);
    } else {
      Command(answer, no, option);
    }
    return;
  }
  if (state == State::kNo) return;
  if (aboutUs && option == kComPort) comPortRefused_ = true;
  const bool wasRequest = state == State::kWantYes;
  state = State::kNo;
  if (!wasRequest) Command(answer, no, option);
}

}  // namespace varnolo

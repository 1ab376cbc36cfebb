// The Telnet side of a register behind a Telnet Com Port Control server
// (RFC 2217): the line's bytes with 0xFF doubled, the server's option
// negotiation answered, and the line set to 9600 8N1 and purged through the
// com-port option. Pure byte work: it neither reads nor writes a socket.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace varnolo {

class TelnetComPort {
 public:
  // What the client says as the connection opens: it will use the com-port
  // option and binary mode both ways, and suppresses go-ahead.
  std::vector<uint8_t> Greeting();
  // Sets 9600 baud, 8 data bits, no parity, 1 stop bit and no flow control.
  std::vector<uint8_t> LineSettings() const;
  // Asks the server to drop what it has received from the register.
  std::vector<uint8_t> PurgeReceived() const;

  // The line's bytes as they go on the connection (0xFF doubled).
  static std::vector<uint8_t> Encode(std::span<const uint8_t> line);

  // Takes bytes from the connection: the line's bytes go to `line`, what the
  // negotiation needs said back goes to `answer`. A command may be split
  // across calls.
  void Decode(std::span<const uint8_t> received, std::vector<uint8_t>& line,
              std::vector<uint8_t>& answer);

  // The server has agreed to the com-port option, or refused it.
  bool ComPortAgreed() const { return local_[kComPort] == State::kYes; }
  bool ComPortRefused() const { return comPortRefused_; }

  static constexpr uint8_t kIac = 255;
  static constexpr uint8_t kDont = 254;
  static constexpr uint8_t kDo = 253;
  static constexpr uint8_t kWont = 252;
  static constexpr uint8_t kWill = 251;
  static constexpr uint8_t kSb = 250;
  static constexpr uint8_t kSe = 240;
  static constexpr uint8_t kBinary = 0;
  static constexpr uint8_t kSuppressGoAhead = 3;
  static constexpr uint8_t kComPort = 44;

 private:
  enum class State : uint8_t { kNo, kWantYes, kYes };
  enum class Step : uint8_t { kData, kCommand, kOption, kSub, kSubCommand };

  void Negotiate(uint8_t verb, uint8_t option, std::vector<uint8_t>& answer);
  static bool Supported(uint8_t option);

  // Per option: what this end does (WILL/WONT) and what the server does (DO/DONT).
  std::array<State, 256> local_{};
  std::array<State, 256> remote_{};
  bool comPortRefused_ = false;
  Step step_ = Step::kData;
  uint8_t verb_ = 0;
  size_t subLength_ = 0;  // bytes of a subnegotiation, which are dropped
};

}  // namespace varnolo

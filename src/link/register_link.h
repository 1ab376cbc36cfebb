// The one serial link to the register: opening the port and the request/reply
// exchange. Traffic is host-initiated and half-duplex, one packet at a time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "link/packet_codec.h"
#include "link/result.h"
#include "platform/platform.h"

namespace varnolo {

class RegisterLink {
 public:
  // Selector 0 opens "COM1", any other value "COM2".
  bool OpenPort(int32_t selector);
  void ClosePort();
  bool IsPortOpen() const { return port_ != nullptr; }

  // Sends one request (header, and when the command carries data the first
  // request.length bytes of `out` and their checksum) and receives one reply.
  // Reply data goes to `in`; the timeout bounds each read of the reply.
  // 0, the register's status byte, 256 on a closed link, 259 when the reply is
  // incomplete, damaged (a checksum does not match) or longer than `in`.
  ResultCode Exchange(const PacketHeader& request, std::span<const uint8_t> out,
                      std::span<uint8_t> in, uint32_t timeoutMs);

  // Writes and pauses 1 ms; false only when the link is closed.
  bool WriteBytes(std::span<const uint8_t> bytes);
  // True only when the full count arrived in time.
  bool ReadBytes(std::span<uint8_t> bytes, uint32_t timeoutMs);

 private:
  ResultCode ReceiveReply(std::span<uint8_t> in, uint32_t timeoutMs);

  std::unique_ptr<SerialPort> port_;
  // Reply data is staged here and reaches the caller only when it is intact.
  std::array<uint8_t, 0x10000> staging_{};
};

// The process-wide link.
RegisterLink& TheLink();

}  // namespace varnolo

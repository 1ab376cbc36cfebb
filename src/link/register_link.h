// The one serial link to the register: opening the port and the request/reply
// exchange. Traffic is host-initiated and half-duplex, one packet at a time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

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
  // The timeout bounds each read of the reply.
  //
  // A non-empty `in` makes the request a read: it is answered only by a reply
  // carrying exactly in.size() bytes of data, which go to `in`, or by a
  // refusal (a reply without data whose status byte is 1 to 255). An empty
  // `in` asks for a status: the result is the status byte of a reply without
  // data, and the data of a reply that carries some is read and discarded.
  //
  // 0, the register's status byte, 256 on a closed link, 259 when the reply is
  // incomplete, damaged (a checksum does not match) or not an answer to this
  // request. A reply that is not taken is read to its end, and whatever
  // follows it is drained until the line is quiet, so that the next request
  // starts in step.
  ResultCode Exchange(const PacketHeader& request, std::span<const uint8_t> out,
                      std::span<uint8_t> in, uint32_t timeoutMs);

  // Writes and pauses 1 ms; false only when the link is closed.
  bool WriteBytes(std::span<const uint8_t> bytes);
  // A whole packet that gets no reply (the end-of-call notice).
  void WritePacket(std::span<const uint8_t> bytes);
  // True only when the full count arrived in time.
  bool ReadBytes(std::span<uint8_t> bytes, uint32_t timeoutMs);

 private:
  ResultCode ReceiveReply(std::span<uint8_t> in, uint32_t timeoutMs);
  // Reads and drops bytes until none has come for a few byte times, or the
  // limit has passed.
  void DrainUntilQuiet(uint32_t limitMs);
  // A reply that is not this request's answer: 259, with the line drained.
  ResultCode Reject(std::string_view why, uint32_t timeoutMs);
  // A reply that stopped short: 259.
  ResultCode Incomplete();
  void TraceRequest(const WireHeader& wire, std::span<const uint8_t> data, uint8_t sum);

  std::unique_ptr<SerialPort> port_;
  // Reply data is staged here and reaches the caller only when it is intact.
  std::array<uint8_t, 0x10000> staging_{};
  // With the trace on: the bytes read for the reply, and why it was not taken.
  std::vector<uint8_t> traced_;
  std::string_view refusal_;
};

// The process-wide link.
RegisterLink& TheLink();

}  // namespace varnolo

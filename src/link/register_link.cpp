#include "link/register_link.h"

#include <algorithm>
#include <cstring>

namespace varnolo {
namespace {

// Raises the calling thread's priority for one exchange and restores it on
// every path out.
class RaisedPriority {
 public:
  RaisedPriority() : token_(CurrentPlatform().RaiseThreadPriority()) {}
  ~RaisedPriority() { CurrentPlatform().RestoreThreadPriority(token_); }
  RaisedPriority(const RaisedPriority&) = delete;
  RaisedPriority& operator=(const RaisedPriority&) = delete;

 private:
  int token_;
};

}  // namespace

RegisterLink& TheLink() {
  static RegisterLink link;
  return link;
}

bool RegisterLink::OpenPort(int32_t selector) {
  port_ = CurrentPlatform().OpenSerialPort(selector == 0 ? "COM1" : "COM2");
  return port_ != nullptr;
}

void RegisterLink::ClosePort() { port_.reset(); }

bool RegisterLink::WriteBytes(std::span<const uint8_t> bytes) {
  if (!port_) return false;
  port_->Write(bytes);
  CurrentPlatform().SleepMs(1);
  return true;
}

bool RegisterLink::ReadBytes(std::span<uint8_t> bytes, uint32_t timeoutMs) {
  if (!port_) return false;
  return port_->Read(bytes, timeoutMs) == bytes.size();
}

ResultCode RegisterLink::Exchange(const PacketHeader& request, std::span<const uint8_t> out,
                                  std::span<uint8_t> in, uint32_t timeoutMs) {
  if (!port_) return kPortClosed;
  const bool sendsData = request.CarriesData();
  if (sendsData && out.size() < request.length) return kOutOfRange;

  RaisedPriority priority;
  // Bytes of an earlier reply that came too late must not be taken for the
  // start of this one.
  port_->DiscardInput();

  const WireHeader wire = EncodeHeader(request);
  WriteBytes(wire);
  if (sendsData) {
    const auto data = out.first(request.length);
    WriteBytes(data);
    const uint8_t sum = DataChecksum(data);
    WriteBytes(std::span<const uint8_t>(&sum, 1));
  }
  return ReceiveReply(in, timeoutMs);
}

ResultCode RegisterLink::ReceiveReply(std::span<uint8_t> in, uint32_t timeoutMs) {
  WireHeader wire{};
  if (!ReadBytes(wire, timeoutMs)) return kNoReply;
  if (!HeaderChecksumValid(wire)) return kNoReply;
  const PacketHeader reply = DecodeHeader(wire);
  if (!reply.CarriesData()) return wire[4];

  const auto data = std::span<uint8_t>(staging_).first(reply.length);
  uint8_t sum = 0;
  if (!ReadBytes(data, timeoutMs)) return kNoReply;
  if (!ReadBytes(std::span<uint8_t>(&sum, 1), timeoutMs)) return kNoReply;
  if (DataChecksum(data) != sum) return kNoReply;
  // A reply longer than the caller's buffer has been read whole, so the line
  // stays in step, but it is not an answer the caller can use.
  if (data.size() > in.size()) return kNoReply;
  std::copy(data.begin(), data.end(), in.begin());
  return kOk;
}

}  // namespace varnolo

#include "link/register_link.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/trace_file.h"

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
  TheTrace().Open();
  port_ = CurrentPlatform().OpenSerialPort(selector == 0 ? "COM1" : "COM2");
  if (port_ == nullptr) TheTrace().Close();
  return port_ != nullptr;
}

void RegisterLink::ClosePort() {
  port_.reset();
  TheTrace().Close();
}

bool RegisterLink::WriteBytes(std::span<const uint8_t> bytes) {
  if (!port_) return false;
  port_->Write(bytes);
  CurrentPlatform().SleepMs(1);
  return true;
}

void RegisterLink::WritePacket(std::span<const uint8_t> bytes) {
  if (WriteBytes(bytes)) TheTrace().Packet('>', bytes);
}

bool RegisterLink::ReadBytes(std::span<uint8_t> bytes, uint32_t timeoutMs) {
  if (!port_) return false;
  const size_t got = port_->Read(bytes, timeoutMs);
  if (TheTrace().Enabled()) traced_.insert(traced_.end(), bytes.begin(), bytes.begin() + got);
  return got == bytes.size();
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
  const auto data = sendsData ? out.first(request.length) : std::span<const uint8_t>();
  const uint8_t sum = DataChecksum(data);
  WriteBytes(wire);
  if (sendsData) {
    WriteBytes(data);
    WriteBytes(std::span<const uint8_t>(&sum, 1));
  }
  if (TheTrace().Enabled()) TraceRequest(wire, data, sum);

  traced_.clear();
  refusal_ = {};
  const ResultCode r = ReceiveReply(in, timeoutMs);
  if (TheTrace().Enabled())
    TheTrace().Packet('<', traced_, r == kNoReply && traced_.empty() ? "no reply" : refusal_);
  return r;
}

void RegisterLink::TraceRequest(const WireHeader& wire, std::span<const uint8_t> data,
                                uint8_t sum) {
  std::vector<uint8_t> packet(wire.begin(), wire.end());
  if (!data.empty()) {
    packet.insert(packet.end(), data.begin(), data.end());
    packet.push_back(sum);
  }
  TheTrace().Packet('>', packet);
}

ResultCode RegisterLink::ReceiveReply(std::span<uint8_t> in, uint32_t timeoutMs) {
  const bool expectsData = !in.empty();
  WireHeader wire{};
  if (!ReadBytes(wire, timeoutMs)) return Incomplete();
  // A damaged header cannot be trusted to say how much follows it.
  if (!HeaderChecksumValid(wire)) return Reject("damaged header", timeoutMs);
  const PacketHeader reply = DecodeHeader(wire);
  if (!reply.CarriesData()) {
    const uint8_t status = wire[4];
    // A read is answered by its data or refused with a status; a bare "done"
    // belongs to some earlier request whose answer came late.
    if (expectsData && status == 0) return Reject("no data for a read", timeoutMs);
    return status;
  }

  const auto data = std::span<uint8_t>(staging_).first(reply.length);
  uint8_t sum = 0;
  if (!ReadBytes(data, timeoutMs)) return Incomplete();
  if (!ReadBytes(std::span<uint8_t>(&sum, 1), timeoutMs)) return Incomplete();
  if (DataChecksum(data) != sum) return Reject("damaged data", timeoutMs);
  // Data nobody asked for is dropped; the register's answer stands.
  if (!expectsData) return kOk;
  // Data of another length answers some other request.
  if (data.size() != in.size()) return Reject("data of another length", timeoutMs);
  std::copy(data.begin(), data.end(), in.begin());
  return kOk;
}

ResultCode RegisterLink::Incomplete() {
  refusal_ = "incomplete";
  return kNoReply;
}

ResultCode RegisterLink::Reject(std::string_view why, uint32_t timeoutMs) {
  refusal_ = why;
  DrainUntilQuiet(timeoutMs);
  return kNoReply;
}

void RegisterLink::DrainUntilQuiet(uint32_t limitMs) {
  // At 9600 baud a byte takes about 1 ms: this many ms without one means the
  // register has stopped sending.
  constexpr uint32_t kQuietMs = 30;
  Platform& platform = CurrentPlatform();
  const uint64_t start = platform.NowMs();
  uint8_t byte = 0;
  while (platform.NowMs() - start < limitMs && ReadBytes(std::span<uint8_t>(&byte, 1), kQuietMs)) {
  }
}

}  // namespace varnolo

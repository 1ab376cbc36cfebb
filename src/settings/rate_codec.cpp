#include "settings/rate_codec.h"

#include <array>
#include <span>

#include "link/packet_codec.h"
#include "link/primitives.h"
#include "session/session.h"
#include "settings/decimal.h"

namespace varnolo {

ResultCode WriteRate(const RatePlace& place, uint64_t hundredths) {
  const uint32_t reg = TheSession().registerNumber;
  std::array<uint8_t, 4> stored{};
  const auto bcd = std::span(stored).first(place.bcdBytes);
  PutBcd(bcd, hundredths);
  stored[place.bcdBytes] = DataChecksum(bcd);
  const auto record = std::span<const uint8_t>(stored).first(place.bcdBytes + 1);
  ResultCode r = WriteDataMemory(reg, place.dataAddress, record);
  if (r == kOk && place.secondCopy != 0) r = WriteDataMemory(reg, place.secondCopy, record);
  if (r != kOk) return r;
  std::array<uint8_t, 5> digits{};
  PutDigits(std::span(digits).first(place.digits), hundredths);
  return WriteWorkingMemory(reg, place.workingAddress, std::span(digits).first(place.digits));
}

ResultCode ReadRate(const RatePlace& place, double& percent) {
  CallFrame frame;
  std::array<uint8_t, 3> bcd{};
  const auto bytes = std::span(bcd).first(place.bcdBytes);
  const ResultCode r = ReadDataMemory(TheSession().registerNumber, place.dataAddress, bytes);
  if (r != kOk) return r;
  percent = FromBcd(bytes) * 0.01;
  return kOk;
}

}  // namespace varnolo

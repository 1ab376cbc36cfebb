// Firmware routine calls and their result bytes.
#include <array>
#include <cstring>

#include "link/commands.h"
#include "link/primitives.h"
#include "link/register_link.h"

namespace varnolo {
namespace {

constexpr uint8_t kMaxParameters = 15;
constexpr uint8_t kMaxSlot = 4;

}  // namespace

ResultCode CallRoutine(uint32_t reg, uint8_t slot, uint8_t count, CapabilityEntry entry,
                       CapabilityEntry second, std::span<const uint8_t> parameters,
                       uint32_t timeoutMs) {
  if (slot > kMaxSlot) return kOutOfRange;
  if (slot > count) return kOutOfRange;
  if (count > 0 && parameters.size() < count) return kOutOfRange;
  if (count > kMaxParameters) return kOutOfRange;
  if (entry == 0) return kNotCarriedOut;

  std::array<uint8_t, 5 + kMaxParameters> block{};
  block[0] = EntryBank(entry);
  block[1] = count;
  uint16_t length = 2;
  if (count > 0) {
    const uint16_t at = EntryLocation(second);
    block[2] = slot;
    block[3] = static_cast<uint8_t>(at);  // low byte first, unlike the header
    block[4] = static_cast<uint8_t>(at >> 8);
    std::memcpy(&block[5], parameters.data(), count);
    length = static_cast<uint16_t>(count + 5);
  }
  // Reply data, if any, is read and dropped: the status is the answer.
  const PacketHeader h{cmd::kCallRoutine, length, EntryLocation(entry), reg};
  const ResultCode r = TheLink().Exchange(h, std::span(block).first(length), {}, timeoutMs);
  CurrentPlatform().SleepMs(20);
  return r;
}

ResultCode CallRoutineWithBlock(uint32_t reg, CapabilityEntry entry,
                                std::span<const uint8_t, kRoutineBlockSize> textBlock) {
  std::array<uint8_t, kRoutineBlockSize + 2> data{};
  data[0] = EntryBank(entry);
  data[1] = 0;
  std::memcpy(&data[2], textBlock.data(), kRoutineBlockSize);
  const PacketHeader h{cmd::kCallRoutine, static_cast<uint16_t>(data.size()), EntryLocation(entry),
                       reg};
  const ResultCode r = TheLink().Exchange(h, data, {}, 10000);
  CurrentPlatform().SleepMs(20);
  return r;
}

ResultCode ReadRoutineResult(uint32_t reg, uint8_t count, std::span<uint8_t> result) {
  if (count > 4 || result.size() < count) return kOutOfRange;
  const PacketHeader h{cmd::kRoutineResult, count, 0, reg};
  const ResultCode r = TheLink().Exchange(h, {}, result.first(count), 2000);
  CurrentPlatform().SleepMs(20);
  return r;
}

}  // namespace varnolo

// Single-command primitives: goods-base size, session commands, display, clock.
#include <algorithm>
#include <array>
#include <cstring>

#include "link/commands.h"
#include "link/primitives.h"
#include "link/register_link.h"

namespace varnolo {
namespace {

constexpr uint32_t kShortTimeoutMs = 2000;
constexpr uint32_t kSessionTimeoutMs = 10000;

void Pause(uint32_t ms) { CurrentPlatform().SleepMs(ms); }

}  // namespace

ResultCode QueryGoodsBaseSize(uint32_t reg, std::array<uint8_t, 4>& reply) {
  const PacketHeader h{cmd::kGoodsBaseSize, 0, 0, reg};
  ResultCode r = TheLink().Exchange(h, {}, reply, kShortTimeoutMs);
  if (r == kNoReply) r = TheLink().Exchange(h, {}, reply, kShortTimeoutMs);
  if (r != kOk) return r;
  Pause(20);
  return kOk;
}

ResultCode SendSelectorBytes(uint32_t reg, std::span<const uint8_t> bytes, uint8_t selector) {
  uint16_t count = 0;
  if (selector == 0 || selector == 4)
    count = 1;
  else if (selector == 5)
    count = 13;
  else
    return kNotCarriedOut;
  if (bytes.size() < count) return kOutOfRange;
  const PacketHeader h{cmd::kSelectorBytes, count, selector, reg};
  const ResultCode r = TheLink().Exchange(h, bytes.first(count), {}, kShortTimeoutMs);
  Pause(20);
  return r;
}

ResultCode BeginSessionCommand(uint32_t reg, uint8_t parameter) {
  const PacketHeader h{cmd::kBeginSession, 0, static_cast<uint16_t>(parameter << 8), reg};
  const ResultCode r = TheLink().Exchange(h, {}, {}, kSessionTimeoutMs);
  Pause(50);
  return r;
}

ResultCode EndSessionCommand(uint32_t reg) {
  const PacketHeader h{cmd::kEndSession, 0, 0, reg};
  const ResultCode r = TheLink().Exchange(h, {}, {}, kSessionTimeoutMs);
  Pause(20);
  return r;
}

ResultCode ShowOnDisplay(uint32_t reg, const char* text, uint32_t position, int32_t flag) {
  std::array<char, 16> shown{};
  shown.fill(' ');
  if (text != nullptr) {
    const size_t n = strnlen(text, shown.size());
    std::memcpy(shown.data(), text, n);
  }
  CurrentPlatform().AnsiToOem(shown.data(), shown.size());
  std::array<uint8_t, 16> bytes{};
  std::memcpy(bytes.data(), shown.data(), bytes.size());
  const uint16_t address = static_cast<uint16_t>((flag != 0 ? 1u : 0u) << 8 | (position & 0xFFu));
  const PacketHeader h{cmd::kDisplay, 16, address, reg};
  const ResultCode r = TheLink().Exchange(h, bytes, {}, kShortTimeoutMs);
  Pause(50);
  return r;
}

ResultCode ReadClock(uint32_t reg, ClockValue& value) {
  std::array<uint8_t, 7> wire{};
  const PacketHeader h{cmd::kReadClock, 0, 0, reg};
  const ResultCode r = TheLink().Exchange(h, {}, wire, kShortTimeoutMs);
  if (r != kOk) return r;
  value.day = FromBcd8(wire[0]);
  value.month = FromBcd8(wire[1]);
  value.year = static_cast<uint16_t>(FromBcd8(wire[2]) * 100 + FromBcd8(wire[3]));
  value.hour = FromBcd8(wire[4]);
  value.minute = FromBcd8(wire[5]);
  value.second = FromBcd8(wire[6]);
  Pause(20);
  return kOk;
}

ResultCode WriteClock(uint32_t reg, const ClockValue& value) {
  const auto year = ToBcd16(value.year);
  const std::array<uint8_t, 7> wire{
      ToBcd8(value.day),    ToBcd8(value.month), year[0], year[1], ToBcd8(value.hour),
      ToBcd8(value.minute), ToBcd8(value.second)};
  const PacketHeader h{cmd::kWriteClock, 7, 0, reg};
  const ResultCode r = TheLink().Exchange(h, wire, {}, kShortTimeoutMs);
  Pause(20);
  return r;
}

void SendCallEndNotice() {
  const WireHeader wire = EncodeHeader(PacketHeader{cmd::kCallEndNotice, 0, 0, 0});
  TheLink().WritePacket(wire);
}

}  // namespace varnolo

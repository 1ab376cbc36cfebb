#include "link/block_transfer.h"

#include "link/register_link.h"

namespace varnolo {
namespace {

constexpr uint32_t kMemoryTimeoutMs = 2000;

// Sends one packet, and the same packet once more when no reply came.
ResultCode ExchangeWithRetry(const PacketHeader& header, std::span<const uint8_t> out,
                             std::span<uint8_t> in) {
  ResultCode r = TheLink().Exchange(header, out, in, kMemoryTimeoutMs);
  if (r == kNoReply) r = TheLink().Exchange(header, out, in, kMemoryTimeoutMs);
  return r;
}

// Walks the transfer block by block. A whole block that fails ends the
// transfer without a pause; the last, partial block is always followed by one.
template <typename Step>
ResultCode Transfer(const MemorySpace& space, uint16_t address, size_t length, uint32_t pauseMs,
                    Step step) {
  if (address + length > space.bound) return kOutOfRange;
  size_t done = 0;
  while (length - done >= space.blockSize) {
    const ResultCode r = step(static_cast<uint16_t>(address + done), done, space.blockSize);
    if (r != kOk) return r;
    done += space.blockSize;
    CurrentPlatform().SleepMs(pauseMs);
  }
  if (done == length) return kOk;
  const ResultCode r = step(static_cast<uint16_t>(address + done), done, length - done);
  CurrentPlatform().SleepMs(pauseMs);
  return r;
}

}  // namespace

ResultCode ReadBlocks(const MemorySpace& space, uint32_t reg, uint16_t address,
                      std::span<uint8_t> buffer) {
  return Transfer(space, address, buffer.size(), space.readPauseMs,
                  [&](uint16_t at, size_t offset, size_t n) {
                    const PacketHeader h{space.readCommand, static_cast<uint16_t>(n), at, reg};
                    return ExchangeWithRetry(h, {}, buffer.subspan(offset, n));
                  });
}

ResultCode WriteBlocks(const MemorySpace& space, uint32_t reg, uint16_t address,
                       std::span<const uint8_t> bytes) {
  return Transfer(space, address, bytes.size(), space.writePauseMs,
                  [&](uint16_t at, size_t offset, size_t n) {
                    const PacketHeader h{space.writeCommand, static_cast<uint16_t>(n), at, reg};
                    return ExchangeWithRetry(h, bytes.subspan(offset, n), {});
                  });
}

}  // namespace varnolo

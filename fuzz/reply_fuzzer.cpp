// The link fed arbitrary byte streams as the register's replies: no crash, no
// write past a buffer, every result a defined code.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/primitives.h"
#include "link/register_link.h"
#include "support/fake_platform.h"

namespace {

using namespace varnolo;

// Answers every request with the next slice of the input.
class StreamPeer final : public test::Peer {
 public:
  StreamPeer(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  std::optional<test::PeerReply> OnPacket(const Packet&) override {
    if (at_ >= size_) return std::nullopt;
    const size_t n = std::min<size_t>(1 + data_[at_] % 64, size_ - at_);
    test::PeerReply r{std::vector<uint8_t>(data_ + at_ + 1, data_ + std::min(size_, at_ + 1 + n)),
                      0};
    at_ += 1 + n;
    return r;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

bool Defined(ResultCode r) { return r >= 0 && r <= 269; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  test::ScopedFakePlatform platform;
  StreamPeer peer(data, size);
  platform->SetPeer(&peer);
  if (!TheLink().OpenPort(0)) return 0;
  uint8_t small[4];
  std::vector<uint8_t> block(300);
  std::array<uint8_t, 4> size4{};
  ClockValue clock;
  uint8_t result[4];
  const ResultCode results[] = {
      TheLink().Exchange({0x0300, 4, 0x100, 1}, {}, small, 50),
      ReadWorkingMemory(1, 0x1000, block),
      ReadFlagArea(1, 0x10, std::span<uint8_t>(small, 2)),
      QueryGoodsBaseSize(1, size4),
      ReadClock(1, clock),
      ReadRoutineResult(1, 4, result),
      CallRoutine(1, 0, 0, 0x00013DA4, 0, {}, 50),
  };
  for (ResultCode r : results) {
    if (!Defined(r)) __builtin_trap();
  }
  return 0;
}

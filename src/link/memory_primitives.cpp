// The four memory spaces of the register as the primitives see them.
#include "link/block_transfer.h"
#include "link/commands.h"
#include "link/primitives.h"

namespace varnolo {
namespace {

constexpr MemorySpace kDataMemory{
    cmd::kReadData, cmd::kWriteData, cmd::kDataMemorySize, 128, 30, 20};
constexpr MemorySpace kWorkingMemory{
    cmd::kReadWorking, cmd::kWriteWorking, cmd::kWorkingMemorySize, 128, 20, 20};
constexpr MemorySpace kGoodsMemory{
    cmd::kReadGoods, cmd::kWriteGoods, cmd::kGoodsMemorySize, 32, 30, 30};
// The flag area goes in one exchange, followed by its pause whatever the result:
// a block larger than the area makes every transfer the final, partial block.
constexpr MemorySpace kFlagArea{
    cmd::kReadFlags, cmd::kWriteFlags, cmd::kFlagAreaSize, cmd::kFlagAreaSize + 1, 20, 20};

}  // namespace

ResultCode ReadDataMemory(uint32_t reg, uint16_t address, std::span<uint8_t> buffer) {
  return ReadBlocks(kDataMemory, reg, address, buffer);
}
ResultCode WriteDataMemory(uint32_t reg, uint16_t address, std::span<const uint8_t> bytes) {
  return WriteBlocks(kDataMemory, reg, address, bytes);
}
ResultCode ReadWorkingMemory(uint32_t reg, uint16_t address, std::span<uint8_t> buffer) {
  return ReadBlocks(kWorkingMemory, reg, address, buffer);
}
ResultCode WriteWorkingMemory(uint32_t reg, uint16_t address, std::span<const uint8_t> bytes) {
  return WriteBlocks(kWorkingMemory, reg, address, bytes);
}
ResultCode ReadGoodsMemory(uint32_t reg, uint16_t address, std::span<uint8_t> buffer) {
  return ReadBlocks(kGoodsMemory, reg, address, buffer);
}
ResultCode WriteGoodsMemory(uint32_t reg, uint16_t address, std::span<const uint8_t> bytes) {
  return WriteBlocks(kGoodsMemory, reg, address, bytes);
}
ResultCode ReadFlagArea(uint32_t reg, uint16_t offset, std::span<uint8_t> buffer) {
  return ReadBlocks(kFlagArea, reg, offset, buffer);
}
ResultCode WriteFlagArea(uint32_t reg, uint16_t offset, std::span<const uint8_t> bytes) {
  return WriteBlocks(kFlagArea, reg, offset, bytes);
}

}  // namespace varnolo

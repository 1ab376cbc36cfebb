// One block transfer serves every memory space: bound check, split into
// blocks, one retry after a missing reply, a fixed pause after each block.
#pragma once

#include <cstdint>
#include <span>

#include "link/result.h"

namespace varnolo {

struct MemorySpace {
  uint16_t readCommand;
  uint16_t writeCommand;
  uint32_t bound;      // address + length may not exceed it
  uint32_t blockSize;  // bytes per packet
  uint32_t readPauseMs;
  uint32_t writePauseMs;
};

ResultCode ReadBlocks(const MemorySpace& space, uint32_t reg, uint16_t address,
                      std::span<uint8_t> buffer);
ResultCode WriteBlocks(const MemorySpace& space, uint32_t reg, uint16_t address,
                       std::span<const uint8_t> bytes);

}  // namespace varnolo

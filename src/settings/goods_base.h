// The register's internal goods base: 25-byte packed entries, 1 to 500 in data
// memory, 501 to 1800 in goods memory.
#pragma once

#include <array>
#include <cstdint>

#include "link/result.h"
#include "varnolo.h"

namespace varnolo {

using PackedGoodsEntry = std::array<uint8_t, 25>;

// The caller's entry as the register holds it. False when a field is out of
// range (barcode not 13 digits, price, section); nothing is packed then.
bool PackGoodsEntry(const GoodsEntry& entry, PackedGoodsEntry& packed);
void UnpackGoodsEntry(const PackedGoodsEntry& packed, GoodsEntry& entry);

// The EAN-13 check digit of 12 digits.
char EanCheckDigit(const char* twelveDigits);

}  // namespace varnolo

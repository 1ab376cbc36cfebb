// Fixed code pages for systems without the Windows conversion calls:
// ANSI is Windows-1251, OEM is CP866.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnolo {

uint8_t AnsiToOemByte(uint8_t b);
uint8_t OemToAnsiByte(uint8_t b);
void AnsiToOemTable(char* text, size_t n);
void OemToAnsiTable(char* text, size_t n);

}  // namespace varnolo

// Texts in the register: converted between the application's ANSI code page
// and the register's OEM code page, stored in data memory twice in a row as a
// text field (names) or a text block (header and footer), with a checksum.
#pragma once

#include <cstdint>
#include <string>

#include "link/result.h"

namespace varnolo {

void ToOem(char* text, size_t n);
void FromOem(char* text, size_t n);

// A name: the characters (at most width) in OEM, a 0 and spaces when shorter,
// then the sum of the width bytes. Written at address and address + width + 1.
ResultCode WriteTextField(const char* text, uint16_t address, size_t width);
// Header and footer: '~' and '^' become the bytes 1 and 2; a shorter text is
// followed by a 0, the sum of its OEM bytes and spaces.
ResultCode WriteTextBlock(const char* text, uint16_t address, size_t width);
// Reads copy 1 into buffer (width + 1 bytes): a slot never written (0xFF)
// reads as an empty text; otherwise converted to ANSI, bytes 1 and 2 shown as
// '~' and '^', and a terminating 0 at buffer[width].
ResultCode ReadTextField(uint16_t address, char* buffer, size_t width);
// The working-memory copy of a name: its characters up to the first 0 (at most
// width) in OEM, followed by a 0 only when fewer than width were taken.
ResultCode WriteWorkingName(const char* text, uint16_t address, size_t width);

// A work text of `width` spaces with the caller's text (up to its NUL, at most
// width characters) copied over it; a null text leaves the spaces.
std::string WorkText(const char* text, size_t width);

}  // namespace varnolo

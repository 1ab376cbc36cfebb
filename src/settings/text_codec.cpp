#include "settings/text_codec.h"

#include <cstring>
#include <vector>

#include "link/primitives.h"
#include "link/register_link.h"
#include "session/session.h"

namespace varnolo {
namespace {

constexpr size_t kMaxFieldWidth = 95;
constexpr char kTildeByte = 0x01;
constexpr char kCaretByte = 0x02;

size_t BoundedLength(const char* text, size_t width) {
  return text == nullptr ? 0 : strnlen(text, width);
}

ResultCode WriteBothCopies(const std::vector<uint8_t>& copy, uint16_t address, size_t width) {
  const uint32_t reg = TheSession().registerNumber;
  const ResultCode r = WriteDataMemory(reg, address, copy);
  if (r != kOk) return r;
  return WriteDataMemory(reg, static_cast<uint16_t>(address + width + 1), copy);
}

}  // namespace

void ToOem(char* text, size_t n) { CurrentPlatform().AnsiToOem(text, n); }
void FromOem(char* text, size_t n) { CurrentPlatform().OemToAnsi(text, n); }

std::string WorkText(const char* text, size_t width) {
  std::string work(width, ' ');
  if (text != nullptr) {
    const size_t n = strnlen(text, width);
    std::memcpy(work.data(), text, n);
    if (n < width) work.resize(n);
  }
  return work;
}

ResultCode WriteTextField(const char* text, uint16_t address, size_t width) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  if (width > kMaxFieldWidth) return kOutOfRange;
  std::vector<uint8_t> copy(width + 1, ' ');
  const size_t n = BoundedLength(text, width);
  std::string chars(text, n);
  ToOem(chars.data(), n);
  std::memcpy(copy.data(), chars.data(), n);
  if (n < width) copy[n] = 0;
  uint8_t sum = 0;
  for (size_t i = 0; i < width; ++i) sum = static_cast<uint8_t>(sum + copy[i]);
  copy[width] = sum;
  return WriteBothCopies(copy, address, width);
}

ResultCode WriteTextBlock(const char* text, uint16_t address, size_t width) {
  if (!TheLink().IsPortOpen()) return kPortClosed;
  const size_t n = BoundedLength(text, width);
  std::string chars(text == nullptr ? "" : text, n);
  for (char& c : chars) {
    if (c == '~') c = kTildeByte;
    if (c == '^') c = kCaretByte;
  }
  ToOem(chars.data(), n);
  uint8_t sum = 0;
  for (char c : chars) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
  std::vector<uint8_t> copy(width + 1, ' ');
  std::memcpy(copy.data(), chars.data(), n);
  if (n < width) {
    copy[n] = 0;
    copy[n + 1] = sum;
  } else {
    copy[width] = sum;
  }
  return WriteBothCopies(copy, address, width);
}

ResultCode ReadTextField(uint16_t address, char* buffer, size_t width) {
  CallFrame frame;
  std::vector<uint8_t> bytes(width);
  const ResultCode r = ReadDataMemory(TheSession().registerNumber, address, bytes);
  if (r != kOk) return r;
  if (width > 0 && bytes[0] == 0xFF) {
    buffer[0] = 0;
    return kOk;
  }
  std::memcpy(buffer, bytes.data(), width);
  FromOem(buffer, width);
  for (size_t i = 0; i < width; ++i) {
    if (buffer[i] == kTildeByte) buffer[i] = '~';
    if (buffer[i] == kCaretByte) buffer[i] = '^';
  }
  buffer[width] = 0;
  return kOk;
}

ResultCode WriteWorkingName(const char* text, uint16_t address, size_t width) {
  CallFrame frame;
  const size_t n = BoundedLength(text, width);
  std::vector<uint8_t> bytes(text, text + n);
  ToOem(reinterpret_cast<char*>(bytes.data()), n);
  if (n < width) bytes.push_back(0);
  return WriteWorkingMemory(TheSession().registerNumber, address, bytes);
}

}  // namespace varnolo

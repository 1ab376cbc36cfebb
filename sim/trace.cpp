#include "trace.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <iostream>

#include "link/commands.h"
#include "link/packet_codec.h"

namespace varnolo::sim {
namespace {

const char* CommandName(uint16_t command) {
  switch (command) {
    case cmd::kSelectorBytes:
      return "selector bytes";
    case cmd::kBeginSession:
      return "begin session";
    case cmd::kEndSession:
      return "end session";
    case cmd::kDisplay:
      return "display";
    default:
      break;
  }
  switch (command & 0xFFFEu) {
    case cmd::kReadData:
      return "data memory";
    case cmd::kReadWorking:
      return "working memory";
    case cmd::kReadGoods:
      return "goods memory";
    case cmd::kReadFlags:
      return "flag area";
    case cmd::kGoodsBaseSize:
      return "goods base size";
    case cmd::kReadClock:
      return "clock";
    case cmd::kRoutineResult:
      return "routine";
    case cmd::kCallEndNotice:
      return "end of call";
    default:
      return "unknown";
  }
}

}  // namespace

std::string DescribePacket(const char* direction, const std::vector<uint8_t>& bytes) {
  std::string out = direction;
  if (bytes.size() < kHeaderSize) {
    out += " (" + std::to_string(bytes.size()) + " bytes)";
  } else {
    WireHeader w{};
    std::copy_n(bytes.begin(), kHeaderSize, w.begin());
    const PacketHeader h = DecodeHeader(w);
    char buf[160];
    std::snprintf(buf, sizeof buf, " %04X %-15s addr=%04X len=%u status=%02X reg=%u", h.command,
                  CommandName(h.command), h.address, h.length, w[4], h.registerNumber);
    out += buf;
    if (!HeaderChecksumValid(w)) out += " BAD-CHECKSUM";
  }
  if (bytes.size() > kHeaderSize) {
    out += " data=";
    char hex[4];
    for (size_t i = kHeaderSize; i < bytes.size(); ++i) {
      std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
      out += hex;
    }
  }
  return out;
}

bool TextSink::Open(const std::string& path) {
  if (path == "-") {
    out_ = &std::cout;
    return true;
  }
  file_.open(path, std::ios::app);
  out_ = file_ ? &file_ : nullptr;
  return out_ != nullptr;
}

void TextSink::Write(const std::string& line) {
  if (out_ != nullptr) *out_ << line << std::endl;
}

void Trace::Line(const std::string& text, const std::string& mark) {
  if (!sink_.open()) return;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start_)
                      .count();
  char stamp[24];
  std::snprintf(stamp, sizeof stamp, "%8" PRId64 " ", static_cast<int64_t>(ms));
  sink_.Write(stamp + text + (mark.empty() ? "" : " [" + mark + "]"));
}

}  // namespace varnolo::sim

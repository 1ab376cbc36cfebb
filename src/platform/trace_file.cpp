#include "platform/trace_file.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

namespace varnolo {
namespace {

// UTC with milliseconds: 2026-12-10T09:57:29.123Z
std::string Timestamp() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  if (const std::tm* t = std::gmtime(&seconds)) utc = *t;
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(ms));
  return text;
}

}  // namespace

TraceFile& TheTrace() {
  static TraceFile trace;
  return trace;
}

void TraceFile::Open() {
  Close();
  const char* path = std::getenv("VARNOLO_TRACE");
  if (path == nullptr || *path == '\0') return;
  file_ = std::fopen(path, "ab");  // the same bytes on every system
}

void TraceFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

void TraceFile::Packet(char direction, std::span<const uint8_t> bytes, std::string_view note) {
  if (file_ == nullptr) return;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string body(1, direction);
  body.reserve(2 + bytes.size() * 3 + note.size() + 3);
  for (const uint8_t b : bytes) {
    body += ' ';
    body += kHex[b >> 4];
    body += kHex[b & 0x0F];
  }
  if (!note.empty()) {
    body += " (";
    body += note;
    body += ')';
  }
  Line(body);
}

void TraceFile::Note(std::string_view text) {
  if (file_ == nullptr) return;
  Line(std::string("# ").append(text));
}

void TraceFile::Line(std::string_view body) {
  const std::string stamp = Timestamp();
  std::fprintf(file_, "%s %.*s\n", stamp.c_str(), static_cast<int>(body.size()), body.data());
  std::fflush(file_);
}

}  // namespace varnolo

// An opt-in record of the bytes on the line, for support cases. When the
// environment variable VARNOLO_TRACE names a file as a session starts, one
// line per packet and a line for each port that would not open are appended
// to it. Without the variable nothing is opened and nothing is formatted.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

namespace varnolo {

class TraceFile {
 public:
  // Opens the file VARNOLO_TRACE names for appending, if any.
  void Open();
  void Close();
  bool Enabled() const { return file_ != nullptr; }

  // A packet: '>' from the host, '<' from the register. The note, if any,
  // follows the bytes: why a reply was not taken, or that bytes were drained.
  void Packet(char direction, std::span<const uint8_t> bytes, std::string_view note = {});
  // A line of text, such as why a port would not open.
  void Note(std::string_view text);

 private:
  void Line(std::string_view body);

  std::FILE* file_ = nullptr;
};

// The process-wide trace.
TraceFile& TheTrace();

}  // namespace varnolo

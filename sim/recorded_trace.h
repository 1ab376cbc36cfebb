// A byte trace taken with VARNOLO_TRACE, read back as the exchanges the host
// had with the register, so that the register's side can be played again.
//
// The trace has a line per packet: "TIMESTAMP > HH HH ..." for what the host
// sent, "TIMESTAMP < HH ... (note)" for what it read back (nothing, with the
// note "no reply", when the reply was lost), and "TIMESTAMP # text" for notes
// (ports that would not open, network links), which carry no bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnolo::sim {

// What the host read after one request, and when to send it.
struct RecordedReply {
  std::vector<uint8_t> bytes;  // empty: nothing came (the reply was lost)
  std::string note;            // why the host did not take it, if it did not
  // How long after the request the bytes go out, so that the host sees them
  // as it saw them then: a late reply late again, a cut one cut at once.
  uint32_t delayMs = 0;
};

struct RecordedExchange {
  int line = 0;  // the request's line in the trace, from 1
  std::vector<uint8_t> request;
  // None for a packet the host expects no reply to (the end-of-call notice).
  std::optional<RecordedReply> reply;
};

struct RecordedTrace {
  std::vector<RecordedExchange> exchanges;
  int lastLine = 0;  // the number of the trace's last line
};

// The trace's exchanges in order; nothing, and `error` names the line and what
// is wrong with it, for a file that cannot be read, a line that is not a trace
// line, a request that is not a whole packet, or a reply without a request.
std::optional<RecordedTrace> ReadRecordedTrace(const std::string& path, std::string* error);
// The same from the trace's text.
std::optional<RecordedTrace> ParseRecordedTrace(const std::string& text, std::string* error);

}  // namespace varnolo::sim

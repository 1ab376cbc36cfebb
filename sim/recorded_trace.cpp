#include "recorded_trace.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string_view>

#include "link/commands.h"
#include "link/packet_codec.h"

namespace varnolo::sim {
namespace {

// A reply the host did not take is followed by this much quiet on the line
// before the host stopped draining it (and wrote its trace line).
constexpr int64_t kDrainQuietMs = 30;
// No reply is waited for longer than the longest routine call.
constexpr int64_t kLongestPauseMs = 600000;

struct TraceLine {
  int64_t ms = 0;  // since 1970
  char kind = 0;   // '>', '<' or '#'
  std::string_view rest;
};

// "2026-12-10T09:57:29.123Z" as milliseconds since 1970.
std::optional<int64_t> ParseTimestamp(std::string_view text) {
  static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd.dddZ";
  if (text.size() != kShape.size()) return std::nullopt;
  for (size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return std::nullopt;
  }
  auto number = [&](size_t at, size_t n) {
    int v = 0;
    for (size_t i = at; i < at + n; ++i) v = v * 10 + (text[i] - '0');
    return v;
  };
  std::tm utc{};
  utc.tm_year = number(0, 4) - 1900;
  utc.tm_mon = number(5, 2) - 1;
  utc.tm_mday = number(8, 2);
  utc.tm_hour = number(11, 2);
  utc.tm_min = number(14, 2);
  utc.tm_sec = number(17, 2);
  if (utc.tm_mon > 11 || utc.tm_mday < 1 || utc.tm_mday > 31 || utc.tm_hour > 23 ||
      utc.tm_min > 59 || utc.tm_sec > 60)
    return std::nullopt;
  return static_cast<int64_t>(timegm(&utc)) * 1000 + number(20, 3);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// " HH HH ... (note)": the bytes, and the note without its parentheses.
bool IsCallEndNotice(const std::vector<uint8_t>& request) {
  return request.size() >= 2 && (request[0] << 8 | request[1]) == cmd::kCallEndNotice;
}

bool ParsePacketBody(std::string_view body, RecordedReply& out, std::string* why) {
  while (body.size() >= 3 && body[0] == ' ' && body[1] != '(') {
    const int high = HexDigit(body[1]), low = HexDigit(body[2]);
    if (high < 0 || low < 0 || (body.size() > 3 && body[3] != ' ')) {
      *why = "'" + std::string(body.substr(1, std::min<size_t>(body.size() - 1, 8))) +
             "' is not a byte in hex";
      return false;
    }
    out.bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    body.remove_prefix(3);
  }
  if (body.empty()) return true;
  if (body.size() >= 3 && body.substr(0, 2) == " (" && body.back() == ')') {
    out.note = std::string(body.substr(2, body.size() - 3));
    return true;
  }
  *why = "'" + std::string(body.substr(0, 12)) + "' is neither a byte in hex nor a (note)";
  return false;
}

// A request as the host sends it: a header with a valid checksum, and the
// data and their checksum when the header says they follow.
std::string WholePacketFault(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < kHeaderSize)
    return "a request of " + std::to_string(bytes.size()) + " bytes is not a whole packet";
  WireHeader wire{};
  std::copy_n(bytes.begin(), kHeaderSize, wire.begin());
  if (!HeaderChecksumValid(wire)) return "the request's header checksum does not match";
  const PacketHeader header = DecodeHeader(wire);
  const size_t expected = kHeaderSize + (header.CarriesData() ? header.length + 1u : 0u);
  if (bytes.size() != expected) {
    return "a request of " + std::to_string(bytes.size()) + " bytes where its header says " +
           std::to_string(expected);
  }
  return {};
}

uint32_t PauseBeforeSending(const RecordedReply& reply, int64_t requestMs, int64_t replyMs) {
  if (reply.note == "incomplete") return 0;  // what came, came at once; the rest never did
  int64_t pause = replyMs - requestMs;
  if (!reply.note.empty()) pause -= kDrainQuietMs;
  return static_cast<uint32_t>(std::clamp<int64_t>(pause, 0, kLongestPauseMs));
}

std::optional<TraceLine> SplitLine(std::string_view line, std::string* why) {
  const size_t space = line.find(' ');
  const std::optional<int64_t> ms = ParseTimestamp(line.substr(0, space));
  if (!ms) {
    *why = "no timestamp (YYYY-MM-DDTHH:MM:SS.mmmZ) at its start";
    return std::nullopt;
  }
  if (space == std::string_view::npos || space + 1 >= line.size() ||
      std::string_view("<>#").find(line[space + 1]) == std::string_view::npos) {
    *why = "the timestamp is followed by neither '>', '<' nor '#'";
    return std::nullopt;
  }
  return TraceLine{*ms, line[space + 1], line.substr(space + 2)};
}

}  // namespace

std::optional<RecordedTrace> ParseRecordedTrace(const std::string& text, std::string* error) {
  RecordedTrace trace;
  std::istringstream in(text);
  int number = 0;
  int64_t requestMs = 0;
  bool replied = true;  // the last request has had its reply line
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = "line " + std::to_string(number) + ": " + why;
    return std::nullopt;
  };
  for (std::string raw; std::getline(in, raw);) {
    ++number;
    std::string_view line(raw);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // written on Windows
    if (line.empty()) continue;
    std::string why;
    const std::optional<TraceLine> parsed = SplitLine(line, &why);
    if (!parsed) return fail(why);
    if (parsed->kind == '#') continue;
    RecordedReply packet;
    if (!ParsePacketBody(parsed->rest, packet, &why)) return fail(why);
    if (parsed->kind == '>') {
      if (const std::string fault = WholePacketFault(packet.bytes); !fault.empty())
        return fail(fault);
      trace.exchanges.push_back({number, std::move(packet.bytes), std::nullopt});
      requestMs = parsed->ms;
      replied = false;
      continue;
    }
    if (replied) return fail("a reply without a request before it");
    packet.delayMs = PauseBeforeSending(packet, requestMs, parsed->ms);
    trace.exchanges.back().reply = std::move(packet);
    replied = true;
  }
  if (!text.empty() && text.back() != '\n') return fail("cut short: the trace ends within it");
  if (!replied && !IsCallEndNotice(trace.exchanges.back().request))
    return fail("cut short: the trace ends before the reply to the request of line " +
                std::to_string(trace.exchanges.back().line));
  trace.lastLine = number;
  if (trace.exchanges.empty()) {
    if (error != nullptr) *error = "no request in the trace";
    return std::nullopt;
  }
  return trace;
}

std::optional<RecordedTrace> ReadRecordedTrace(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error != nullptr) *error = path + ": cannot be read";
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  std::string why;
  std::optional<RecordedTrace> trace = ParseRecordedTrace(text.str(), &why);
  if (!trace && error != nullptr) *error = path + ": " + why;
  return trace;
}

}  // namespace varnolo::sim

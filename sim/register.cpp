// The register's side of the protocol: checks each request, carries it out and
// frames the reply; commits the faults it has been told to commit.
#include "register.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "layout.h"
#include "link/commands.h"
#include "session/capability_indices.h"
#include "session/capability_table.h"

namespace varnolo::sim {
namespace {

std::vector<uint8_t> Frame(const PacketHeader& h, const std::vector<uint8_t>* data) {
  const WireHeader w = EncodeHeader(h);
  std::vector<uint8_t> out(w.begin(), w.end());
  if (data != nullptr) {
    out.insert(out.end(), data->begin(), data->end());
    out.push_back(DataChecksum(*data));
  }
  return out;
}

bool AddressedToMe(uint32_t headerNumber, uint32_t mine) {
  return headerNumber == mine % 100000000u;
}

}  // namespace

int64_t HostClockSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

Register::Register(RegisterOptions options, std::function<int64_t()> hostClock)
    : options_(options), hostClock_(std::move(hostClock)) {
  FactoryReset();
}

bool Register::TakeChanged() {
  const bool c = changed_;
  changed_ = false;
  return c;
}

uint16_t Register::Address(int capabilityIndex) const {
  return EntryLocation(CapabilityFor(capabilityIndex, options_.firmware));
}

std::optional<Reply> Register::Handle(const Packet& p) {
  ++requests_;
  lastFault_.reset();
  // A reply held back goes out as soon as the next request has come in.
  std::vector<uint8_t> heldBack = std::move(heldBack_);
  heldBack_.clear();
  std::optional<Reply> reply = Answer(p);
  if (lastFault_) ++faultsCommitted_;
  if (heldBack.empty()) return reply;
  if (!reply) reply.emplace();
  reply->heldBack = std::move(heldBack);
  return reply;
}

std::optional<Reply> Register::Answer(const Packet& p) {
  const uint16_t command = p.header.command;
  if (command == cmd::kCallEndNotice) return std::nullopt;
  // The special form F0 00 00 00 reaches every register on the line.
  if (p.wire[6] != 0xF0 && !AddressedToMe(p.header.registerNumber, options_.number)) {
    return std::nullopt;
  }

  const PacketHeader answerHeader{command, 0, 0, options_.number};
  Outcome outcome;
  const std::optional<Fault> fault = faults_.Take(command, requests_);
  lastFault_ = fault;
  if (!p.HeaderIntact() || (p.header.CarriesData() && !p.DataIntact())) {
    outcome.status = status::kBadChecksum;  // never acted on
  } else if (fault && fault->kind == FaultKind::kStatus) {
    outcome.status = static_cast<uint8_t>(fault->value);
  } else {
    outcome = Execute(p);
  }

  // Faults on what a read's answer carries.
  if (fault && outcome.data && !outcome.data->empty()) {
    std::vector<uint8_t>& data = *outcome.data;
    if (fault->kind == FaultKind::kShort) {
      data.resize(data.size() - std::min<size_t>(fault->value, data.size()));
    } else if (fault->kind == FaultKind::kLong) {
      data.insert(data.end(), fault->value, uint8_t{0});
    } else if (fault->kind == FaultKind::kNoData) {
      data.clear();
    }
  }

  Reply reply;
  if (outcome.data && !outcome.data->empty()) {
    PacketHeader h{static_cast<uint16_t>(command | 1u), static_cast<uint16_t>(outcome.data->size()),
                   p.header.address, options_.number};
    reply.bytes = Frame(h, &*outcome.data);
  } else {
    PacketHeader h = answerHeader;
    h.address = static_cast<uint16_t>(outcome.status << 8);
    reply.bytes = Frame(h, nullptr);
  }

  if (!fault) return reply;
  switch (fault->kind) {
    case FaultKind::kDrop:
      return std::nullopt;
    case FaultKind::kLate:
      heldBack_ = std::move(reply.bytes);
      return std::nullopt;
    case FaultKind::kCut:
      if (fault->value < reply.bytes.size()) reply.bytes.resize(fault->value);
      break;
    case FaultKind::kDelay:
      reply.delayMs = fault->value;
      break;
    case FaultKind::kPace:
      reply.byteIntervalMs = fault->value;
      break;
    case FaultKind::kDamage:
      reply.bytes.back() ^= 0x5A;
      break;
    case FaultKind::kStray:
      reply.bytes.insert(reply.bytes.begin(), fault->value, uint8_t{0x55});
      break;
    case FaultKind::kHangUp:
      reply.bytes.resize(reply.bytes.size() / 2);
      reply.hangUp = true;
      break;
    case FaultKind::kStatus:
    case FaultKind::kShort:
    case FaultKind::kLong:
    case FaultKind::kNoData:
      break;
  }
  return reply;
}

Register::Outcome Register::Execute(const Packet& p) {
  const PacketHeader& h = p.header;
  switch (h.command) {
    case cmd::kReadData:
      return ReadMemory(memory_.data, h);
    case cmd::kWriteData:
      return WriteMemory(memory_.data, p);
    case cmd::kReadWorking:
      return ReadMemory(memory_.working, h);
    case cmd::kWriteWorking:
      return WriteMemory(memory_.working, p);
    case cmd::kReadGoods:
      return ReadMemory(memory_.goods, h);
    case cmd::kWriteGoods:
      return WriteMemory(memory_.goods, p);
    case cmd::kReadFlags:
      return ReadMemory(memory_.flags, h);
    case cmd::kWriteFlags:
      return WriteMemory(memory_.flags, p);
    case cmd::kGoodsBaseSize:
      return {
          0, std::vector<uint8_t>{0, 0, 0, options_.goodsBase == 500 ? uint8_t{0x04} : uint8_t{0}}};
    case cmd::kSelectorBytes:
    case cmd::kBeginSession:
    case cmd::kEndSession:
      return {};
    case cmd::kDisplay:
      display_.assign(p.data.begin(), p.data.end());
      return {};
    case cmd::kReadClock:
      return ReadClock();
    case cmd::kWriteClock:
      return WriteClock(p.data);
    case cmd::kRoutineResult:
      if (h.length > routineResult_.size()) return {status::kOutOfBounds, {}};
      return {0, std::vector<uint8_t>(routineResult_.begin(), routineResult_.begin() + h.length)};
    case cmd::kCallRoutine:
      return CallRoutine(p);
    default:
      return {status::kUnknownCommand, {}};
  }
}

Register::Outcome Register::ReadMemory(std::span<uint8_t> space, const PacketHeader& h) {
  if (static_cast<size_t>(h.address) + h.length > space.size()) return {status::kOutOfBounds, {}};
  auto from = space.subspan(h.address, h.length);
  return {0, std::vector<uint8_t>(from.begin(), from.end())};
}

Register::Outcome Register::WriteMemory(std::span<uint8_t> space, const Packet& p) {
  const PacketHeader& h = p.header;
  if (static_cast<size_t>(h.address) + p.data.size() > space.size())
    return {status::kOutOfBounds, {}};
  std::copy(p.data.begin(), p.data.end(), space.begin() + h.address);
  changed_ = true;
  return {};
}

int64_t Register::Now() const {
  return hostClock_() +
         static_cast<int64_t>(GetBe(std::span(memory_.data).subspan(at::kClockOffset, 8)));
}

Register::Outcome Register::ReadClock() {
  const time_t t = static_cast<time_t>(Now());
  std::tm tm{};
  gmtime_r(&t, &tm);
  const int year = tm.tm_year + 1900;
  auto bcd = [](int v) { return static_cast<uint8_t>((v / 10) % 10 * 16 + v % 10); };
  return {
      0, std::vector<uint8_t>{bcd(tm.tm_mday), bcd(tm.tm_mon + 1), bcd(year / 100), bcd(year % 100),
                              bcd(tm.tm_hour), bcd(tm.tm_min), bcd(tm.tm_sec)}};
}

Register::Outcome Register::WriteClock(const std::vector<uint8_t>& data) {
  if (data.size() != 7) return {status::kBadClock, {}};
  auto num = [](uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); };
  std::tm tm{};
  tm.tm_mday = num(data[0]);
  tm.tm_mon = num(data[1]) - 1;
  tm.tm_year = num(data[2]) * 100 + num(data[3]) - 1900;
  tm.tm_hour = num(data[4]);
  tm.tm_min = num(data[5]);
  tm.tm_sec = num(data[6]);
  for (uint8_t b : data) {
    if ((b >> 4) > 9 || (b & 0x0F) > 9) return {status::kBadClock, {}};
  }
  if (tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_hour > 23 ||
      tm.tm_min > 59 || tm.tm_sec > 59) {
    return {status::kBadClock, {}};
  }
  const int64_t wanted = static_cast<int64_t>(timegm(&tm));
  PutBe(std::span(memory_.data).subspan(at::kClockOffset, 8),
        static_cast<uint64_t>(wanted - hostClock_()));
  changed_ = true;
  return {};
}

Register::Outcome Register::CallRoutine(const Packet& p) {
  const std::vector<uint8_t>& d = p.data;
  const uint16_t entry = p.header.address;
  const uint8_t bank = d.empty() ? 0 : d[0];
  auto is = [&](int index) {
    const CapabilityEntry e = CapabilityFor(index, options_.firmware);
    return e != 0 && EntryLocation(e) == entry && EntryBank(e) == bank;
  };
  std::vector<uint8_t> parameters;
  if (d.size() >= 5 && d[1] > 0) parameters.assign(d.begin() + 5, d.end());

  uint8_t s = status::kUnknownRoutine;
  if (is(cap::kDocumentRun)) {
    if (p.data.size() == 257) {
      const std::vector<uint8_t> text(d.begin() + 2, d.end());
      s = RunDocument(&text);
    } else {
      s = annulmentPrepared_ ? RunAnnulment() : RunDocument(nullptr);
    }
  } else if (is(cap::kDocumentReset)) {
    s = ResetDocument();
  } else if (is(cap::kVerifyShift)) {
    s = VerifyShift();
  } else if (is(cap::kAnnulPrepare)) {
    s = PrepareAnnulment();
  } else if (is(cap::kReport1) || is(cap::kReport2) || is(cap::kReport3) || is(cap::kReport4) ||
             is(cap::kReport5)) {
    const int kind = is(cap::kReport1)   ? 1
                     : is(cap::kReport2) ? 2
                     : is(cap::kReport3) ? 3
                     : is(cap::kReport4) ? 4
                                         : 5;
    s = PrintReport(kind, parameters.empty() ? 0 : parameters[0]);
  } else if (is(cap::kCloseShift)) {
    s = CloseShift();
  } else if (is(cap::kCloseTape)) {
    s = CloseTape();
  } else if (is(cap::kOpenDrawer)) {
    s = OpenDrawer();
  } else if (is(cap::kDeviceTest)) {
    s = DeviceTest();
  } else if (is(cap::kCashierCash)) {
    s = CashierCash(parameters);
  }
  if (s == 0) changed_ = true;
  return {s, {}};
}

}  // namespace varnolo::sim

// The exported functions fed arbitrary records and doubles (NaN, infinities,
// huge values, negative zero arrive as raw bytes) against the in-process
// register simulator: no crash, every result a defined code, and every read
// that returns 0 gives what the register holds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "register.h"
#include "support/fake_platform.h"
#include "support/sim_peer.h"
#include "varnolo.h"

namespace {

using namespace varnolo;

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ >= size_; }
  template <typename T>
  T Take() {
    T value{};
    const size_t n = std::min(sizeof(T), size_ - std::min(at_, size_));
    if (n > 0) std::memcpy(&value, data_ + at_, n);
    at_ += sizeof(T);
    return value;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

void Check(ResultCode r) {
  if (r < 0 || r > 269) __builtin_trap();
}

int32_t VARNOLO_CALL Walk(const ControlTapeEntry* e, int32_t) { return e->kind != 7; }

uint32_t Be(std::span<const uint8_t> bytes) {
  uint32_t v = 0;
  for (const uint8_t b : bytes) v = v << 8 | b;
  return v;
}

// After every step: the tape count, the digits option and the clock as read
// through the library are the register's own.
void ReadsGiveWhatTheRegisterHolds(sim::Register& reg) {
  uint16_t count = 0xBEEF;
  if (CRGetNumOfShoppings(&count) == 0 &&
      count != Be(std::span(reg.memory().working).subspan(reg.Address(26), 2))) {
    __builtin_trap();
  }
  int32_t digits = -1;
  if (CRGetDigits(&digits) == 0 && digits != reg.memory().data[0x01D7]) __builtin_trap();
  TimeDate t{};
  t.day = 0xEE;
  if (CRGetTimeDate(&t) == 0 && (t.day < 1 || t.day > 31 || t.month < 1 || t.month > 12)) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  test::ScopedFakePlatform platform;
  sim::Register reg({3, 1, 1800}, [] { return int64_t{1772445600}; });
  test::SimPeer peer(reg);
  platform->SetPeer(&peer);
  if (CRInitInterface(1, 0) != 1) __builtin_trap();
  Input in(data, size);
  for (int steps = 0; steps < 12 && !in.Empty(); ++steps) {
    switch (in.Take<uint8_t>() % 16) {
      case 0: {
        CheckItem items[3];
        for (auto& i : items) i = in.Take<CheckItem>();
        Check(CRCreateCheck(items, in.Take<uint8_t>() % 4, in.Take<double>(), in.Take<int8_t>(),
                            in.Take<int8_t>()));
        break;
      }
      case 1: {
        CheckItemEx items[2];
        for (auto& i : items) i = in.Take<CheckItemEx>();
        Check(CRCreateCheckEx(items, in.Take<uint8_t>() % 3, in.Take<double>(), in.Take<int8_t>(),
                              0));
        break;
      }
      case 2: {
        CheckItem item = in.Take<CheckItem>();
        Check(CRCreateIntGBCheck(&item, in.Take<int16_t>()));
        break;
      }
      case 3: {
        DecoratedCheck d = in.Take<DecoratedCheck>();
        Check(CRCreateDecoratedCheck(&d));
        break;
      }
      case 4:
        Check(CRCreateInputCheck(in.Take<double>()));
        break;
      case 5:
        Check(CRCreateTakeoffCheck(in.Take<double>()));
        break;
      case 6:
        Check(CRCreatePackCheck(in.Take<uint8_t>(), in.Take<double>()));
        break;
      case 7:
        Check(CRCreateMoneyBackCheck(in.Take<uint8_t>(), in.Take<double>()));
        break;
      case 8:
        Check(CRSetTaxVal(in.Take<double>(), in.Take<uint8_t>() % 5));
        break;
      case 9:
        Check(CRSetDiscountOrRaiseVal(in.Take<double>(), in.Take<int8_t>()));
        break;
      case 10: {
        GoodsEntry g = in.Take<GoodsEntry>();
        Check(CRSetInternalGBEntry(&g, in.Take<uint16_t>() % 1900));
        GoodsEntry back{};
        Check(CRGetInternalGBEntry(&back, in.Take<uint16_t>() % 1900));
        break;
      }
      case 11: {
        RegisterConfiguration c = in.Take<RegisterConfiguration>();
        Check(CRConfigureEx(&c, in.Take<uint8_t>()));
        break;
      }
      case 12: {
        char text[128];
        const auto t = in.Take<std::array<char, 128>>();
        std::memcpy(text, t.data(), sizeof text);
        text[127] = 0;
        Check(CRSetHeader(text));
        Check(CRSetTaxName(text, 1 + in.Take<uint8_t>() % 3));
        Check(CRDisplay(text, in.Take<uint32_t>(), in.Take<int32_t>()));
        break;
      }
      case 13: {
        TradeTotals t;
        TradeCounters n;
        Check(CRGetTradeResults(&t, &n, in.Take<uint8_t>() % 20, in.Take<int8_t>()));
        break;
      }
      case 14:
        Check(CREnumCTEntriesFromShopping2(Walk, in.Take<int32_t>(), in.Take<uint32_t>(), 0));
        break;
      default:
        Check(CRReport(in.Take<int32_t>()));
        Check(CRAnnulCheck());
        Check(CRCloseSwitch());
        break;
    }
    ReadsGiveWhatTheRegisterHolds(reg);
  }
  CRDestroyInterface();
  return 0;
}

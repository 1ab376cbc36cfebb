// The register's six configuration settings and the library's cache of them.
#include <array>
#include <cstddef>
#include <cstring>

#include "link/primitives.h"
#include "link/register_link.h"
#include "session/capability_indices.h"
#include "session/export_guard.h"
#include "session/session.h"
#include "settings/option_byte.h"

namespace varnolo {
namespace {

constexpr uint32_t kPauseBetweenFieldReadsMs = 100;

struct ConfigField {
  uint32_t flag;
  uint16_t slot;  // data memory, three copies
  int capabilityIndex;
  size_t offset;  // of the int32_t field in the record; kSectionCountField: sectionCount
};

constexpr size_t kSectionCountField = sizeof(RegisterConfiguration);

// The records are packed and the caller's may sit at any address: the int32_t
// fields are copied in and out, never read through a pointer to the field.
int32_t FieldValue(const RegisterConfiguration& c, size_t offset) {
  int32_t value = 0;
  std::memcpy(&value, reinterpret_cast<const char*>(&c) + offset, sizeof value);
  return value;
}
void SetFieldValue(RegisterConfiguration& c, size_t offset, int32_t value) {
  std::memcpy(reinterpret_cast<char*>(&c) + offset, &value, sizeof value);
}

// The fixed order in which fields are written and read.
constexpr std::array<ConfigField, 6> kFields{{
    {CR_CFG_SECTION_COUNT, 0x01E3, cap::kSectionCountByte, kSectionCountField},
    {CR_CFG_USE_CASHIERS, 0x01E6, cap::kUseCashiersByte,
     offsetof(RegisterConfiguration, useCashiers)},
    {CR_CFG_USE_GOODS_BASE, 0x01EF, cap::kUseGoodsBaseByte,
     offsetof(RegisterConfiguration, useGoodsBase)},
    {CR_CFG_OPTION02, 0x01E9, cap::kOption02Byte, offsetof(RegisterConfiguration, option02)},
    {CR_CFG_EXTENDED_CHECKS, 0x01F5, cap::kExtendedChecksByte,
     offsetof(RegisterConfiguration, extendedChecks)},
    {CR_CFG_USE_TAXES, 0x01F2, cap::kUseTaxesByte, offsetof(RegisterConfiguration, useTaxes)},
}};

constexpr uint8_t kTaxModeOn = 3;

ResultCode WriteField(const ConfigField& f, const RegisterConfiguration& in,
                      RegisterConfiguration& cache) {
  if (f.offset == kSectionCountField) {
    if (in.sectionCount < 1 || in.sectionCount > 16) return kOutOfRange;
    const ResultCode r =
        WriteOptionByte(f.slot, f.capabilityIndex, static_cast<uint8_t>(in.sectionCount - 1));
    if (r == kOk) cache.sectionCount = in.sectionCount;
    return r;
  }
  const int32_t value = FieldValue(in, f.offset);
  ResultCode r = WriteOptionByte(f.slot, f.capabilityIndex, static_cast<uint8_t>(value));
  if (r == kOk && f.flag == CR_CFG_USE_TAXES) {
    const uint8_t mode = value != 0 ? kTaxModeOn : 0;
    r = WriteWorkingMemory(TheSession().registerNumber, CapabilityAddress(cap::kTaxModeByte),
                           {&mode, 1});
  }
  if (r == kOk) SetFieldValue(cache, f.offset, value);
  return r;
}

ResultCode ReadField(const ConfigField& f, RegisterConfiguration& out,
                     RegisterConfiguration& cache) {
  uint8_t stored = 0;
  const ResultCode r = ReadOptionByte(f.slot, stored);
  if (r != kOk) return r;
  if (f.offset == kSectionCountField) {
    out.sectionCount = cache.sectionCount = static_cast<uint8_t>(stored + 1);
  } else {
    const int32_t value = stored == 1 ? 1 : 0;
    SetFieldValue(out, f.offset, value);
    SetFieldValue(cache, f.offset, value);
  }
  CurrentPlatform().SleepMs(kPauseBetweenFieldReadsMs);
  return kOk;
}

}  // namespace
}  // namespace varnolo

using namespace varnolo;

extern "C" {

ResultCode VARNOLO_CALL CRConfigureEx(const RegisterConfiguration* config, uint32_t flags) {
  if (config == nullptr) return kOutOfRange;
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    CallFrame frame;
    if (const ResultCode shift = ShiftOpenTest(); shift != kOk) return shift;
    const RegisterConfiguration in = *config;
    for (const ConfigField& f : kFields) {
      if ((flags & f.flag) == 0) continue;
      if (const ResultCode r = WriteField(f, in, TheSession().configuration); r != kOk) return r;
    }
    return kOk;
  });
}

ResultCode VARNOLO_CALL CRConfigure(const RegisterConfiguration* config) {
  return CRConfigureEx(config, CR_CFG_ALL);
}

ResultCode VARNOLO_CALL CRGetConfigurationEx(RegisterConfiguration* config, uint32_t flags) {
  if (config == nullptr) return kOutOfRange;
  return Guarded([&] {
    if (!TheLink().IsPortOpen()) return kPortClosed;
    CallFrame frame;
    for (const ConfigField& f : kFields) {
      if ((flags & f.flag) == 0) continue;
      if (const ResultCode r = ReadField(f, *config, TheSession().configuration); r != kOk)
        return r;
    }
    return kOk;
  });
}

ResultCode VARNOLO_CALL CRGetConfiguration(RegisterConfiguration* config) {
  return CRGetConfigurationEx(config, CR_CFG_ALL);
}

void VARNOLO_CALL CRGetQuickConfig(RegisterConfiguration* config) {
  if (config != nullptr) *config = TheSession().configuration;
}

}  // extern "C"

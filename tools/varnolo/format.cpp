#include "format.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace varnolo::cli {

std::string Money(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

std::string ClockText(const TimeDate& t) {
  char when[40];
  std::snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{t.year},
                unsigned{t.month}, unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute},
                unsigned{t.second});
  return when;
}

TimeDate LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return TimeDate{static_cast<uint8_t>(tm.tm_mday),
                  static_cast<uint8_t>(tm.tm_mon + 1),
                  static_cast<uint16_t>(tm.tm_year + 1900),
                  static_cast<uint8_t>(tm.tm_hour),
                  static_cast<uint8_t>(tm.tm_min),
                  static_cast<uint8_t>(tm.tm_sec),
                  0};
}

bool ParseClock(const std::string& text, TimeDate& out) {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%4u-%2u-%2u %2u:%2u:%2u%c", &year, &month, &day, &hour, &minute,
                  &second, &tail) != 6)
    return false;
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (year < 1000 || month < 1 || month > 12 || hour > 23 || minute > 59 || second > 59)
    return false;
  const unsigned days = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  if (day < 1 || day > days) return false;
  out = TimeDate{static_cast<uint8_t>(day),
                 static_cast<uint8_t>(month),
                 static_cast<uint16_t>(year),
                 static_cast<uint8_t>(hour),
                 static_cast<uint8_t>(minute),
                 static_cast<uint8_t>(second),
                 0};
  return true;
}

nlohmann::json ConfigurationJson(const RegisterConfiguration& config) {
  const int useCashiers = config.useCashiers, option02 = config.option02,
            useGoodsBase = config.useGoodsBase, extendedChecks = config.extendedChecks,
            useTaxes = config.useTaxes, sectionCount = config.sectionCount;
  return nlohmann::json{{"useCashiers", useCashiers},   {"option02", option02},
                        {"useGoodsBase", useGoodsBase}, {"extendedChecks", extendedChecks},
                        {"useTaxes", useTaxes},         {"sectionCount", sectionCount}};
}

}  // namespace varnolo::cli

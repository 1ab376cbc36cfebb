#include "access_guard.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>

namespace varnolo::service {

bool ReadTokenFile(const std::string& path, std::string& token, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return error = "cannot read the token file " + path, false;
  std::string line;
  std::getline(in, line);
  const char* blanks = " \t\r\n";
  const size_t first = line.find_first_not_of(blanks);
  if (first == std::string::npos)
    return error = "the token file " + path + " holds no token", false;
  token = line.substr(first, line.find_last_not_of(blanks) - first + 1);
  if (token.size() < 16)
    return error = "the token in " + path + " is shorter than 16 characters", false;
  return true;
}

bool SameSecret(const std::string& a, const std::string& b) {
  const size_t n = std::max(a.size(), b.size());
  unsigned char diff = a.size() == b.size() ? 0 : 1;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    diff = static_cast<unsigned char>(diff | (x ^ y));
  }
  return diff == 0;
}

bool BearerMatches(const std::string& authorization, const std::string& token) {
  static const std::string kScheme = "Bearer ";
  // The scheme's name is case-insensitive.
  if (authorization.size() < kScheme.size() ||
      !std::equal(kScheme.begin(), kScheme.end(), authorization.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
      }))
    return false;  // no bearer token at all: nothing about the token to learn
  return SameSecret(authorization.substr(kScheme.size()), token);
}

RateLimiter::RateLimiter(double perSecond, double burst, Clock now)
    : perSecond_(perSecond), burst_(burst), now_(std::move(now)) {}

double RateLimiter::SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool RateLimiter::Allow(const std::string& client, int* retryAfterS) {
  const double now = now_();
  std::lock_guard<std::mutex> lock(mutex_);
  if (buckets_.size() > 10000) buckets_.clear();  // a flood of addresses must not grow it for ever
  auto [it, fresh] = buckets_.try_emplace(client, Bucket{burst_, now});
  Bucket& b = it->second;
  if (!fresh) {
    b.tokens = std::min(burst_, b.tokens + (now - b.at) * perSecond_);
    b.at = now;
  }
  if (b.tokens >= 1) {
    b.tokens -= 1;
    return true;
  }
  if (retryAfterS != nullptr)
    *retryAfterS = std::max(1, static_cast<int>(std::ceil((1 - b.tokens) / perSecond_)));
  return false;
}

}  // namespace varnolo::service

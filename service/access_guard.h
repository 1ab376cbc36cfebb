// Who may use the service, and how much: a bearer token read from a file and
// compared in constant time, and a request rate per client address.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace varnolo::service {

// The token is the file's first line without surrounding blanks; false with
// a reason when the file cannot be read or holds no token.
bool ReadTokenFile(const std::string& path, std::string& token, std::string& error);

// Compares in time that depends only on the lengths, never on where the
// texts first differ.
bool SameSecret(const std::string& a, const std::string& b);

// "Bearer <token>" with the expected token.
bool BearerMatches(const std::string& authorization, const std::string& token);

// A token bucket per client address: `burst` requests at once, refilled at
// `perSecond`.
class RateLimiter {
 public:
  using Clock = std::function<double()>;  // seconds
  RateLimiter(double perSecond, double burst, Clock now = SteadySeconds);
  // False when the client must wait; then *retryAfterS says how long.
  bool Allow(const std::string& client, int* retryAfterS);
  static double SteadySeconds();

 private:
  struct Bucket {
    double tokens;
    double at;
  };
  double perSecond_, burst_;
  Clock now_;
  std::mutex mutex_;
  std::map<std::string, Bucket> buckets_;
};

}  // namespace varnolo::service

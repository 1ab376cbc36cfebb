// The token and the rate limit, without a network.
#include "access_guard.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "support/param_name.h"

namespace varnolo::service {
namespace {

const std::string kToken = "s3cret-token-0123456789";

struct BearerCase {
  const char* name;
  std::string header;
  bool accepted;
};

class Bearer : public ::testing::TestWithParam<BearerCase> {};

TEST_P(Bearer, AcceptsOnlyTheExactToken) {
  EXPECT_EQ(BearerMatches(GetParam().header, kToken), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, Bearer,
    ::testing::Values(BearerCase{"Exact", "Bearer " + kToken, true},
                      BearerCase{"Missing", "", false}, BearerCase{"SchemeOnly", "Bearer ", false},
                      BearerCase{"OtherScheme", "Basic " + kToken, false},
                      BearerCase{"Prefix", "Bearer " + kToken.substr(0, kToken.size() - 1), false},
                      BearerCase{"Longer", "Bearer " + kToken + "x", false},
                      BearerCase{"LastCharacterDiffers",
                                 "Bearer " + kToken.substr(0, kToken.size() - 1) + "8", false},
                      BearerCase{"TrailingBlank", "Bearer " + kToken + " ", false},
                      BearerCase{"SchemeInLowerCase", "bearer " + kToken, true}),
    test::ParamName());

TEST(TokenFile, TakesTheFirstLineWithoutBlanksAndRefusesWeakOnes) {
  const std::string path = "/tmp/varnolo-token-" + std::to_string(getpid());
  std::string token, error;
  std::ofstream(path) << "  " << kToken << " \r\nsecond line\n";
  EXPECT_TRUE(ReadTokenFile(path, token, error)) << error;
  EXPECT_EQ(token, kToken);
  std::ofstream(path) << "\n";
  EXPECT_FALSE(ReadTokenFile(path, token, error));
  EXPECT_NE(error.find("no token"), std::string::npos) << error;
  std::ofstream(path) << "short\n";
  EXPECT_FALSE(ReadTokenFile(path, token, error));
  std::remove(path.c_str());
  EXPECT_FALSE(ReadTokenFile(path, token, error));
  EXPECT_NE(error.find(path), std::string::npos) << error;
}

TEST(RateLimit, ABurstThenTheRefillRatePerClient) {
  double now = 100;
  RateLimiter limiter(2, 3, [&] { return now; });
  int retryAfter = 0;
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(limiter.Allow("10.0.0.1", &retryAfter)) << i;
  EXPECT_FALSE(limiter.Allow("10.0.0.1", &retryAfter));
  EXPECT_EQ(retryAfter, 1);
  EXPECT_TRUE(limiter.Allow("10.0.0.2", &retryAfter)) << "another client has its own bucket";
  now += 0.5;  // one request's worth at 2 per second
  EXPECT_TRUE(limiter.Allow("10.0.0.1", &retryAfter));
  EXPECT_FALSE(limiter.Allow("10.0.0.1", &retryAfter));
  now += 60;  // a long pause refills to the burst, no further
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(limiter.Allow("10.0.0.1", &retryAfter)) << i;
  EXPECT_FALSE(limiter.Allow("10.0.0.1", &retryAfter));
}

}  // namespace
}  // namespace varnolo::service

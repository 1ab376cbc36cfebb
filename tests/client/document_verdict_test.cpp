// The was-it-registered verdict on a scripted tape count and a virtual clock:
// it waits for two agreeing reads, starts over after a failed read, and gives
// up at what is left of the document's print timeout. The cases are the ones
// the Python package runs too.
#include "document_verdict.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>

#include "document_outcome.h"
#include "port_name.h"
#include "varnolo.h"

namespace varnolo::client {
namespace {

constexpr int32_t kLost = CR_ERR_NO_REPLY;

// The verdict cases every face runs (tests/vectors/verdict.json): the count
// reads in order, the document call, and the outcome as the faces report it.
struct VerdictVector {
  std::string name;
  nlohmann::json data;
};

std::vector<VerdictVector> Vectors() {
  std::ifstream in(VARNOLO_VECTORS_DIR "/verdict.json");
  const nlohmann::json all = nlohmann::json::parse(in);
  std::vector<VerdictVector> out;
  for (const nlohmann::json& c : all["cases"]) out.push_back({c["name"], c});
  for (VerdictVector& v : out) {
    v.data["readMs"] = all["readMs"];
    v.data["document"] = all["document"];
  }
  return out;
}

class Verdict : public ::testing::TestWithParam<VerdictVector> {};

TEST_P(Verdict, DecidesAsEveryFaceDoes) {
  const nlohmann::json& c = GetParam().data;
  uint64_t now = 0;
  std::deque<std::pair<int32_t, uint16_t>> reads;
  for (const nlohmann::json& r : c["reads"]) reads.emplace_back(r[0], r[1]);
  const uint64_t readMs = c["readMs"];
  const TapeWitness witness{[&](uint16_t* count) {
                              if (reads.empty()) {
                                ADD_FAILURE() << "one read too many";
                                return kLost;
                              }
                              const auto [result, value] = reads.front();
                              reads.pop_front();
                              // A read without an answer costs its whole timeout.
                              now += result == kLost ? kCountReadTimeoutMs : readMs;
                              if (result == CR_OK) *count = value;
                              return result;
                            },
                            [&] { return now; }, [&](uint32_t ms) { now += ms; }};
  const uint32_t runTimeoutMs = c["runTimeoutMs"];
  bool ran = false;
  const DocumentOutcome o = RunDocument(
      [&] {
        ran = true;
        now += c["run"]["ms"].get<uint64_t>();
        return c["run"]["result"].get<int32_t>();
      },
      runTimeoutMs, witness);
  const nlohmann::json& expect = c["expect"];
  const rules::DocumentRule* document = rules::FindDocument(c["document"].get<std::string>());
  ASSERT_NE(document, nullptr);
  const nlohmann::json shown = OutcomeJson(*document, o);
  EXPECT_EQ(shown["verdict"], expect["verdict"]);
  EXPECT_EQ(o.sent, expect["sent"].get<bool>());
  EXPECT_EQ(ran, o.sent) << "a document not sent must never reach the register";
  EXPECT_EQ(shown["registered"], expect["registered"]);
  EXPECT_EQ(shown["tapeCountBefore"], expect["tapeCountBefore"]);
  EXPECT_EQ(shown["tapeCountAfter"], expect["tapeCountAfter"]);
  EXPECT_EQ(o.result, expect.value("result", c["run"]["result"].get<int32_t>()));
  if (!expect["readsLeft"].is_null()) {
    EXPECT_EQ(reads.size(), expect["readsLeft"].get<size_t>());
  }
  // Never past the print timeout, the quiet window, plus the last read.
  EXPECT_LE(now, std::max<uint64_t>(runTimeoutMs, c["run"]["ms"].get<uint64_t>()) + kQuietWindowMs +
                     2 * kCountReadTimeoutMs);
}

std::string VectorName(const ::testing::TestParamInfo<VerdictVector>& p) {
  std::string name = p.param.name;
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Vectors, Verdict, ::testing::ValuesIn(Vectors()), VectorName);

// The port names every face reads alike (tests/vectors/ports.json).
TEST(PortNames, AreReadAsEveryFaceReadsThem) {
  std::ifstream in(VARNOLO_VECTORS_DIR "/ports.json");
  const nlohmann::json ports = nlohmann::json::parse(in);
  for (const nlohmann::json& c : ports["cases"]) {
    const std::string name = c["name"];
    std::string error;
    const std::optional<PortChoice> choice = ResolvePort(name, &error);
    if (c.contains("error")) {
      EXPECT_FALSE(choice) << name;
      EXPECT_EQ(error, c["error"].get<std::string>()) << name;
      continue;
    }
    ASSERT_TRUE(choice) << name << ": " << error;
    EXPECT_EQ(choice->selector, c["selector"].get<int32_t>()) << name;
    EXPECT_EQ(choice->device, c["device"].is_null() ? "" : c["device"].get<std::string>()) << name;
  }
}

}  // namespace
}  // namespace varnolo::client

namespace varnolo::client {
namespace {

// A journal writes the count down before the document goes out; when it
// cannot, the document is held back and the register never sees it.
TEST(VerdictBefore, TheCallerSeesTheCountBeforeAnythingIsSentAndMayHoldItBack) {
  for (const bool journalWritten : {true, false}) {
    bool ran = false;
    std::optional<uint16_t> seen;
    const TapeWitness witness{[&](uint16_t* c) { return *c = ran ? 8 : 7, CR_OK; },
                              [] { return uint64_t{0}; }, [](uint32_t) {}};
    const DocumentOutcome o = RunDocument(
        [&] { return ran = true, CR_OK; }, 9000, witness,
        [&](uint16_t before) {
          EXPECT_FALSE(ran) << "the count must be handed over before the document is sent";
          seen = before;
          return journalWritten;
        });
    EXPECT_EQ(seen, std::optional<uint16_t>(7));
    EXPECT_EQ(ran, journalWritten);
    EXPECT_EQ(o.sent, journalWritten);
    EXPECT_EQ(o.registered, journalWritten ? Registered::kYes : Registered::kNo);
  }
}

}  // namespace
}  // namespace varnolo::client

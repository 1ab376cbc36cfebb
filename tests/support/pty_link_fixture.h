// The library's own link, on the system's platform, open on the slave side of
// a pseudo-terminal whose master the test holds.
#pragma once

#include <gtest/gtest.h>

#include "link/register_link.h"
#include "support/pty_pair.h"

namespace varnolo::test {

class PtyLinkFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    pty.BecomeCom1();
    ASSERT_TRUE(TheLink().OpenPort(0));
  }
  void TearDown() override { TheLink().ClosePort(); }

  PtyPair pty;
};

}  // namespace varnolo::test

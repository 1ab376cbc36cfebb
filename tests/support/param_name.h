// Names parameterised cases by their `name` field.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace varnolo::test {

struct ParamName {
  template <typename T>
  std::string operator()(const ::testing::TestParamInfo<T>& p) const {
    return p.param.name;
  }
};

}  // namespace varnolo::test

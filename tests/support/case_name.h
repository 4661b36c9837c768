#pragma once
// Readable names for table-driven cases: each case struct has a `name` field.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace brimlow::testing_support {

struct CaseName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
    std::string out;
    for (char c : std::string(info.param.name)) {
      out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return out + "_" + std::to_string(info.index);
  }
};

}  // namespace brimlow::testing_support

// Test names for the rows of a parameterised test, made from the rows' own names.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

namespace testing_support {

// Letters and digits kept, every other run of characters one underscore.
inline std::string TestNameOf(std::string_view rowName) {
  std::string name;
  for (char c : rowName) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (kept)
      name += c;
    else if (!name.empty() && name.back() != '_')
      name += '_';
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  return name;
}

// For INSTANTIATE_TEST_SUITE_P: a row type with a `name` member.
struct RowName {
  template <class Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
    return TestNameOf(info.param.name);
  }
};

// Prints a row by its name where a test reports its parameter; a test file
// brings it in with `using testing_support::PrintTo;` beside its rows.
template <class Row>
  requires requires(const Row& row) { std::string_view(row.name); }
void PrintTo(const Row& row, std::ostream* out) {
  *out << row.name;
}

}  // namespace testing_support

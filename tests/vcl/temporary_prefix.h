// A prefix of its own for a test that touches files, with drive C:'s root as
// the current folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "tests/support/TempPrefix.h"

namespace vcl::testing {

namespace fs = std::filesystem;

class TemporaryPrefixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_.emplace();
    driveC_ = prefix_->DriveC();
  }
  void TearDown() override { prefix_.reset(); }

  fs::path driveC_;

 private:
  std::optional<testing_support::TempPrefix> prefix_;
};

}  // namespace vcl::testing

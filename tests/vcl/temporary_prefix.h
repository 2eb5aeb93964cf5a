// A prefix of its own for a test that touches files.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/win32/prefix.h"

namespace vcl::testing {

namespace fs = std::filesystem;

// A prefix of its own in a temporary folder, with drive C:'s root as the
// current folder; the environment and the folder are restored afterwards.
class TemporaryPrefixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vcl-prefix-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    temporary_ = pattern;
    if (const char* old = std::getenv("WINEPREFIX")) oldPrefix_ = old;
    oldDirectory_ = fs::current_path();
    setenv("WINEPREFIX", (temporary_ / "prefix").c_str(), 1);
    driveC_ = win32::Prefix::Current().Root() / "drive_c";
    ASSERT_TRUE(fs::is_directory(driveC_));
    fs::current_path(driveC_);
  }
  void TearDown() override {
    fs::current_path(oldDirectory_);
    if (oldPrefix_)
      setenv("WINEPREFIX", oldPrefix_->c_str(), 1);
    else
      unsetenv("WINEPREFIX");
    std::error_code ignored;
    fs::remove_all(temporary_, ignored);
  }

  fs::path driveC_;

 private:
  fs::path temporary_;
  fs::path oldDirectory_;
  std::optional<std::string> oldPrefix_;
};

}  // namespace vcl::testing

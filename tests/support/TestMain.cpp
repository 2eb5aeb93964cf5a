// The main of every test program. The whole run has a prefix of its own, so
// that a test reaching the layer without one of its own (through the
// application object's module name, say) never touches the user's ~/.wine.
#include <gtest/gtest.h>

#include "tests/support/TempPrefix.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const testing_support::TempPrefix runPrefix;
  return RUN_ALL_TESTS();
}

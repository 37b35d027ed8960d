// Shared main of every test program. Death tests fork: the threadsafe style re-executes the
// program, which is what a process holding worker or toolkit threads needs.
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  return RUN_ALL_TESTS();
}

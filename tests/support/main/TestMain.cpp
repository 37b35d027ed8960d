// Shared main of every test program. Death tests fork: the threadsafe style re-executes the
// program, which is what a process holding worker or toolkit threads needs.
#include <gtest/gtest.h>

#ifdef ZELVANE_TEST_WIDGETS
#include <QApplication>
#endif

// Tests of allocation failure ask for impossible sizes and expect null back, also when the
// program is run by hand without the options ctest sets.
extern "C" const char *__asan_default_options() { return "allocator_may_return_null=1"; }
// What the software GL driver keeps past the end of a context is not ours: drawing tests
// check for leaks of their own all the same.
extern "C" const char *__lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
#ifdef ZELVANE_TEST_WIDGETS
  // Programs that drive widgets hold one application for the whole run (it needs a display).
  QApplication app(argc, argv);
#endif
  return RUN_ALL_TESTS();
}

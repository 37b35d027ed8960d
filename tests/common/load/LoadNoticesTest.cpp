// The loaders' notices, refusals and warnings on their way through collectors nested as a
// window's reloads nest them.
#include "tests/common/CommonTest.h"

// A refusal or a warning is on standard error from the start: passed on by a collector to the
// one around it, and by that one to nothing (as auto-update's do), it never reaches standard
// output too, and a window's collector keeps it once for its terminal. A notice of the same load
// waits in the collectors and is printed once, by the outermost.
TEST(LoadNotices, APassedOnRefusalOrWarningIsNeverPrintedASecondTime) {
  const struct {
    const char *what;
    void (*say)(const char *, ...);
    size_t out, err;
  } rows[] = {{"a notice", LoadNotice, 1, 0}, {"a refusal", LoadRefusal, 0, 1}, {"a warning", LoadWarning, 0, 1}};
  for (const auto &r : rows)
    for (bool window : {false, true}) {
      SCOPED_TRACE(std::string(r.what) + (window ? ", kept for a terminal" : ", passed on to nothing"));
      const std::string line = std::string("  ## ") + r.what + " about a file\n";
      std::string terminal;
      const Captured c = CaptureText([&] {
        LoadNoticeCollector outer;
        {
          LoadNoticeCollector inner;
          r.say("%s", line.c_str());
          LoadNotice("  ## a notice of the same load\n");
          inner.passOn();
        }
        if (window) terminal = outer.take();
        outer.passOn();
      });
      EXPECT_EQ(Occurrences(c.Out, line), window ? 0 : r.out);
      EXPECT_EQ(Occurrences(c.Err, line), r.err);
      EXPECT_EQ(Occurrences(terminal, line), window ? 1u : 0u);
    }
}

// Notices of the loaders: lines a user must read about a file that was taken (a solution with
// values that are NaN or infinite, a file not written to its end yet). They go to
// standard output, unless the calling thread collects them to show them its own way: a window
// puts them in its terminal, which echoes them on standard output itself.
// A refusal (LoadRefusal) is an error line that closes the loader's own lines about a file it
// did not take: it goes to standard error at once, whoever collects, and a collector keeps it
// as well, for the window's terminal only. A warning (LoadWarning) about a file that was taken
// but not whole (a solution with values for fewer entities than the mesh has) goes the same
// way.
#pragma once

#include <cstdint>
#include <string>

// One notice, printf-style, ended by a line feed of its own.
void LoadNotice(const char *format, ...) __attribute__((format(printf, 1, 2)));
// One refusal, printf-style, ended by a line feed of its own: printed on standard error, and
// kept too by the calling thread's collector when there is one.
void LoadRefusal(const char *format, ...) __attribute__((format(printf, 1, 2)));
// One warning about a file that is taken but not whole, printf-style, ended by a line feed of
// its own: a user must see it whether or not a window shows the load, so it goes where a
// refusal goes.
void LoadWarning(const char *format, ...) __attribute__((format(printf, 1, 2)));

// While it lives, the notices of the thread that made it are kept in it instead of printed.
// Collectors nest: the innermost one keeps them.
class LoadNoticeCollector {
 public:
  LoadNoticeCollector();
  ~LoadNoticeCollector();
  LoadNoticeCollector(const LoadNoticeCollector &) = delete;
  LoadNoticeCollector &operator=(const LoadNoticeCollector &) = delete;

  // The notices and refusals kept so far, in the order they came, for a terminal to show;
  // the collector then forgets them.
  std::string take();
  // Hands what it kept so far on as if this collector did not exist: to the collector around
  // it, or the notices to standard output (the refusals are on standard error already).
  void passOn();

 private:
  friend void keepLoadLine(const std::string &line, bool printed);
  std::string text_;     // notices and refusals, for a terminal
  std::string pending_;  // the notices alone, printed nowhere yet
  LoadNoticeCollector *outer_;
};

// "<file> HOLDS VALUES FOR <given> OF THE <entities> <kind>, THE OTHER n ARE SET TO 0" as a
// warning (LoadWarning) naming the loader fun, the file as messages show it (ShownName);
// nothing when given is not below entities.
void NoticeShortSolution(const char *fun, const char *file, int64_t given, int64_t entities, const char *kind);
// "<count> VALUES OF <file> ARE NAN OR INFINITE, LEFT OUT OF THE FIELD RANGES" as a notice
// naming the loader fun, the file as messages show it (ShownName); nothing when count is 0.
void NoticeNonFinite(const char *fun, const char *file, int64_t count);

// Notices of the loaders: lines a user must read about a file that was taken (a solution with
// values for fewer entities than the mesh has, or with values that are NaN or infinite, a file
// not written to its end yet). They go to
// standard output, unless the calling thread collects them to show them its own way: a window
// puts them in its terminal, which echoes them on standard output itself.
#pragma once

#include <cstdint>
#include <string>

// One notice, printf-style, ended by a line feed of its own.
void LoadNotice(const char *format, ...) __attribute__((format(printf, 1, 2)));

// While it lives, the notices of the thread that made it are kept in it instead of printed.
// Collectors nest: the innermost one keeps them.
class LoadNoticeCollector {
 public:
  LoadNoticeCollector();
  ~LoadNoticeCollector();
  LoadNoticeCollector(const LoadNoticeCollector &) = delete;
  LoadNoticeCollector &operator=(const LoadNoticeCollector &) = delete;

  // The notices kept so far, which the collector then forgets.
  std::string take();
  // Hands the notices kept so far on as if this collector did not exist: to the collector
  // around it, or to standard output.
  void passOn();

 private:
  friend void LoadNotice(const char *format, ...);
  std::string text_;
  LoadNoticeCollector *outer_;
};

// "<file> HOLDS VALUES FOR <given> OF THE <entities> <kind>, THE OTHER n ARE SET TO 0" as a
// notice naming the loader fun, the file as messages show it (ShownName); nothing when given
// is not below entities.
void NoticeShortSolution(const char *fun, const char *file, int64_t given, int64_t entities, const char *kind);
// "<count> VALUES OF <file> ARE NAN OR INFINITE, LEFT OUT OF THE FIELD RANGES" as a notice
// naming the loader fun, the file as messages show it (ShownName); nothing when count is 0.
void NoticeNonFinite(const char *fun, const char *file, int64_t count);

// A process locale whose decimal separator is a comma, for the tests of files that must read
// and write numbers the same in every locale. The locale is built with localedef into a folder
// of the test's own (made when missing); the previous locale and LOCPATH come back at scope exit.
#pragma once

#include <string>

class CommaLocale {
 public:
  explicit CommaLocale(const std::string &dir);
  ~CommaLocale();
  CommaLocale(const CommaLocale &) = delete;
  CommaLocale &operator=(const CommaLocale &) = delete;
  // Empty when the locale is in force (it really reads "0,5"), else why not, for GTEST_SKIP.
  const std::string &failure() const { return failure_; }
  // True when the locale is in force.
  bool Active = false;

 private:
  bool hadPath_;
  std::string path_, failure_;
};

// A locale whose decimal separator is a comma, built in a folder and set for the object's
// life; the locale and LOCPATH are put back when it goes.
#pragma once

#include <clocale>
#include <cstdlib>
#include <string>

class CommaLocale {
 public:
  explicit CommaLocale(const std::string &dir) {
    std::string cmd = "mkdir -p " + dir + " && localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return;
    setenv("LOCPATH", dir.c_str(), 1);
    Active = setlocale(LC_ALL, "de_DE.UTF-8") && strtod("0.5", nullptr) == 0;
  }
  ~CommaLocale() {
    setlocale(LC_ALL, "C");
    Had ? setenv("LOCPATH", Path.c_str(), 1) : unsetenv("LOCPATH");
  }
  CommaLocale(const CommaLocale &) = delete;
  CommaLocale &operator=(const CommaLocale &) = delete;
  bool Active = false;  // false when the system cannot build or set it

 private:
  bool Had = getenv("LOCPATH") != nullptr;
  std::string Path = Had ? getenv("LOCPATH") : "";
};

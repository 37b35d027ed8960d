#include "tests/support/CommaLocale.h"

#include <sys/stat.h>

#include <clocale>
#include <cstdlib>

CommaLocale::CommaLocale(const std::string &dir) : hadPath_(getenv("LOCPATH") != nullptr) {
  if (hadPath_) path_ = getenv("LOCPATH");
  mkdir(dir.c_str(), 0755);
  const std::string cmd = "localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) {
    failure_ = "localedef could not build de_DE.UTF-8";
    return;
  }
  setenv("LOCPATH", dir.c_str(), 1);
  if (!setlocale(LC_ALL, "de_DE.UTF-8"))
    failure_ = "the comma locale could not be set";
  else if (strtod("0,5", nullptr) != 0.5)
    failure_ = "the locale does not read a comma";
  Active = failure_.empty();
}

CommaLocale::~CommaLocale() {
  setlocale(LC_ALL, "C");
  if (hadPath_)
    setenv("LOCPATH", path_.c_str(), 1);
  else
    unsetenv("LOCPATH");
}

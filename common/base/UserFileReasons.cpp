// Why a user's file is refused or a write of one fails: the one line on standard error, and
// the reason kept for the caller that shows it.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/base/ShownName.h"
#include "common/base/UserFileInternal.h"

namespace userfile {

thread_local LastWrite lastWrite = {false, 0, nullptr};
thread_local char composedReason[UserPathMax + 200];

const char *const WriteProtected = "the file is write-protected";
const char *const LinkRefused = "it is a symbolic link, and a name read from a sequence is never written through one";
const char *const Replaced = "the file was replaced during the write; nothing was written";

const char *kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "A FOLDER";
  if (S_ISFIFO(mode)) return "A FIFO";
  if (S_ISCHR(mode)) return "A CHARACTER DEVICE";
  if (S_ISBLK(mode)) return "A BLOCK DEVICE";
  if (S_ISSOCK(mode)) return "A SOCKET";
  if (S_ISLNK(mode)) return "A SYMBOLIC LINK";
  return "NOT A REGULAR FILE";
}

void refuse(const char *fn, const char *path, mode_t mode, const char *what, bool quiet) {
  if (!quiet) fprintf(stderr, "  ## ERROR: %s: %s IS %s, %s \n", fn, ShownName(path).c_str(), kindOf(mode), what);
  errno = S_ISDIR(mode) ? EISDIR : ENODEV;
}

void published(int err, const char *what) { lastWrite = {true, err, what}; }

void noteFailure(UserFileWrite *w, int err) {
  if (!w->Err) w->Err = err ? err : EIO;
}

void sayCommit(const UserFileWrite *w, const std::string &what) {
  if (!(w->How & UserFileQuiet))
    fprintf(stderr, "  ## ERROR: COMMITUSERFILEWRITE: %s %s \n", ShownName(w->Target).c_str(), what.c_str());
}

const char *replaced(UserFileWrite *w) {
  noteFailure(w, ESTALE);
  struct stat st;
  if (lstat(w->Target, &st) != 0 || S_ISREG(st.st_mode)) {
    sayCommit(w, "WAS REPLACED DURING THE WRITE, NOT WRITTEN");
    return Replaced;
  }
  const std::string kind = kindOf(st.st_mode);
  sayCommit(w, "WAS REPLACED DURING THE WRITE (BY " + kind + "), NOT WRITTEN");
  std::string words = kind;  // as a sentence says them
  std::transform(words.begin(), words.end(), words.begin(), [](char c) { return char(std::tolower(c)); });
  if (S_ISFIFO(st.st_mode)) words = "a FIFO";
  snprintf(composedReason, sizeof(composedReason),
           "the file was replaced during the write (by %s); nothing was written", words.c_str());
  return composedReason;
}

const char *protectedTarget(UserFileWrite *w) {
  noteFailure(w, EACCES);
  if (!holds(w->Target, w->Place.Dev, w->Place.Ino)) return replaced(w);
  sayCommit(w, "IS WRITE-PROTECTED, NOT WRITTEN");
  return WriteProtected;
}

const char *lockedOut(UserFileWrite *w) {
  noteFailure(w, EWOULDBLOCK);
  sayCommit(w, "IS LOCKED BY ANOTHER PROGRAM, NOT WRITTEN");
  snprintf(composedReason, sizeof(composedReason),
           "another program held the file's lock for more than %g s (a save of it?); nothing was written, the file is "
           "as it was",
           UserFileLockWaitMs / 1000.0);
  return composedReason;
}

}  // namespace userfile

using namespace userfile;

const char *UserFileWriteReason() {
  if (!lastWrite.Failed) return nullptr;
  if (lastWrite.What) return lastWrite.What;
  return lastWrite.Err ? std::strerror(lastWrite.Err) : "the write was not completed";
}

void ClearUserFileWriteReason() { lastWrite = {false, 0, nullptr}; }

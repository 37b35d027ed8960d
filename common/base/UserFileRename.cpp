// The rename road of a write: the temporary file named (when it had no name) and renamed over
// the target, only while its name holds the very file this write made, and the target checked
// to hold it right after; the new contents kept when another program's file took their name.
#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/base/ShownName.h"
#include "common/base/UserFileInternal.h"

namespace userfile {

namespace {

const char *const TempReplaced =
    "its temporary file was replaced by another program's during the write; nothing was renamed, the file is as it "
    "was";
const char *const NotOurs = "the file now holds a file this write did not make: another program put it there";

// After the rename: the target must hold the very file written, else someone put theirs
// there (over the temporary name just before, or over the target just after).
bool placedOurs(UserFileWrite *w, const char **what) {
  if (UserFileBetweenSteps) UserFileBetweenSteps(w->Target, "check the target");
  if (holdsOpen(w->Target, w->TempFd)) {
    w->Temp[0] = '\0';  // whatever its name holds now is not ours to remove
    return true;
  }
  *what = keepSwapped(w, NotOurs, "HOLDS A FILE THIS WRITE DID NOT MAKE: ANOTHER PROGRAM PUT IT THERE");
  return false;
}

// Whether the temporary name still holds the file this write made: someone may have renamed
// theirs over it. Else one line, *what the reason.
bool tempIsOurs(UserFileWrite *w, const char **what) {
  if (holdsOpen(w->Temp, w->TempFd)) return true;
  *what = keepSwapped(w, TempReplaced,
                      "NOT WRITTEN: ITS TEMPORARY FILE " + ShownName(w->Temp) + " WAS REPLACED BY ANOTHER PROGRAM'S");
  return false;
}

}  // namespace

bool renameOurs(UserFileWrite *w, const char **what) {
  // Named only now: until this instant nothing of the write's is in the folder.
  if (!nameTemp(w)) {
    noteFailure(w, errno);
    return false;
  }
  if (UserFileBetweenSteps) UserFileBetweenSteps(w->Target, "rename");
  if (!tempIsOurs(w, what)) return false;
  if (w->LockFd < 0) {
    if (renameTemp(w, RENAME_NOREPLACE) == 0) return placedOurs(w, what);
    if (errno == EEXIST) {
      if (!lockTarget(w, what)) return false;
      if (writeRefused(w->Target)) {
        *what = protectedTarget(w);
        return false;
      }
      if (!tempIsOurs(w, what)) return false;  // looked at again after the wait
    } else if (errno != EINVAL && errno != ENOSYS) {  // else a file system without it: renamed
      noteFailure(w, errno);
      return false;
    }
  }
  if (renameTemp(w, 0) != 0) {
    noteFailure(w, errno);
    return false;
  }
  return placedOurs(w, what);
}

}  // namespace userfile

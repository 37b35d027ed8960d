// Inputs that never end and writes that fail midway, for the tests of every reader and writer
// of a user's file.
//
// A reader handed a FIFO waits for a writer that never comes; handed /dev/zero it reads for
// ever. Such a read is run in a child process with a deadline (RunInChild), so that a reader
// that hangs fails its test instead of hanging the suite. A full disk is a file-size limit
// (FileSizeLimit): it works for any user, where a small file system would need root.
#pragma once

#include <sys/resource.h>

#include <functional>
#include <string>
#include <vector>

namespace fixtures {

// The kinds of names that are not regular files.
enum class Endless {
  Fifo,      // a named pipe nobody writes to
  ZeroLink,  // a symbolic link to /dev/zero
  Folder,    // a folder
};
extern const Endless AllEndless[3];
const char *EndlessName(Endless kind);
// Makes path a name of that kind (path must not exist); false when it cannot be made.
bool MakeEndless(const std::string &path, Endless kind);
// Removes what MakeEndless made (an empty folder, a FIFO or a link).
void RemoveEndless(const std::string &path);

// Runs body in a child process and returns its exit code (body's result, 0 to 255), or -1
// when it did not end within `seconds` (it is then killed), -2 when it was ended by a signal
// or could not be started. Standard output and error of the child go where the parent's go
// (a capture in progress in the parent sees them). *endedBy, when not null, receives the
// signal that ended the child, 0 when it exited.
int RunInChild(const std::function<int()> &body, int seconds = 120, int *endedBy = nullptr);

// While alive, no file of this process can grow past `bytes` and the signal that would end it
// is ignored: writes past the limit fail with EFBIG, as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit &) = delete;
  FileSizeLimit &operator=(const FileSizeLimit &) = delete;
  bool active() const { return active_; }

 private:
  struct rlimit old_;
  void (*oldHandler_)(int);
  bool active_;
};

// Takes from this process the capabilities that let root write any file whatever its mode
// or owner (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER), so that it meets permissions as
// any user does; a process of another user has none to give up. It cannot be undone: call it
// in a child (RunInChild). False when the capabilities could not be changed.
bool DropFileOverride();
// A test's hook into the steps of a write (UserFileBetweenSteps, zelSampleBetweenSteps, which
// call OnStep with the step that comes next): `act` runs each time the step named comes;
// `seen` counts them. Set it before setting the hook, clear the hook afterwards.
struct StepAction {
  std::string step;
  std::function<void()> act;
  int seen;
};
extern StepAction AtStep;
void OnStep(const char *, const char *next);

// Whether the file system of the folder makes files without a name (O_TMPFILE), as a write
// then does until its commit: where it does not, a process killed outright leaves its
// temporary file.
bool NamelessFilesIn(const std::string &dir);

// The uid of the unprivileged user "nobody", which owns no file of the tests.
constexpr unsigned NobodyUid = 65534;

// A new empty folder of its own inside the test output folder; removed with what it holds
// when the object goes.
struct ScratchFolder {
  explicit ScratchFolder(const std::string &name);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder &) = delete;
  ScratchFolder &operator=(const ScratchFolder &) = delete;
  std::string path(const std::string &name) const { return Path + "/" + name; }
  // The names it holds, sorted (without "." and "..").
  std::vector<std::string> names() const;
  std::string Path;
};

}  // namespace fixtures

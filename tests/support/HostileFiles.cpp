// Endless inputs, deadlines in a child process, a file-size limit and private folders.
#include "tests/support/HostileFiles.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "tests/support/MeshFixtures.h"

namespace fixtures {

const Endless AllEndless[3] = {Endless::Fifo, Endless::ZeroLink, Endless::Folder};

const char *EndlessName(Endless kind) {
  switch (kind) {
    case Endless::Fifo: return "a FIFO";
    case Endless::ZeroLink: return "a link to /dev/zero";
    case Endless::Folder: return "a folder";
  }
  return "?";
}

bool MakeEndless(const std::string &path, Endless kind) {
  switch (kind) {
    case Endless::Fifo: return mkfifo(path.c_str(), 0644) == 0;
    case Endless::ZeroLink: return symlink("/dev/zero", path.c_str()) == 0;
    case Endless::Folder: return mkdir(path.c_str(), 0755) == 0;
  }
  return false;
}

void RemoveEndless(const std::string &path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

int RunInChild(const std::function<int()> &body, int seconds, int *endedBy) {
  if (endedBy) *endedBy = 0;
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return -2;
  if (pid == 0) {
    const int r = body();
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    _exit(r & 0xff);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    int status = 0;
    const pid_t w = waitpid(pid, &status, WNOHANG);
    if (w == pid && endedBy && WIFSIGNALED(status)) *endedBy = WTERMSIG(status);
    if (w == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    if (w < 0) return -2;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    usleep(10000);
  }
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) : old_{}, oldHandler_(SIG_DFL), active_(false) {
  if (getrlimit(RLIMIT_FSIZE, &old_) != 0) return;
  struct rlimit lower = old_;
  lower.rlim_cur = std::min(bytes, old_.rlim_max);
  oldHandler_ = signal(SIGXFSZ, SIG_IGN);
  active_ = setrlimit(RLIMIT_FSIZE, &lower) == 0;
}

FileSizeLimit::~FileSizeLimit() {
  if (active_) setrlimit(RLIMIT_FSIZE, &old_);
  signal(SIGXFSZ, oldHandler_);
}

bool NamelessFilesIn(const std::string &dir) {
  const int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) close(fd);
  return fd >= 0;
}

StepAction AtStep;

void OnStep(const char *, const char *next) {
  if (AtStep.step != next) return;
  AtStep.seen++;
  if (AtStep.act) AtStep.act();
}

bool DropFileOverride() {
  __user_cap_header_struct head = {_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct caps[_LINUX_CAPABILITY_U32S_3] = {};
  if (syscall(SYS_capget, &head, caps) != 0) return false;
  for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
    const unsigned bit = 1u << (cap % 32);
    caps[cap / 32].effective &= ~bit;
    caps[cap / 32].permitted &= ~bit;
    caps[cap / 32].inheritable &= ~bit;
  }
  return syscall(SYS_capset, &head, caps) == 0;
}

ScratchFolder::ScratchFolder(const std::string &name) : Path(TestPath(name)) {
  std::error_code ec;
  std::filesystem::remove_all(Path, ec);
  std::filesystem::create_directories(Path, ec);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  std::filesystem::remove_all(Path, ec);
}

std::vector<std::string> ScratchFolder::names() const {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto &e : std::filesystem::directory_iterator(Path, ec)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace fixtures

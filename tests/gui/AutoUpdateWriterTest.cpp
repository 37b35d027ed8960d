// The solution poll against a solver that rewrites its file while the viewer polls it: every
// load is one whole version of the file and the updates never stop, however the writes and
// the reads fall. The writer truncates the file, rewrites it in place, or removes it and makes
// it anew, in pieces of several sizes; the poll runs beside it, as auto-update does.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "common/load/SolutionLoad.h"
#include "common/model/Mesh.h"
#include "tests/support/CaptureText.h"
#include "tests/support/LoadFixtures.h"
#include "zelvane/gui/ZelCommandRules.h"

using namespace fixtures;

namespace {

using Clock = std::chrono::steady_clock;

const int kVertices = 40000;
const int kVersions = 6;
// A torn load is possible for a reader only when the writer stops halfway for longer than the
// time the reload wants a file left alone (50 ms): such a pause, measured by the writer, is
// what excuses one. Half of it is counted, to leave room for clock steps.
const auto kPause = std::chrono::milliseconds(25);

enum class Rewrite { Truncating, InPlace, Replacing };

const char *rewriteName(Rewrite r) {
  return r == Rewrite::Truncating ? "truncating" : r == Rewrite::InPlace ? "in place" : "removed and made anew";
}

// Version v of the solution: every value 100 + v, so that every version has the same size in
// both encodings and a load tells which versions it holds.
std::string versionBytes(int v, bool binary) {
  const std::string name = std::string("version") + (binary ? ".solb" : ".sol");
  const std::string path = SaveFixture(
      FixtureFile{2, 3, {SolutionSec(62, "SolAtVertices", {1}, kVertices, std::vector<double>(kVertices, 100.0 + v))}},
      name, binary);
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool writeAll(int fd, const std::string &bytes, size_t piece, Clock::duration *longest) {
  auto last = Clock::now();
  for (size_t at = 0; at < bytes.size(); at += piece) {
    const size_t n = std::min(piece, bytes.size() - at);
    if (pwrite(fd, bytes.data() + at, n, static_cast<off_t>(at)) != static_cast<ssize_t>(n)) return false;
    const auto now = Clock::now();
    *longest = std::max(*longest, now - last);
    last = now;
  }
  return true;
}

struct Tally {
  int Loads = 0, NotReady = 0, Stops = 0, Torn = 0, Excused = 0, Last = -1;
};

// One writer at one piece size against the poll: the tally of what the poll saw.
Tally race(const std::string &path, const std::string &control, bool binary, Rewrite how, size_t piece,
           LoadContext &ctx, Geometric_Mesh *msh) {
  std::vector<std::string> versions;
  for (int v = 0; v <= kVersions; v++) versions.push_back(versionBytes(v, binary));
  {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << versions[0];
  }
  Tally t;
  ZelPollTrack last;
  auto load = [&](const char *f, int64_t *readTime) {
    msh->NbrSolVer = 0;
    return ReloadSolution(ctx.Fi, f, msh, readTime);
  };
  // The poll has loaded the file once before the solver starts: a file missing at the very
  // start is a wrong name, not a rewrite.
  CaptureText([&] {
    for (int k = 0; k < 100 && zelPollSolution(control.c_str(), &last, load) != ZelPoll::Loaded; k++) {
    }
  });
  EXPECT_EQ(msh->SolAtVer->Sol[kVertices], 100.0) << "version 0 was not loaded";
  std::atomic<int> writing{0}, written{0};
  std::vector<char> paused(kVersions + 1, 0);
  std::atomic<bool> failed{false};
  std::thread writer([&] {
    for (int v = 1; v <= kVersions; v++) {
      writing = v;
      Clock::duration longest{};
      if (how == Rewrite::Replacing) unlink(path.c_str());
      const int flags = O_WRONLY | O_CLOEXEC | (how == Rewrite::Truncating ? O_TRUNC : 0) |
                        (how == Rewrite::Replacing ? O_CREAT : 0);
      const int fd = open(path.c_str(), flags, 0644);
      if (fd < 0 || !writeAll(fd, versions[size_t(v)], piece, &longest)) failed = true;
      if (fd >= 0) close(fd);
      paused[size_t(v)] = longest > kPause;
      writing = 0;
      written = v;
      // The next version starts after a pause that varies from version to version, so that
      // rewrites begin at every stage of a poll: at once, while it waits for the file to be
      // left alone, just as it starts reading (the reload waits for 50 ms of quiet), later.
      const int pauses[kVersions] = {52, 0, 55, 58, 110, 50};
      std::this_thread::sleep_for(std::chrono::milliseconds(pauses[v - 1]));
    }
  });
  std::vector<int> tornLoads;  // the version being written at each torn load
  CaptureText([&] {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < deadline && !(written == kVersions && t.Last == kVersions)) {
      const int during = writing;
      const ZelPoll r = zelPollSolution(control.c_str(), &last, load);
      if (r == ZelPoll::NotReady) t.NotReady++;
      if (r == ZelPoll::Unreadable || r == ZelPoll::NoControl) t.Stops++;
      if (r == ZelPoll::Loaded) {
        t.Loads++;
        const double *val = msh->SolAtVer->Sol;
        const double first = val[1];
        bool whole = msh->NbrSolVer == kVertices;
        for (int k = 2; whole && k <= kVertices; k++) whole = val[k] == first;
        if (whole && first >= 100 && first <= 100 + kVersions && first == int(first)) {
          t.Last = int(first) - 100;
        } else {
          tornLoads.push_back(during ? during : int(writing));
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  writer.join();
  EXPECT_FALSE(failed) << "the writer could not write " << path;
  for (int torn : tornLoads) {
    if (torn > 0 && paused[size_t(torn)])
      t.Excused++;
    else
      t.Torn++;
  }
  return t;
}

}  // namespace

// Every load holds one version whole and the updates never stop, whichever way the solver
// rewrites the file and whatever the size of its writes; the last version is loaded in the
// end. A torn load is allowed only where the writer itself stopped halfway for longer than a
// reader can wait (counted apart, expected none).
TEST(AutoUpdate, ASolverRewritingTheFileInPiecesIsNeverReadTornAndNeverStopsTheUpdates) {
  const std::string meshPath = SaveFixture(MeshOf(3, kVertices), "writer.mesh", false);
  for (bool binary : {true, false}) {
    const std::string sol = TestPath(binary ? "writer.solb" : "writer.sol");
    const std::string control = TestPath("writer_UpdSol.zelvane");
    {
      std::ofstream(sol, std::ios::binary) << versionBytes(0, binary);
      std::ofstream(control) << sol << "\n";
    }
    LoadContext ctx;
    Geometric_Mesh *msh = ctx.Load({meshPath}, sol.c_str());
    ASSERT_TRUE(msh && msh->SolAtVer) << ctx.Err;
    for (Rewrite how : {Rewrite::Truncating, Rewrite::InPlace, Rewrite::Replacing}) {
      for (size_t piece : {size_t(7), size_t(509), size_t(65536), size_t(1) << 24}) {
        SCOPED_TRACE(std::string(binary ? "binary" : "text") + ", " + rewriteName(how) + ", pieces of " +
                     std::to_string(piece) + " bytes");
        const Tally t = race(sol, control, binary, how, piece, ctx, msh);
        printf("[ writer ] %s, %s, pieces of %zu: %d loads, %d not ready, %d stops, %d torn, %d excused\n",
               binary ? "binary" : "text", rewriteName(how), piece, t.Loads, t.NotReady, t.Stops, t.Torn, t.Excused);
        EXPECT_EQ(t.Stops, 0);
        EXPECT_EQ(t.Torn, 0);
        EXPECT_GE(t.Loads, 1);
        EXPECT_EQ(t.Last, kVersions);
      }
    }
    ctx.Free(msh);
  }
}

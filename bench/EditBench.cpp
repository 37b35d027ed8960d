// The editing tools' mesh edits on a surface of about a million triangles (708 x 708 squares,
// two triangles each, one reference) cut into a patch of 283,200 and one of 719,328 triangles by
// boundary edges along x = 200, in an 800 x 800 offscreen context with the list builders:
// - the "New Ref" fill (zel_chgreftri) of the large patch,
// - the delimited area of the large patch, then its reference change (Update Mesh),
// - Replace Reference of the whole reference,
// - Delete of the whole reference.
// Each edit runs with the builders switched off (the fill or walk and the relink alone) and on
// (end to end); the two record rebuilds are also timed alone. Medians of 5 runs, on standard
// error; the edits' own lines go to standard output: send it to a file. Also counted: C++ heap
// allocations and memory-list blocks per edit, the memory list's peak and the peak resident size.
// Run under an X display (scripts/with-display.sh).
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/ListBenchKit.h"

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelHybridHash.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ZelEdit.h"

namespace {

constexpr int Side = 708, Cut = 200, Runs = 5;

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Median time of f over the runs; before(r) prepares run r untimed.
double median(const std::function<void(int)> &before, const std::function<void(int)> &f) {
  std::vector<double> t;
  for (int r = 0; r < Runs; r++) {
    before(r);
    glFinish();
    const double t0 = now();
    f(r);
    glFinish();
    t.push_back(now() - t0);
  }
  std::sort(t.begin(), t.end());
  return t[Runs / 2];
}

// Builders on or off: with them off a rebuild does nothing and the edit times its own work.
void builders(bool on) {
  if (on)
    zelInstallListHooks();
  else
    zelHooks().update[KmfTriangles] = nullptr;
}

void report(const char *what, double off, double on, double rebuilds, long news, int blocks) {
  fprintf(stderr, "%-34s %8.1f ms alone  %8.1f ms end to end  (two rebuilds %6.1f ms)  new %ld  blocks %d\n",
          what, 1e3 * off, 1e3 * on, 1e3 * rebuilds, news, blocks);
}

}  // namespace

int main() {
  GLHarness gl(800, 800);
  gl.makeCurrent();
  zelInstallListHooks();
  Memory_List *mem = NewMemory(100000);
  Geometric_Mesh *msh = MakeStructuredMesh(mem, Side, Side, 1, GEN_TRI | GEN_EFR);
  msh->NbrEfr = 0;  // the sides' edges give way to the cut
  for (int j = 0; j < Side; j++)
    AddRecord(msh->Efr, msh->NbrEfr, {GridVertex(Side, Side, Cut, j, 0), GridVertex(Side, Side, Cut, j + 1, 0)});
  ZelScene *s = nullptr;
  {
    Quiet q;
    s = OpenHeadless(mem, nullptr, msh);
    zelSetupDisplayLists(mem, s);
    zelUpdateAllDisplayLists(1, s);
  }
  ZelEntity *ent = zelGetEntity(s->ZelMsh, KmfTriangles);
  const int large = msh->NbrTri;  // the last triangle lies right of the cut
  fprintf(stderr, "%d triangles, patches of %d and %d\n", msh->NbrTri, 2 * Cut * Side, 2 * (Side - Cut) * Side);

  // The two records an edit rebuilds, alone.
  auto rebuildTwo = [&](int a, int b) {
    return median([](int) {}, [&](int) {
      zelUpdateList(KmfTriangles, 1, s, &ent->DspLst[a]);
      zelUpdateList(KmfTriangles, 1, s, &ent->DspLst[b]);
    });
  };
  // An edit from reference 1 to 2 and back, timed one way; news and blocks of one edit.
  long news = 0;
  int blocks = 0;
  auto timed = [&](bool on, const std::function<void(int from, int to)> &edit) {
    builders(on);
    const double t = median([&](int) { edit(2, 1); }, [&](int) {
      const long n0 = gBenchNews;
      const int b0 = mem->NbrAllocated;
      edit(1, 2);
      news = gBenchNews - n0, blocks = mem->NbrAllocated - b0;
    });
    builders(true);
    return t;
  };

  auto fill = [&](int, int to) { zel_chgreftri(s, large, to); };
  zel_chgreftri(s, large, 2);  // makes the record of reference 2
  zel_chgreftri(s, large, 1);
  const int r1 = geoFindHybridHash(ent->HshRef, 1), r2 = geoFindHybridHash(ent->HshRef, 2);
  double off = timed(false, fill), on = timed(true, fill);
  report("New Ref fill, large patch", off, on, rebuildTwo(r1, r2), news, blocks);

  std::vector<int> sel;
  const double walk = median([&](int) { sel.clear(); }, [&](int) { zelDelimAreaTri(msh, mem, large, sel); });
  auto update = [&](int, int to) {
    zelEditChangeRef(s, KmfTriangles, sel.data(), int(sel.size()), to, " ZEL_CHGREFBOX: HASHTAB FULL CANNOT ADD");
  };
  off = timed(false, update), on = timed(true, update);
  fprintf(stderr, "Delimited Area walk, %zu triangles    %8.1f ms\n", sel.size(), 1e3 * walk);
  report("Delimited Area Update Mesh", off, on, rebuildTwo(r1, r2), news, blocks);

  auto replace = [&](int from, int to) {
    std::vector<int> all;
    all.reserve(msh->NbrTri);
    const int rec = geoFindHybridHash(ent->HshRef, from);
    for (int e = ent->DspLst[rec].Head; e; e = ent->Lnk[e].Nxt) all.push_back(e);
    zelEditChangeRef(s, KmfTriangles, all.data(), int(all.size()), to, " ZEL_CHGREFBOX: HASHTAB FULL CANNOT ADD");
  };
  replace(2, 1);  // everything in reference 1 again
  off = timed(false, replace), on = timed(true, replace);
  report("Replace Reference, whole mesh", off, on, rebuildTwo(r1, r2), news, blocks);

  replace(2, 1);
  std::vector<int> chain;
  for (int e = ent->DspLst[r1].Head; e; e = ent->Lnk[e].Nxt) chain.push_back(e);
  const long n0 = gBenchNews;
  const double t0 = now();
  zelDeleteTriangles(s, &ent->DspLst[r1], chain.data(), int(chain.size()));
  glFinish();
  fprintf(stderr, "Delete, whole reference            %8.1f ms end to end  new %ld\n", 1e3 * (now() - t0), gBenchNews - n0);

  fprintf(stderr, "memory list peak %.1f MB, resident peak %.1f MB\n", mem->PeakMem / 1048576.0, BenchPeakMB());
  zelFreeScene(mem, s);
  FreeMemory(mem);
  return 0;
}

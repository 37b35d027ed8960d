// Setting a mesh up for display: the surface neighbours at once, the volume neighbours here or
// on the background thread.
#include <cstdio>
#include <cstring>

#include "common/base/Clock.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/topology/TopoInternal.h"
#include "common/topology/Topology.h"

namespace {

// Below this many volume elements the pass runs on one thread: starting more costs more than
// it saves.
const int kMinParallelVolumes = 20000;

// The volume pass must wait for the thread when a volume kind has elements while the surface
// kind that would show it has none.
bool volumeNeededNow(const Geometric_Mesh *msh) {
  bool tri = msh->NbrTri > 0, qua = msh->NbrQua > 0;
  if (msh->NbrTet > 0 && !tri) return true;
  if (msh->NbrHex > 0 && !qua) return true;
  if (msh->NbrP2Tet > 0 && msh->NbrP2Tri <= 0) return true;
  if (msh->NbrP2Hex > 0 && msh->NbrP2Qua <= 0) return true;
  if ((msh->NbrPri > 0 || msh->NbrPyr > 0) && !tri && !qua) return true;
  // Without volume elements the pass only raises TopoDone.
  int64_t vol = static_cast<int64_t>(msh->NbrTet) + msh->NbrP2Tet + msh->NbrHex + msh->NbrP2Hex +
                msh->NbrPri + msh->NbrPyr;
  return vol == 0;
}

int volumeThreads(const Function_Interface *fi, const Geometric_Mesh *msh) {
  int64_t vol = static_cast<int64_t>(msh->NbrTet) + msh->NbrP2Tet + msh->NbrHex + msh->NbrP2Hex +
                msh->NbrPri + msh->NbrPyr;
  if (vol < kMinParallelVolumes || !fi->Par || !fi->Par->Pool) return 1;
  return fi->Par->Pool->NbrCpu;
}

// The set-up of both entries; deferred leaves a background pass waiting.
int setup(Function_Interface *fi, Geometric_Mesh *msh, bool deferred) {
  if (!msh) return 0;
  double t0 = GetWallClock();
  // A build still running on this mesh must not race with the new one.
  StopTopoThread(msh);
  TopoDoneStore(msh, 0);

  TopoArgs args;
  memset(&args, 0, sizeof(args));
  if (fi)
    args.Fi = *fi;
  else
    DefaultFunInterface(&args.Fi, nullptr, nullptr, "SETUPGEOMESH");
  args.Fi.ErrCod = 0;
  args.Msh = msh;
  args.NbrThr = volumeThreads(&args.Fi, msh);
  if (args.Fi.Par) SetMeshDependency(args.Fi.Par, msh);

  geoNewtopoSrf(&args);
  if (fi && args.Fi.ErrCod) fi->ErrCod = args.Fi.ErrCod;

  if (volumeNeededNow(msh) || !StartTopoThread(msh, args, geoNewtopo, deferred)) {
    geoNewtopo(&args);
    if (fi && args.Fi.ErrCod) fi->ErrCod = args.Fi.ErrCod;
  }
  printf("  Cpu Time to build the topology  %lg (s)\n", GetWallClock() - t0);
  return 1;
}

}  // namespace

int SetupGeoMesh(Function_Interface *fi, Geometric_Mesh *msh) { return setup(fi, msh, false); }
int SetupGeoMeshDeferred(Function_Interface *fi, Geometric_Mesh *msh) { return setup(fi, msh, true); }

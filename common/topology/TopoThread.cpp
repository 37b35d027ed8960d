// The background thread of the volume neighbours: started with the pass it runs, stopped at
// any moment and always joined. It calls no topology pass itself, so that freeing a mesh can
// stop it without depending on the passes.
#include <pthread.h>

#include <cstring>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/topology/TopoInternal.h"
#include "common/topology/Topology.h"

namespace {

// The mesh keeps a pointer to the thread handle, the first member of this record.
struct TopoThreadRecord {
  pthread_t Thr;
  TopoArgs Args;
  void *(*Body)(void *);
  bool Started;  // false while the pass waits for StartDeferredTopology
};

}  // namespace

bool StartTopoThread(Geometric_Mesh *msh, const TopoArgs &args, void *(*body)(void *), bool deferred) {
  auto *rec = static_cast<TopoThreadRecord *>(MEM_ALLOC(args.Fi.Mem, rec, sizeof(TopoThreadRecord)));
  if (!rec) return false;
  memset(rec, 0, sizeof(*rec));
  rec->Args = args;
  rec->Body = body;
  msh->TopoThread = &rec->Thr;
  if (deferred) return true;
  rec->Started = true;
  if (pthread_create(&rec->Thr, nullptr, body, &rec->Args) == 0) return true;
  msh->TopoThread = nullptr;
  MEM_FREE(args.Fi.Mem, rec);
  return false;
}

int StartDeferredTopology(Geometric_Mesh *msh) {
  if (!msh || !msh->TopoThread) return 0;
  auto *rec = reinterpret_cast<TopoThreadRecord *>(msh->TopoThread);
  if (rec->Started) return 0;
  rec->Started = true;
  if (pthread_create(&rec->Thr, nullptr, rec->Body, &rec->Args) == 0) return 1;
  // No thread to be had: the pass runs here, as SetupGeoMesh would have run it.
  msh->TopoThread = nullptr;
  rec->Body(&rec->Args);
  MEM_FREE(rec->Args.Fi.Mem, rec);
  return 1;
}

int StopTopoThread(Geometric_Mesh *msh) {
  if (!msh || !msh->TopoThread) return 0;
  // The handle is the first member of its record.
  auto *rec = reinterpret_cast<TopoThreadRecord *>(msh->TopoThread);
  if (rec->Started) {
    __atomic_store_n(&rec->Args.Stop, 1, __ATOMIC_RELAXED);
    pthread_join(rec->Thr, nullptr);
  }
  msh->TopoThread = nullptr;
  MEM_FREE(rec->Args.Fi.Mem, rec);
  return 1;
}

// Loading a mesh file with three pipeline tasks: vertices, triangles and tetrahedra are read
// at the same time through three handles of the same file into disjoint arrays of the mesh.
#include <cstdint>
#include <initializer_list>
#include <cstdio>

#include "common/base/FunctionInterface.h"
#include "common/base/ShownName.h"
#include "common/load/LoadInternal.h"
#include "common/load/MeshLoad.h"
#include "common/pool/MthParallel.h"
#include "common/pool/Pipeline.h"

namespace {

// Slots of the pipe argument record.
enum { ArgFi = 0, ArgMsh = 1, ArgName = 2, ArgVer0 = 3, ArgHdl = 4, ArgResult = 5 };

template <class T>
T *slot(PipelineArgument *a, int k) {
  return reinterpret_cast<T *>(static_cast<intptr_t>(a->Val[k]));
}

template <class T>
int64_t word(T *p) {
  return static_cast<int64_t>(reinterpret_cast<intptr_t>(p));
}

// Sections the three tasks do not read; a file with any of them goes through LoadMesh.
bool onlyPipedKinds(KmfMeshFile *hdl) {
  for (int kwd : {KmfEdges, KmfQuadrilaterals, KmfPrisms, KmfHexahedra, KmfRidges, KmfRequiredEdges,
                  KmfNormalAtVertices, KmfTrianglesP2, KmfEdgesP2, KmfQuadrilateralsQ2,
                  KmfTetrahedraP2, KmfHexahedraQ2, KmfPyramids, KmfNormals})
    if (KmfStatKwd(hdl, kwd) > 0) return false;
  return true;
}

// The three tasks, in the order of the handles: what each reads and the words of its trace.
enum PipeKind { PipeVertices = 0, PipeTriangles = 1, PipeTetrahedra = 2 };

struct PipeTask {
  const char *What, *End, *Closing;
  const char *Fun;  // the loader, as a failed launch names it
  PipelineProc Proc;
};
const PipeTask kPipeTasks[3] = {
    {"vertices", " End Loading vertex ", " closing vertex descriptor", "LOADVERTEX", LoadVertexPipe},
    {"triangles", " End Loading Trianlges ", " closing triangles descriptor", "LOADTRIANGLES", LoadTrianglesPipe},
    {"tetrahedra", " End Loading Tetrahedra ", " closing tetrahedra descriptor", "LOADTETRAHEDRA",
     LoadTetrahedraPipe}};

void pipeTask(void *arg, PipeKind kind) {
  auto *a = static_cast<PipelineArgument *>(arg);
  Function_Interface *fi = slot<Function_Interface>(a, ArgFi);
  Geometric_Mesh *msh = slot<Geometric_Mesh>(a, ArgMsh);
  KmfMeshFile *hdl = slot<KmfMeshFile>(a, ArgHdl);
  int NbrVer0 = static_cast<int>(a->Val[ArgVer0]);
  bool debug = fi->OptBits & LOAD_OPT_DEBUG;
  if (debug) {
    if (kind == PipeVertices)
      printf(" load vertices pipe InpMsh %lld Msh %p FilNam %s \n", HandleId(hdl),
             static_cast<void *>(msh), ShownName(slot<const char>(a, ArgName)).c_str());
    else
      printf(" load %s pipe InpMsh %lld Msh %p FilNam %s NbrVer0 %d \n", kPipeTasks[kind].What, HandleId(hdl),
             static_cast<void *>(msh), ShownName(slot<const char>(a, ArgName)).c_str(), NbrVer0);
  }
  int ok;
  if (kind == PipeVertices) {
    int out[2];
    ok = LoadVertex(fi, hdl, msh, out);
  } else if (kind == PipeTriangles) {
    ok = LoadTriangles(fi, hdl, NbrVer0, msh);
  } else {
    ok = LoadTetrahedra(fi, hdl, NbrVer0, msh);
  }
  a->Val[ArgResult] = ok;
  if (debug) printf("%s", kPipeTasks[kind].End);
}

}  // namespace

void LoadVertexPipe(void *arg) { pipeTask(arg, PipeVertices); }
void LoadTrianglesPipe(void *arg) { pipeTask(arg, PipeTriangles); }
void LoadTetrahedraPipe(void *arg) { pipeTask(arg, PipeTetrahedra); }

int LoadMeshPipe(Function_Interface *fi, const char *name, Geometric_Mesh *msh) {
  if (LoadArgsMissing(fi, "LOADMESH", name, msh)) return 0;
  int ver = 0, dim = 0;
  KmfMeshFile *hdl = LoadOpenMesh(fi, name, "WARNING", &ver, &dim);
  if (!hdl) return 0;
  ParallelPool *pool = fi->Par ? (fi->Par->Pool2 ? fi->Par->Pool2 : fi->Par->Pool) : nullptr;
  bool piped = pool && onlyPipedKinds(hdl);
  // LoadMesh says it on the other road.
  if (piped) SayUnreadSections("LOADMESH", hdl);
  KmfCloseMesh(hdl);
  if (!piped) return LoadMesh(fi, name, msh);
  if (msh->Dim == 0) msh->Dim = dim;
  int NbrVer0 = msh->NbrVer, NbrTri0 = msh->NbrTri, NbrTet0 = msh->NbrTet;
  KmfMeshFile *inp[3] = {nullptr, nullptr, nullptr};  // vertices, triangles, tetrahedra
  bool opened = true;
  for (auto &h : inp) {
    h = LoadOpenKmf(fi, name, KmfMesh, &ver, &dim);
    // The tasks run on pipeline threads, which may not launch on the main pool.
    KmfSetPool(h, nullptr);
    opened = opened && h;
  }
  // Each task reports through its own copy of the interface, merged after the wait.
  Function_Interface own[3] = {*fi, *fi, *fi};
  PipelineArgument arg[3];
  for (int t = 0; t < 3; t++) {
    DefaultPipeArgument(&arg[t], word(&own[t]));
    arg[t].Val[ArgMsh] = word(msh);
    arg[t].Val[ArgName] = word(name);
    arg[t].Val[ArgVer0] = NbrVer0;
    arg[t].Val[ArgHdl] = word(inp[t]);
    arg[t].Val[ArgResult] = 0;
  }
  int ok = opened ? 1 : 0;
  if (opened) {
    printf(" Lauch pipeline on lib %lld \n", static_cast<long long>(word(pool)));
    for (int t : {PipeTetrahedra, PipeVertices, PipeTriangles})
      if (!LaunchPipeline(pool, kPipeTasks[t].Proc, &arg[t], 0, nullptr)) {
        fprintf(stderr, "  ## ERROR: LAUNCHPIPELINE FOR FUNCTION %s FAILED \n", kPipeTasks[t].Fun);
        ok = 0;
      }
    WaitPipeline(pool);
    printf(" End wait Pipeline %lld\n", static_cast<long long>(word(pool)));
    printf(" InpVer,InpTri,InpTet %lld,%lld,%lld\n", HandleId(inp[0]), HandleId(inp[1]), HandleId(inp[2]));
    for (int t = 0; t < 3; t++) {
      ok = ok && arg[t].Val[ArgResult];
      if (own[t].ErrCod) fi->ErrCod = own[t].ErrCod;
      fi->Status |= own[t].Status;
    }
  }
  for (int t = 0; t < 3; t++)
    if (inp[t]) {
      printf("%s", kPipeTasks[t].Closing);
      KmfCloseMesh(inp[t]);
      printf(" End KmfCloseMesh ");
    }
  printf("\n");
  if (!ok) {
    fprintf(stderr, "  ## ERROR: LOADMESH: PIPELINED LOAD FAILED FOR FILE %s \n", ShownName(name).c_str());
    return 0;
  }
  if (fi->Verbose > 0) {
    printf("  Number Of Vertices   %15d\n", msh->NbrVer - NbrVer0);
    printf("  Number Of Triangles  %15d\n", msh->NbrTri - NbrTri0);
    printf("  Number Of tetrahedra %15d\n", msh->NbrTet - NbrTet0);
  }
  if (fi->Verbose >= 2) PrintLoadBox(msh);
  return 1;
}

// The scene record: making it, completing it on its mesh, and freeing all it owns.
#include "zelvane/scene/ZelScene.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/topology/Topology.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelMatrix.h"
#include "zelvane/scene/ZelPath.h"

ZelScene *zelNewScene(Memory_List *mem, Common_MthParallel *par, uint32_t flags, Geometric_Mesh *msh,
                      ZelMesh *zelMsh) {
  auto *scene = static_cast<ZelScene *>(MEM_ALLOC(mem, Scn, sizeof(ZelScene)));
  if (!scene) zelAllocFailure("zelNewScene", "Scn");
  std::memset(static_cast<void *>(scene), 0, sizeof(ZelScene));
  scene->opt = zelNewSceneOpt(mem);
  scene->Flags = flags;
  zelIniRenderOption(&scene->Rnd);
  for (float &c : scene->Back) c = 255.0f;
  scene->InvDmaxSca = 1.0;
  scene->ZelMsh = zelMsh;
  scene->Msh = msh;
  scene->ActFld = -1;
  scene->Pck = geoNewHybridStack(mem, ZelPickStack);
  scene->Del = geoNewHybridStack(mem, ZelDeleteStack);
  scene->Hid = geoNewGenStack(mem, ZelDeleteStack);
  scene->BakView = zelNewBakView(mem);
  scene->State = zelNewState(mem);
  scene->OwnMsh = scene->OwnZelMsh = 1;
  scene->Mem = mem;
  scene->Par = par;
  return scene;
}

namespace {

bool hasSolution(const Geometric_Mesh *msh) {
  for (const Geometric_Solution *sol : {msh->SolAtVer, msh->SolAtTet, msh->SolAtPyr, msh->SolAtPri,
                                        msh->SolAtHex, msh->SolAtTri, msh->SolAtQua})
    if (sol) return true;
  return false;
}

// Box, scale, centre, dimension and camera of a scene on its mesh.
void frameMesh(ZelScene *scene) {
  Geometric_Mesh *msh = scene->Msh;
  double box[6];
  zelBoundingBoxOnPool(scene->Par ? scene->Par->Pool : nullptr, msh, box);
  if (scene->opt && scene->opt->hasBox) std::memcpy(box, scene->opt->box, sizeof(box));
  // A mesh without a single finite vertex has an empty box: frame the origin.
  bool framed = true;
  for (int i = 0; i < 3; i++) framed = framed && std::isfinite(box[i]) && std::isfinite(box[i + 3]) && box[i] <= box[i + 3];
  if (!framed)
    for (int i = 0; i < 3; i++) box[i] = box[i + 3] = 0.0;
  // Halves of the extents and of the centre's sum: a box from -1e308 to 1e308 has an extent
  // past the largest double, its half does not (the same bits otherwise: halving is exact).
  double half = 0.0;
  for (int i = 0; i < 3; i++) half = std::fmax(half, std::fabs(0.5 * box[i + 3] - 0.5 * box[i]));
  if (2.0 * half <= 1e-16) {
    printf("####WARNING => InvDmaxSca = 0. in fct zelIniScene\n Value's forced to 1.0 (No Scaling)\n");
    scene->InvDmaxSca = 1.0;
  } else {
    scene->InvDmaxSca = 0.5 / half;
  }
  double scaled[6];
  for (int i = 0; i < 3; i++) {
    scene->Ctr[i] = 0.5 * box[i] + 0.5 * box[i + 3];
    scaled[i] = (box[i] - scene->Ctr[i]) * scene->InvDmaxSca;
    scaled[i + 3] = (box[i + 3] - scene->Ctr[i]) * scene->InvDmaxSca;
  }
  scene->Dim = msh->Dim == 2 ? 2 : 3;
  scene->View = zelNewView(scene->Mem, static_cast<int>(scene->Dim), scaled);
}

}  // namespace

int zelIniScene(Function_Interface *, uint32_t flags, ZelScene *scene) {
  if (!scene) return 0;
  if (!(flags & ZelDisplayLists)) {
    fprintf(stderr, "  ## ERROR: ZELVANE: ZEL_INISCENE: RENDERING OPTIONS NOT IMPLEMENTED \n");
    myexit("NOT IMPLEMENTED", 100);
  }
  Memory_List *mem = scene->Mem;
  // Completing a scene again replaces what the last completion made.
  zelFreeEvent(mem, scene->VieEvt);
  zelFreeEvent(mem, scene->ClpEvt);
  scene->View = zelFreeView(mem, scene->View);
  scene->VieSol = zelFreeViewSolution(mem, scene->VieSol);
  scene->VieEvt = zelNewEvent(mem);
  scene->ClpEvt = zelNewEvent(mem);
  for (float &c : scene->Back) c = 255.0f;
  std::free(scene->ColRng);
  scene->ColRng = nullptr;
  scene->Res3 = 1.0;
  if (scene->Msh) {
    frameMesh(scene);
    if (hasSolution(scene->Msh)) scene->VieSol = zelNewViewSolution(mem, scene->opt, scene->Msh);
  } else {
    const double box[6] = {-1, -1, -1, 1, 1, 1};
    scene->Dim = 3;
    scene->View = zelNewView(mem, 3, box);
  }
  return 1;
}

void zelResetTransformPlane(ZelScene *scene, ZelPlaEntity *planes) {
  if (!scene || !planes || planes->Cur < 0 || planes->Cur >= ZelMaxPlanes) return;
  const double *p = planes->Pla[planes->Cur];
  for (int i = 0; i < 3; i++) planes->FrmNrm[i] = p[i];
  planes->FrmOff =
      -(p[0] * scene->Ctr[0] + p[1] * scene->Ctr[1] + p[2] * scene->Ctr[2] + p[3]) * scene->InvDmaxSca;
  zelIdentity(planes->FrmBase);
  zelIdentity(planes->FrmRot);
  zelIdentity(planes->FrmMat);
}

int zelFreeCoordArray(Memory_List *mem, CoordArray *first) {
  if (!first) return 0;
  for (CoordArray *c = first->Nxt; c;) {
    CoordArray *nxt = c->Nxt;
    MEM_FREE(mem, c);
    c = nxt;
  }
  MEM_FREE(mem, first);
  return 0;
}

ZelScene *zelFreeScene(Memory_List *mem, ZelScene *scene) {
  if (!scene) return nullptr;
  if (scene->OwnMsh && scene->Msh) {
    // Its topology thread may still be writing the arrays.
    StopTopoThread(scene->Msh);
    scene->Msh = FreeCommonMesh(mem, scene->Msh);
  }
  if (scene->OwnZelMsh) scene->ZelMsh = zelFreeZelMesh(mem, scene->ZelMsh);
  scene->VieSol = zelFreeViewSolution(mem, scene->VieSol);
  scene->VieEvt = zelFreeEvent(mem, scene->VieEvt);
  scene->ClpEvt = zelFreeEvent(mem, scene->ClpEvt);
  scene->View = zelFreeView(mem, scene->View);
  scene->Pck = geoFreeHybridStack(mem, scene->Pck);
  scene->Del = geoFreeHybridStack(mem, scene->Del);
  scene->Hid = geoFreeGenStack(mem, scene->Hid);
  scene->BakView = zelFreeBakView(mem, scene->BakView);
  scene->State = zelFreeState(mem, scene->State);
  scene->opt = zelFreeSceneOpt(mem, scene->opt);
  for (CoordArray *&chain : scene->CrdArr) {
    zelFreeCoordArray(mem, chain);
    chain = nullptr;
  }
  std::free(scene->ColRng);
  zelFreePaths(scene);
  MEM_FREE(mem, scene);
  return nullptr;
}

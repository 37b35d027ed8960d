// The road from mesh files, or a mesh in memory, to a scene shown in a main window.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/load/LoadNotices.h"
#include "common/load/MeshLoad.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/topology/Topology.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/scene/ZelMatrix.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelSolutionControl.h"
#include "zelvane/scene/ZelVisibility.h"

namespace {

// Title of a window whose mesh could not be made, and of the mesh a host program hands over
// (it has no file name).
const char *const EmptyTitle = "Empty";
const char *const MemoryTitle = "mesh in memory";

Function_Interface openingInterface(Memory_List *memory, Common_MthParallel *pools) {
  Function_Interface fi;
  DefaultFunInterface(&fi, memory, pools, "ZELVANE");
  fi.Verbose = 6;
  fi.OptBits = 0x100;
  return fi;
}

// The display mesh and the scene of a loaded mesh (null for none), with the scene options of
// baseName (null: the default options file only). The process ends when the scene cannot be
// allocated. A volume topology due to run in the background waits until the caller has shown
// the scene (StartDeferredTopology): it would slow the first picture down, and the surface
// needs none of it.
ZelScene *newScene(Function_Interface *fi, Memory_List *memory, Common_MthParallel *pools, Geometric_Mesh *mesh,
                   const char *baseName, const char *caller) {
  SetupGeoMeshDeferred(fi, mesh);
  zelSetAllVisibleOnPool(mesh, pools ? pools->Pool : nullptr);
  ZelMesh *display = zelNewZelMesh(fi->Mem);
  zelSetupZelMesh(fi, mesh, display);
  ZelScene *scene = zelNewScene(memory, pools, ZelDisplayLists, mesh, display);
  if (!scene) {
    fprintf(stderr, "  ## ERROR: %s: ALLOCATION FAILED FOR ARRAY %s \n", caller, "scn");
    myexit("ALLOCATION FAILURE", 100);
  }
  zelReadZelSceneOptions(baseName, scene->opt);
  zelIniScene(fi, ZelDisplayLists, scene);
  return scene;
}

}  // namespace

Geometric_Mesh *zelReadMeshFiles(Memory_List *memory, Common_MthParallel *pools, int count, char **names,
                                  char *solution, int *status, std::string *notices, MeshRefusal *refused) {
  Function_Interface fi = openingInterface(memory, pools);
  LoadNoticeCollector collected;
  Geometric_Mesh *mesh = geoLoadMeshAndSolution(&fi, count, names, solution, refused);
  *status = int(fi.Status);
  if (notices)
    *notices = collected.take();
  else
    collected.passOn();
  return mesh;
}

ZelScene *zelShowMeshFiles(Memory_List *memory, Common_MthParallel *pools, MainWindow *window, Geometric_Mesh *mesh,
                           int status, int count, char **names, char *solution, const std::string &notices) {
  Function_Interface fi = openingInterface(memory, pools);
  fi.Status = uint32_t(status);
  // Without a file there is no base name: only the default options file is read.
  char printName[MshNamSiz] = "", baseName[MshNamSiz] = "";
  const bool named = count > 0 && names && names[0];
  if (named) {
    getPrintName(0, fi.Status, names[0], printName, sizeof(printName));
    getBaseName(names[0], baseName, sizeof(baseName));
  }
  ZelScene *scene = newScene(&fi, memory, pools, mesh, named ? baseName : nullptr, "zelOpen");
  scene->OwnMsh = 1;
  scene->OwnZelMsh = 1;
  zelUpdateZelMeshCrd(scene);
  if (window) {
    // The names as given, byte for byte: a name that is no text in the locale is read again.
    QList<QByteArray> files;
    for (int i = 0; names && i < count; i++)
      if (names[i]) files << QByteArray(names[i]);
    window->setSource(files, solution ? QByteArray(solution) : QByteArray());
  }
  if (window)
    window->myShow(scene, mesh && named ? QString::fromLocal8Bit(printName) : QString(EmptyTitle),
                   mesh && named ? printName : nullptr);
  // What the user must know of the files just read (a solution for fewer vertices than the
  // mesh has, a solution refused), in the window's terminal.
  zelShowLoadNotices(window ? window->centralWindow() : nullptr, notices);
  StartDeferredTopology(mesh);
  return scene;
}

ZelScene *zelOpen(Memory_List *memory, Common_MthParallel *pools, MainWindow *window, int count, char **names,
                  char *solution, int *loadStatus) {
  int status = 0;
  std::string notices;
  Geometric_Mesh *mesh = zelReadMeshFiles(memory, pools, count, names, solution, &status, &notices);
  if (loadStatus) *loadStatus = mesh ? status : status | STATUS_FILE_UNREADABLE | STATUS_MESH_UNREADABLE;
  return zelShowMeshFiles(memory, pools, window, mesh, status, count, names, solution, notices);
}

ZelScene *openMesh(Memory_List *memory, Common_MthParallel *pools, MainWindow *window, Geometric_Mesh *mesh,
                   double *translation, double *angles, double *plane, int capping, int flag2048, int flag32,
                   int invertBackground) {
  Function_Interface fi = openingInterface(memory, pools);
  ZelScene *scene = newScene(&fi, memory, pools, mesh, nullptr, "openMesh");
  ZelView *view = scene->View;
  if (view && translation) std::memcpy(view->Trn, translation, sizeof(view->Trn));
  if (view && angles) {
    const double axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    zelIniMat(view->Mat, angles, axes);
  }
  if (view) std::memcpy(view->IniMat, view->Mat, sizeof(view->IniMat));

  ZelPlaEntity *pla = scene->ZelMsh ? scene->ZelMsh->Pla : nullptr;
  if (plane && pla) {
    const double norm2 = plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2];
    // A zero normal defines no plane; the point on it would be a division by zero.
    if (!(norm2 > 0) || !std::isfinite(norm2)) {
      printf("  ## WARNING: OPENMESH: CLIP PLANE WITH A ZERO NORMAL IGNORED \n");
    } else {
      switch_clip_plane(scene, nullptr, nullptr, 0);
      const double p[3] = {plane[0] * plane[3] / norm2, plane[1] * plane[3] / norm2, plane[2] * plane[3] / norm2};
      zelTranslate(pla->FrmMat, p);
      for (int c = 0; c < 4; c++) pla->Pla[pla->Cur][c] = plane[c];
      zelSetPlaneClip(&fi, scene, pla->Cur);
      if (capping == 1) switch_capping(scene, nullptr, nullptr);
    }
  }
  if (flag2048 == 1) scene->Flags = PermBit(scene->Flags, 0x800);
  if (flag32 == 1) scene->Flags = PermBit(scene->Flags, 0x20);
  if (invertBackground == 1) {
    for (int c = 0; c < 3; c++) scene->Back[c] = 255.0f - scene->Back[c];
    zelUpdateAllDisplayLists(2, scene);
  }
  scene->OwnMsh = 1;
  scene->OwnZelMsh = 1;
  zelUpdateZelMeshCrd(scene);
  if (window) window->myShow(scene, mesh ? QString(MemoryTitle) : QString(EmptyTitle));
  StartDeferredTopology(mesh);
  return scene;
}

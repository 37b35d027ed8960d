// Entries of the display mesh that nothing in the viewer calls: scaling the mesh itself,
// linking vertex pairs, drawing the raw triangles, and argument checks of older entries.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelMesh.h"

int zelScaleMesh(Geometric_Mesh *msh) {
  if (!msh) return 0;
  double *box = msh->Box;
  double dmax = std::max({std::fabs(box[3] - box[0]), box[4] - box[1], box[5] - box[2]});
  printf(" Box %lg %lg %lg %lg %lg %lg Dmax %lg \n", box[0], box[1], box[2], box[3], box[4], box[5], dmax);
  if (!(dmax > 0)) dmax = 1.0;
  double ctr[3];
  for (int i = 0; i < 3; i++) ctr[i] = 0.5 * (box[i] + box[i + 3]);
  for (int v = 1; v <= msh->NbrVer; v++)
    for (int i = 0; i < 3; i++) msh->Ver[v].Crd[i] = (msh->Ver[v].Crd[i] - ctr[i]) / dmax;
  for (int i = 0; i < 6; i++) box[i] = (box[i] - ctr[i % 3]) / dmax;
  printf(" Box %lg %lg %lg %lg %lg %lg \n", box[0], box[1], box[2], box[3], box[4], box[5]);
  return 1;
}

int zelCreateLnkVer(Function_Interface *fi, ZelMesh *zelMsh, Geometric_Mesh *msh) {
  if (!fi || !zelMsh || !msh || !msh->Ver) return 0;
  if (!zelMsh->LnkVer) {
    zelMsh->LnkVer = static_cast<int *>(MEM_ALLOC(
        fi->Mem, zelMsh->LnkVer, sizeof(int) * (static_cast<size_t>(std::max(0, msh->MaxNbrVer)) + 1)));
    if (!zelMsh->LnkVer) zelAllocFailure("zelCreateLnkVer", "zelMsh->LnkVer");
  }
  for (int v = 0; v <= msh->NbrVer; v++) zelMsh->LnkVer[v] = v;
  int stamp = ++msh->Mrk;
  auto linkable = [&](int v) {
    return v >= 1 && v <= msh->NbrVer && (msh->Ver[v].Tag & 3u) == 1u && msh->Ver[v].Mrk != stamp;
  };
  for (int t = 1; t <= msh->NbrTri; t++) {
    const int *ver = msh->Tri[t].Ver;
    for (int i = 0; i < 3; i++) {
      int a = ver[i], b = ver[(i + 1) % 3];
      if (!linkable(a) || !linkable(b)) continue;
      zelMsh->LnkVer[a] = b;
      zelMsh->LnkVer[b] = a;
      msh->Ver[a].Mrk = msh->Ver[b].Mrk = stamp;
      break;
    }
  }
  return 1;
}

void zelDisplayMesh(const float colour[3], const Geometric_Mesh *msh) {
  if (!msh || !msh->Tri) return;
  glColor3fv(colour);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glBegin(GL_TRIANGLES);
  for (int t = 1; t <= msh->NbrTri; t++) {
    const int *ver = msh->Tri[t].Ver;
    if (!std::all_of(ver, ver + 3, [&](int v) { return v >= 1 && v <= msh->NbrVer; })) continue;
    for (int j = 0; j < 3; j++) glVertex3dv(msh->Ver[ver[j]].Crd);
  }
  glEnd();
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

int visHashRef() { return 1; }

namespace {

int checkArguments(const char *name, Function_Interface *fi, Geometric_Mesh *msh) {
  if (fi && msh) return 1;
  fprintf(stderr, "  ## ERROR: %s: PARAMETERS NOT ALLOCATED %p,%p \n", name, static_cast<void *>(fi),
          static_cast<void *>(msh));
  if (fi) fi->ErrCod = ERR_BAD_HANDLE;
  return 0;
}

}  // namespace

int zelHashMesh(Function_Interface *fi, Geometric_Mesh *msh) {
  return checkArguments("ZELHASHMESH", fi, msh);
}
int zelHash(Function_Interface *fi, Geometric_Mesh *msh) { return checkArguments("ZELHASH", fi, msh); }

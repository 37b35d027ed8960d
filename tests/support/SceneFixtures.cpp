#include "tests/support/SceneFixtures.h"

#include <cstring>

#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelVisibility.h"

Geometric_Mesh *NewRoomyMesh(Memory_List *mem, int dim, std::initializer_list<std::pair<int, int>> room,
                             const std::vector<int> &fieldTypes) {
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  for (const auto &r : room) siz[r.first == KmfNormalAtVertices ? KmfNormals : r.first] = r.second;
  siz[KmfFileType] = FILE_TYPE_KMF;
  if (!fieldTypes.empty()) {
    int tot = 0;
    for (size_t k = 0; k < fieldTypes.size(); k++) {
      int t = fieldTypes[k];
      tot += t == SOL_SCALAR   ? 1
             : t == SOL_VECTOR ? dim
             : t == SOL_SYMMAT ? (dim == 3 ? 6 : 3)
                               : (dim == 3 ? 9 : 4);
      siz[KmfSolTypes + k] = t;
    }
    siz[KmfSolAtVertices] = siz[KmfVertices];
    siz[KmfSolSizTot] = tot;
    siz[KmfSolNbrFld] = static_cast<int>(fieldTypes.size());
  }
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  if (msh) msh->Dim = dim;
  return msh;
}

namespace {

int *countOf(Geometric_Mesh *msh, int kind) {
  switch (kind) {
    case KmfEdges: return &msh->NbrEfr;
    case KmfEdgesP2: return &msh->NbrP2Efr;
    case KmfTriangles: return &msh->NbrTri;
    case KmfTrianglesP2: return &msh->NbrP2Tri;
    case KmfQuadrilaterals: return &msh->NbrQua;
    case KmfQuadrilateralsQ2: return &msh->NbrP2Qua;
    case KmfTetrahedra: return &msh->NbrTet;
    case KmfTetrahedraP2: return &msh->NbrP2Tet;
    case KmfPyramids: return &msh->NbrPyr;
    case KmfPrisms: return &msh->NbrPri;
    case KmfHexahedra: return &msh->NbrHex;
    case KmfHexahedraQ2: return &msh->NbrP2Hex;
  }
  return nullptr;
}

}  // namespace

int AddElement(Geometric_Mesh *msh, int kind, std::initializer_list<int> nodes, int ref) {
  int *count = countOf(msh, kind);
  int i = ++*count;
  ZelElems el = zelElems(msh, kind);
  std::memset(el.Base + el.Stride * i, 0, el.Stride);
  int *ver = const_cast<int *>(el.ver(i));
  int k = 0;
  for (int v : nodes) ver[k++] = v;
  *el.tag(i) = TAG_ALIVE;
  *reinterpret_cast<int *>(el.Base + el.Stride * i + el.RefOff) = ref;
  return i;
}

Geometric_Mesh *TriangleGrid(Memory_List *mem, int nx, int ny, const std::vector<int> &fieldTypes,
                             int edgeRoom) {
  Geometric_Mesh *m = NewRoomyMesh(
      mem, 2, {{KmfVertices, (nx + 1) * (ny + 1)}, {KmfTriangles, 2 * nx * ny}, {KmfEdges, edgeRoom}},
      fieldTypes);
  for (int j = 0; j <= ny; j++)
    for (int i = 0; i <= nx; i++) AddVertex(m, i, j, 0);
  auto at = [&](int i, int j) { return 1 + i + (nx + 1) * j; };
  for (int j = 0; j < ny; j++)
    for (int i = 0; i < nx; i++) {
      AddElement(m, KmfTriangles, {at(i, j), at(i + 1, j), at(i + 1, j + 1)}, 1);
      AddElement(m, KmfTriangles, {at(i, j), at(i + 1, j + 1), at(i, j + 1)}, 1);
    }
  return m;
}

double &VertexValue(Geometric_Mesh *msh, int v, int field, int c) {
  Geometric_Solution *sol = msh->SolAtVer;
  int off = 0;
  for (int f = 0; f < field; f++) {
    int t = sol->SizFld[f];
    off += t == SOL_SCALAR   ? 1
           : t == SOL_VECTOR ? msh->Dim
           : t == SOL_SYMMAT ? (msh->Dim == 3 ? 6 : 3)
                             : (msh->Dim == 3 ? 9 : 4);
  }
  return sol->Sol[static_cast<size_t>(v) * sol->SizTot + off + c];
}

ZelScene *OpenHeadless(Memory_List *mem, Common_MthParallel *par, Geometric_Mesh *msh,
                       const ZelSceneOptions *opt) {
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, par, "ZELVANE");
  SetupGeoMesh(&fi, msh);
  zelSetAllVisible(msh);
  ZelMesh *zelMsh = zelNewZelMesh(mem);
  zelSetupZelMesh(&fi, msh, zelMsh);
  ZelScene *scene = zelNewScene(mem, par, ZelDisplayLists, msh, zelMsh);
  if (opt) *scene->opt = *opt;
  zelIniScene(&fi, ZelDisplayLists, scene);
  scene->OwnMsh = scene->OwnZelMsh = 1;
  zelUpdateZelMeshCrd(scene);
  return scene;
}

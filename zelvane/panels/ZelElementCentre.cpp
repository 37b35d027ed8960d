// Single-precision mean of an element's nodes.
#include "zelvane/panels/ZelElementCentre.h"

#include "common/model/ElementKind.h"
#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelElems.h"

namespace {

const int CentreKinds[] = {KmfVertices,   KmfEdges,          KmfTriangles,   KmfQuadrilaterals,   KmfTetrahedra,
                           KmfPrisms,     KmfHexahedra,      KmfPyramids,    KmfTrianglesP2,      KmfEdgesP2,
                           KmfQuadrilateralsQ2, KmfTetrahedraP2, KmfHexahedraQ2};

}  // namespace

bool zelHasElementCentre(int kind) {
  for (int k : CentreKinds)
    if (k == kind) return true;
  return false;
}

bool zelElementCentre(const Geometric_Mesh *msh, int number, int kind, double centre[3]) {
  if (!msh || !zelHasElementCentre(kind) || !geoCheckBound(msh, number, kind)) return false;
  const int self = number;
  const int *nodes = &self;
  int count = 1;
  if (kind != KmfVertices) {
    // The records are only read.
    const ZelElems elems = zelElems(const_cast<Geometric_Mesh *>(msh), kind);
    if (!elems.exists()) return false;
    nodes = elems.ver(number);
    count = elems.NbrNod;
  }
  float sum[3] = {0.0f, 0.0f, 0.0f};
  for (int i = 0; i < count; i++) {
    const int v = nodes[i];
    if (v < 1 || v > msh->NbrVer) return false;
    for (int d = 0; d < 3; d++) sum[d] += static_cast<float>(msh->Ver[v].Crd[d]);
  }
  for (int d = 0; d < 3; d++) centre[d] = static_cast<double>(sum[d] / static_cast<float>(count));
  return true;
}

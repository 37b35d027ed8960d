#include "zelvane/scene/ZelElems.h"

#include "common/model/Mesh.h"

namespace {

template <class Rec>
ZelElems elements(Rec *arr, int count, int nbrCor) {
  constexpr int nbrNod = sizeof(Rec::Ver) / sizeof(int);
  ZelElems e;
  if (!arr) return e;
  e.Base = reinterpret_cast<char *>(arr);
  e.Stride = sizeof(Rec);
  e.Count = count;
  e.NbrCor = nbrCor;
  e.NbrNod = nbrNod;
  e.TagOff = offsetof(Rec, Tag);
  e.RefOff = offsetof(Rec, Ref);
  e.VerOff = offsetof(Rec, Ver);
  return e;
}

}  // namespace

ZelElems zelElems(Geometric_Mesh *msh, int kind) {
  ZelElems e;
  if (!msh) return e;
  switch (kind) {
    case KmfVertices:
      if (!msh->Ver) return e;
      e.Base = reinterpret_cast<char *>(msh->Ver);
      e.Stride = sizeof(Vertex);
      e.Count = msh->NbrVer;
      e.TagOff = offsetof(Vertex, Tag);
      e.RefOff = offsetof(Vertex, Ref);
      return e;
    case KmfNormalAtVertices:
      if (!msh->Nor) return e;
      e.Base = reinterpret_cast<char *>(msh->Nor);
      e.Stride = sizeof(Normal);
      e.Count = msh->NbrNor;
      e.RefOff = offsetof(Normal, Ref);
      return e;
    case KmfEdges: return elements(msh->Efr, msh->NbrEfr, 2);
    case KmfEdgesP2: return elements(msh->P2Efr, msh->NbrP2Efr, 2);
    case KmfTriangles: return elements(msh->Tri, msh->NbrTri, 3);
    case KmfTrianglesP2: return elements(msh->P2Tri, msh->NbrP2Tri, 3);
    case KmfQuadrilaterals: return elements(msh->Qua, msh->NbrQua, 4);
    case KmfQuadrilateralsQ2: return elements(msh->P2Qua, msh->NbrP2Qua, 4);
    case KmfTetrahedra: return elements(msh->Tet, msh->NbrTet, 4);
    case KmfTetrahedraP2: return elements(msh->P2Tet, msh->NbrP2Tet, 4);
    case KmfPyramids: return elements(msh->Pyr, msh->NbrPyr, 5);
    case KmfPrisms: return elements(msh->Pri, msh->NbrPri, 6);
    case KmfHexahedra: return elements(msh->Hex, msh->NbrHex, 8);
    case KmfHexahedraQ2: return elements(msh->P2Hex, msh->NbrP2Hex, 8);
  }
  return e;
}

const int ZelVisibilityKinds[12] = {KmfEdges,       KmfTriangles,        KmfQuadrilaterals, KmfTetrahedra,
                                    KmfPyramids,    KmfPrisms,           KmfHexahedra,      KmfEdgesP2,
                                    KmfTrianglesP2, KmfQuadrilateralsQ2, KmfTetrahedraP2,   KmfHexahedraQ2};

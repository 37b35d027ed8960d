// Tag word and reference of an item of any kind, one row per kind.
#include "zelvane/scene/ZelItems.h"

#include <cstddef>

#include "common/model/Mesh.h"

namespace {

// Where the records of a kind live: the array and its count, the record size and the offsets
// of the tag word and the reference inside a record (-1 where the record has none).
struct ItemRow {
  int Kind;
  char *(*Arr)(const Geometric_Mesh *msh);
  int (*Nbr)(const Geometric_Mesh *msh);
  int Size, TagOff, RefOff;
};

#define ZEL_ITEM(kind, arr, nbr, T, tag)                                               \
  {kind, [](const Geometric_Mesh *m) { return reinterpret_cast<char *>(m->arr); },        \
   [](const Geometric_Mesh *m) { return m->nbr; }, static_cast<int>(sizeof(T)), tag,       \
   static_cast<int>(offsetof(T, Ref))}
#define ZEL_TAG(T) static_cast<int>(offsetof(T, Tag))

const ItemRow kItems[] = {
    ZEL_ITEM(KmfVertices, Ver, NbrVer, Vertex, ZEL_TAG(Vertex)),
    ZEL_ITEM(KmfEdges, Efr, NbrEfr, BdyEdge, ZEL_TAG(BdyEdge)),
    ZEL_ITEM(KmfEdgesP2, P2Efr, NbrP2Efr, P2BdyEdge, ZEL_TAG(P2BdyEdge)),
    ZEL_ITEM(KmfTriangles, Tri, NbrTri, Triangle, ZEL_TAG(Triangle)),
    ZEL_ITEM(KmfTrianglesP2, P2Tri, NbrP2Tri, P2Triangle, ZEL_TAG(P2Triangle)),
    ZEL_ITEM(KmfQuadrilaterals, Qua, NbrQua, Quadrilateral, ZEL_TAG(Quadrilateral)),
    ZEL_ITEM(KmfQuadrilateralsQ2, P2Qua, NbrP2Qua, P2Quadrilateral, ZEL_TAG(P2Quadrilateral)),
    ZEL_ITEM(KmfTetrahedra, Tet, NbrTet, Tetrahedron, ZEL_TAG(Tetrahedron)),
    ZEL_ITEM(KmfTetrahedraP2, P2Tet, NbrP2Tet, P2Tetrahedron, ZEL_TAG(P2Tetrahedron)),
    ZEL_ITEM(KmfPyramids, Pyr, NbrPyr, Pyramid, ZEL_TAG(Pyramid)),
    ZEL_ITEM(KmfPrisms, Pri, NbrPri, Prism, ZEL_TAG(Prism)),
    ZEL_ITEM(KmfHexahedra, Hex, NbrHex, Hexahedron, ZEL_TAG(Hexahedron)),
    ZEL_ITEM(KmfHexahedraQ2, P2Hex, NbrP2Hex, P2Hexahedron, ZEL_TAG(P2Hexahedron)),
    ZEL_ITEM(KmfNormalAtVertices, Nor, NbrNor, Normal, -1),
};

#undef ZEL_TAG
#undef ZEL_ITEM

// The record of item i, or null.
char *record(const Geometric_Mesh *msh, int kind, int i, const ItemRow **row) {
  if (!msh) return nullptr;
  for (const ItemRow &r : kItems) {
    if (r.Kind != kind) continue;
    char *arr = r.Arr(msh);
    if (!arr || i < 1 || i > r.Nbr(msh)) return nullptr;
    *row = &r;
    return arr + static_cast<size_t>(i) * r.Size;
  }
  return nullptr;
}

}  // namespace

uint32_t *zelItemTag(Geometric_Mesh *msh, int kind, int i) {
  const ItemRow *row = nullptr;
  char *rec = record(msh, kind, i, &row);
  return rec && row->TagOff >= 0 ? reinterpret_cast<uint32_t *>(rec + row->TagOff) : nullptr;
}

int zelItemRef(const Geometric_Mesh *msh, int kind, int i, int *ref) {
  const ItemRow *row = nullptr;
  char *rec = record(msh, kind, i, &row);
  if (!rec || !ref) return 0;
  *ref = *reinterpret_cast<const int *>(rec + row->RefOff);
  return 1;
}

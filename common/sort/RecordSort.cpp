// The record sorts: one instantiation of the shared quicksort per record type and variant,
// with the key read written out for the record type.
#include "common/sort/RecordSort.h"

#include "common/sort/QuickSort.h"

using zelsort::KeyArrays;
using zelsort::KeyIdxArrays;
using zelsort::QuickSort;
using zelsort::RankArrays;

namespace {

// A vertex is ordered by its global id, as an unsigned number.
struct VertexKey {
  static uint32_t Of(const Vertex &v) { return v.Gid; }
};

// Elements and boundary edges are ordered by their first node, as a signed number.
struct FirstNodeKey {
  template <class Rec>
  static int Of(const Rec &r) {
    return r.Ver[0];
  }
};

}  // namespace

void VertexQsort(Vertex *ver, int n) { QuickSort(KeyArrays<Vertex, VertexKey>{ver}, n); }
void VertexQsortIdx(Vertex *ver, int *idx, int n) {
  QuickSort(KeyIdxArrays<Vertex, VertexKey>{ver, idx}, n);
}
void VertexQsortRank(uint64_t *rnk, Vertex *ver, int *idx, int n) {
  QuickSort(RankArrays<Vertex>{rnk, ver, idx}, n);
}

void TriangleQsort(Triangle *tri, int n) { QuickSort(KeyArrays<Triangle, FirstNodeKey>{tri}, n); }
void TriangleQsortIdx(Triangle *tri, int *idx, int n) {
  QuickSort(KeyIdxArrays<Triangle, FirstNodeKey>{tri, idx}, n);
}
void TriangleQsortRank(uint64_t *rnk, Triangle *tri, int *idx, int n) {
  QuickSort(RankArrays<Triangle>{rnk, tri, idx}, n);
}

void P2TriangleQsort(P2Triangle *tri, int n) {
  QuickSort(KeyArrays<P2Triangle, FirstNodeKey>{tri}, n);
}
void P2TriangleQsortIdx(P2Triangle *tri, int *idx, int n) {
  QuickSort(KeyIdxArrays<P2Triangle, FirstNodeKey>{tri, idx}, n);
}
void P2TriangleQsortRank(uint64_t *rnk, P2Triangle *tri, int *idx, int n) {
  QuickSort(RankArrays<P2Triangle>{rnk, tri, idx}, n);
}

void QuadrilateralQsort(Quadrilateral *qua, int n) {
  QuickSort(KeyArrays<Quadrilateral, FirstNodeKey>{qua}, n);
}
void QuadrilateralQsortIdx(Quadrilateral *qua, int *idx, int n) {
  QuickSort(KeyIdxArrays<Quadrilateral, FirstNodeKey>{qua, idx}, n);
}
void QuadrilateralQsortRank(uint64_t *rnk, Quadrilateral *qua, int *idx, int n) {
  QuickSort(RankArrays<Quadrilateral>{rnk, qua, idx}, n);
}

void P2QuadrilateralQsort(P2Quadrilateral *qua, int n) {
  QuickSort(KeyArrays<P2Quadrilateral, FirstNodeKey>{qua}, n);
}
void P2QuadrilateralQsortIdx(P2Quadrilateral *qua, int *idx, int n) {
  QuickSort(KeyIdxArrays<P2Quadrilateral, FirstNodeKey>{qua, idx}, n);
}
void P2QuadrilateralQsortRank(uint64_t *rnk, P2Quadrilateral *qua, int *idx, int n) {
  QuickSort(RankArrays<P2Quadrilateral>{rnk, qua, idx}, n);
}

void TetrahedronQsort(Tetrahedron *tet, int n) {
  QuickSort(KeyArrays<Tetrahedron, FirstNodeKey>{tet}, n);
}
void TetrahedronQsortIdx(Tetrahedron *tet, int *idx, int n) {
  QuickSort(KeyIdxArrays<Tetrahedron, FirstNodeKey>{tet, idx}, n);
}
void TetrahedronQsortRank(uint64_t *rnk, Tetrahedron *tet, int *idx, int n) {
  QuickSort(RankArrays<Tetrahedron>{rnk, tet, idx}, n);
}

void P2TetrahedronQsort(P2Tetrahedron *tet, int n) {
  QuickSort(KeyArrays<P2Tetrahedron, FirstNodeKey>{tet}, n);
}
void P2TetrahedronQsortIdx(P2Tetrahedron *tet, int *idx, int n) {
  QuickSort(KeyIdxArrays<P2Tetrahedron, FirstNodeKey>{tet, idx}, n);
}
void P2TetrahedronQsortRank(uint64_t *rnk, P2Tetrahedron *tet, int *idx, int n) {
  QuickSort(RankArrays<P2Tetrahedron>{rnk, tet, idx}, n);
}

void BdyEdgeQsort(BdyEdge *efr, int n) { QuickSort(KeyArrays<BdyEdge, FirstNodeKey>{efr}, n); }
void BdyEdgeQsortIdx(BdyEdge *efr, int *idx, int n) {
  QuickSort(KeyIdxArrays<BdyEdge, FirstNodeKey>{efr, idx}, n);
}
void BdyEdgeQsortRank(uint64_t *rnk, BdyEdge *efr, int *idx, int n) {
  QuickSort(RankArrays<BdyEdge>{rnk, efr, idx}, n);
}

void P2BdyEdgeQsort(P2BdyEdge *efr, int n) {
  QuickSort(KeyArrays<P2BdyEdge, FirstNodeKey>{efr}, n);
}
void P2BdyEdgeQsortIdx(P2BdyEdge *efr, int *idx, int n) {
  QuickSort(KeyIdxArrays<P2BdyEdge, FirstNodeKey>{efr, idx}, n);
}
void P2BdyEdgeQsortRank(uint64_t *rnk, P2BdyEdge *efr, int *idx, int n) {
  QuickSort(RankArrays<P2BdyEdge>{rnk, efr, idx}, n);
}

// In-place sorts of the mesh's record arrays.
//
// Three sorts per record type:
// - <Type>Qsort(records, n) orders the records by their key, ascending;
// - <Type>QsortIdx(records, idx, n) does the same and moves idx in step with the records;
// - <Type>QsortRank(ranks, records, idx, n) orders the unsigned 64-bit ranks and moves the
//   records and idx in step with them; the records' contents play no part in the order.
// The key of a Vertex is its Gid, compared unsigned; the key of every element and boundary
// edge is its first node, compared signed.
//
// Every array is read at positions 0..n-1 from the given address (pass &msh->Tet[1] to sort
// a mesh's 1-based array); nothing else is touched, nothing is allocated, and a count of one
// or less leaves the arrays as they are. After an index or rank sort, idx[k] holds the value
// that stood beside the record now at position k. Records with equal keys keep their order
// only when n < 7. Calls on disjoint arrays may run concurrently.
#pragma once

#include <cstdint>

#include "common/model/Mesh.h"

void VertexQsort(Vertex *ver, int n);
void VertexQsortIdx(Vertex *ver, int *idx, int n);
void VertexQsortRank(uint64_t *rnk, Vertex *ver, int *idx, int n);

void TriangleQsort(Triangle *tri, int n);
void TriangleQsortIdx(Triangle *tri, int *idx, int n);
void TriangleQsortRank(uint64_t *rnk, Triangle *tri, int *idx, int n);

void P2TriangleQsort(P2Triangle *tri, int n);
void P2TriangleQsortIdx(P2Triangle *tri, int *idx, int n);
void P2TriangleQsortRank(uint64_t *rnk, P2Triangle *tri, int *idx, int n);

void QuadrilateralQsort(Quadrilateral *qua, int n);
void QuadrilateralQsortIdx(Quadrilateral *qua, int *idx, int n);
void QuadrilateralQsortRank(uint64_t *rnk, Quadrilateral *qua, int *idx, int n);

void P2QuadrilateralQsort(P2Quadrilateral *qua, int n);
void P2QuadrilateralQsortIdx(P2Quadrilateral *qua, int *idx, int n);
void P2QuadrilateralQsortRank(uint64_t *rnk, P2Quadrilateral *qua, int *idx, int n);

void TetrahedronQsort(Tetrahedron *tet, int n);
void TetrahedronQsortIdx(Tetrahedron *tet, int *idx, int n);
void TetrahedronQsortRank(uint64_t *rnk, Tetrahedron *tet, int *idx, int n);

void P2TetrahedronQsort(P2Tetrahedron *tet, int n);
void P2TetrahedronQsortIdx(P2Tetrahedron *tet, int *idx, int n);
void P2TetrahedronQsortRank(uint64_t *rnk, P2Tetrahedron *tet, int *idx, int n);

void BdyEdgeQsort(BdyEdge *efr, int n);
void BdyEdgeQsortIdx(BdyEdge *efr, int *idx, int n);
void BdyEdgeQsortRank(uint64_t *rnk, BdyEdge *efr, int *idx, int n);

void P2BdyEdgeQsort(P2BdyEdge *efr, int n);
void P2BdyEdgeQsortIdx(P2BdyEdge *efr, int *idx, int n);
void P2BdyEdgeQsortRank(uint64_t *rnk, P2BdyEdge *efr, int *idx, int n);

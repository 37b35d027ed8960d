// Internal to display-list management and the saved states: the element kinds as rows, the one
// walker over the records of a list of kinds, and the direct draw of one record that the main
// lists call inside their compilation.
#pragma once

#include <cstddef>

#include "common/model/ElementKind.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelMesh.h"

namespace zeldl {

// Kinds with a builder, by family.
inline constexpr int EdgeKinds[] = {KmfEdges, KmfEdgesP2};
inline constexpr int FaceKinds[] = {KmfTriangles, KmfTrianglesP2, KmfQuadrilaterals,
                                    KmfQuadrilateralsQ2};
inline constexpr int VolumeKinds[] = {KmfTetrahedra, KmfTetrahedraP2, KmfHexahedra,
                                      KmfHexahedraQ2, KmfPyramids, KmfPrisms};

// 1 for the kinds whose records carry the volume flag.
inline bool isVolumeKind(int kind) {
  switch (kind) {
    case KmfTetrahedra: case KmfPrisms: case KmfHexahedra:
    case KmfTetrahedraP2: case KmfHexahedraQ2: case KmfPyramids: return true;
    default: return false;
  }
}

// 1 for the kinds of the builder table (the hook slots display-list management calls).
inline bool hasBuilder(int kind) {
  switch (kind) {
    case KmfVertices: case KmfEdges: case KmfTriangles: case KmfQuadrilaterals:
    case KmfTetrahedra: case KmfPrisms: case KmfHexahedra: case KmfNormalAtVertices:
    case KmfTrianglesP2: case KmfEdgesP2: case KmfQuadrilateralsQ2: case KmfTetrahedraP2:
    case KmfHexahedraQ2: case KmfPyramids: return true;
    default: return false;
  }
}

// Records 1..NbrLst of the entity of a kind; nothing for a kind without entity or records.
template <typename F>
void forEachRecord(const ZelMesh *zelMsh, int kind, F &&f) {
  ZelEntity *ent = zelGetEntity(zelMsh, kind);
  if (!ent || !ent->DspLst) return;
  for (int d = 1; d <= ent->NbrLst; d++) f(&ent->DspLst[d]);
}

template <typename F, size_t N>
void forEachRecord(const ZelMesh *zelMsh, const int (&kinds)[N], F &&f) {
  for (int kind : kinds) forEachRecord(zelMsh, kind, f);
}

// Records of the entity of a kind (0 without entity or records).
inline int recordCount(const ZelMesh *zelMsh, int kind) {
  ZelEntity *ent = zelGetEntity(zelMsh, kind);
  return ent && ent->DspLst ? ent->NbrLst : 0;
}

template <size_t N>
int recordCount(const ZelMesh *zelMsh, const int (&kinds)[N]) {
  int n = 0;
  for (int kind : kinds) n += recordCount(zelMsh, kind);
  return n;
}

// zelDirectDrawDisplayList without making the context current (defined with the rebuilds).
int directDrawRecord(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);

}  // namespace zeldl

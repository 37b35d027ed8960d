// The volume face walker: one row per volume kind, the face rule and the element geometry.
#include "zelvane/lists/ZelVolumeFaces.h"

#include <cstdio>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "zelvane/lists/ZelCapping.h"
#include "zelvane/lists/ZelHexSplit.h"
#include "zelvane/scene/ZelScene.h"

namespace {

constexpr uint32_t bit(int k) { return 1u << k; }

const uint32_t kTriFaces = bit(VOI_TRI) | bit(VOI_P2TRI);
const uint32_t kAnyFaces = kTriFaces | bit(VOI_QUA) | bit(VOI_P2QUA);
const uint32_t kAnyVolumes =
    bit(VOI_TET) | bit(VOI_P2TET) | bit(VOI_PYR) | bit(VOI_PRI) | bit(VOI_HEX) | bit(VOI_P2HEX);

// The bit-0 rule's solution terms: shading, iso-lines, iso-surfaces, vectors, and the metric.
const ZelMaskExtra kSolutionTerms[] = {
    {ZelWordSolution, 0x1, ZelMskShading},     {ZelWordSolution, 0x2, ZelMskIsoLines},
    {ZelWordSolution, 0x4, ZelMskIsoSurfaces}, {ZelWordSolution, 0x8, ZelMskVectors},
    {ZelWordSolution, 0x20, ZelMskMetric},
};

// P2 tetrahedra: the first four, and the capping flag.
const ZelMaskExtra kP2TetTerms[] = {
    {ZelWordSolution, 0x1, ZelMskShading},     {ZelWordSolution, 0x2, ZelMskIsoLines},
    {ZelWordSolution, 0x4, ZelMskIsoSurfaces}, {ZelWordSolution, 0x8, ZelMskVectors},
    {ZelWordScene, 0x10, ZelMskCapping},
};

int wholeTetrahedron(const int *, int tet[6][4]) {
  for (int k = 0; k < 4; k++) tet[0][k] = k;
  return 1;
}

}  // namespace

// Rows, field by field: kind, name, corners, faces; the faces (corners in drawing order);
// the blocks; where the record keeps Voi and VoiTyp; the nibbles that may cover a boundary
// face and meet an inner face, the boundary message, the shrink rule; then numbers' tag bits,
// arrows on visible faces only, face iso-lines in volume mode only, vectors by the drawable
// test, a metric list, the empty faces list on Mode 10, progress lines; the own field, the cap
// kind, the iso-surface tetrahedra and the bit-0 terms.
// clang-format off

// Face f of a tetrahedron is opposite vertex f; its normal points into the element. Tetrahedra
// print the voi line for boundary faces too, and have no metric list.
const ZelVolumeKind ZelTetKind = {
    KmfTetrahedra, "tet", 4, 4,
    {{3, {1, 3, 2}}, {3, {0, 2, 3}}, {3, {0, 3, 1}}, {3, {0, 1, 2}}},
    1, {{4, {0, 1, 2, 3}}},
    offsetof(Tetrahedron, Voi), offsetof(Tetrahedron, VoiTyp),
    kTriFaces, bit(VOI_TET) | bit(VOI_P2TET) | bit(VOI_PYR) | bit(VOI_PRI), true, ZelShrinkBelowOne,
    0, true, true, true, false, false, false,
    &Geometric_Mesh::SolAtTet, ZelCapTetrahedra, wholeTetrahedron, kSolutionTerms, 4,
};

// Prisms: the two triangles first, then the three quadrilaterals; no cap.
const ZelVolumeKind ZelPriKind = {
    KmfPrisms, "pri", 6, 5,
    {{3, {0, 1, 2}}, {3, {3, 4, 5}}, {4, {0, 3, 4, 1}}, {4, {1, 4, 5, 2}}, {4, {2, 5, 3, 0}}},
    2, {{2, {0, 1}}, {3, {2, 3, 4}}},
    offsetof(Prism, Voi), offsetof(Prism, VoiTyp),
    kAnyFaces, kAnyVolumes, false, ZelShrinkNotOne,
    0, false, false, false, true, true, false,
    &Geometric_Mesh::SolAtPri, 0, nullptr, kSolutionTerms, 5,
};

// Hexahedra: corners 0-3 one face, 4-7 the opposite one, corner i + 4 joined to corner i. A
// face on a Q2 hexahedron is judged by that neighbour's tag, as on any volume neighbour.
const ZelVolumeKind ZelHexKind = {
    KmfHexahedra, "hex", 8, 6,
    {{4, {0, 1, 2, 3}}, {4, {4, 5, 6, 7}}, {4, {0, 4, 5, 1}}, {4, {1, 5, 6, 2}}, {4, {2, 6, 7, 3}},
     {4, {3, 7, 4, 0}}},
    1, {{6, {0, 1, 2, 3, 4, 5}}},
    offsetof(Hexahedron, Voi), offsetof(Hexahedron, VoiTyp),
    bit(VOI_QUA) | bit(VOI_P2QUA), bit(VOI_PYR) | bit(VOI_PRI) | bit(VOI_HEX) | bit(VOI_P2HEX), false,
    ZelShrinkNotOne,
    0, false, false, false, true, false, true,
    &Geometric_Mesh::SolAtHex, ZelCapHexahedra, zelSplitHexahedron, kSolutionTerms, 5,
};

// Pyramids: base 0-3, apex 4; the base first; numbers on bit 27 alone; no cap.
const ZelVolumeKind ZelPyrKind = {
    KmfPyramids, "pyr", 5, 5,
    {{3, {0, 4, 1}}, {3, {1, 4, 2}}, {3, {2, 4, 3}}, {3, {3, 4, 0}}, {4, {0, 1, 2, 3}}},
    2, {{1, {4}}, {4, {0, 1, 2, 3}}},
    offsetof(Pyramid, Voi), offsetof(Pyramid, VoiTyp),
    kAnyFaces, kAnyVolumes, false, ZelShrinkNotOne,
    TAG_VISIBLE, false, false, false, true, true, false,
    &Geometric_Mesh::SolAtPyr, 0, nullptr, kSolutionTerms, 5,
};

// The curved kinds judge their faces on their corners as the linear ones do; what they draw
// is their builders' (ZelCurvedVolumes.cpp). P2 tetrahedra show every face when the shrink is
// not 1 and take the capping flag into the bit-0 rule; Q2 hexahedra ignore the shrink. Both are
// capped through their corners.
const ZelVolumeKind ZelP2TetKind = {
    KmfTetrahedraP2, "tet", 4, 4,
    {{3, {1, 3, 2}}, {3, {0, 2, 3}}, {3, {0, 3, 1}}, {3, {0, 1, 2}}},
    1, {{4, {0, 1, 2, 3}}},
    offsetof(P2Tetrahedron, Voi), offsetof(P2Tetrahedron, VoiTyp),
    kTriFaces, bit(VOI_TET) | bit(VOI_P2TET) | bit(VOI_PYR) | bit(VOI_PRI), false, ZelShrinkNotOne,
    0, true, false, true, false, false, false,
    &Geometric_Mesh::SolAtTet, ZelCapP2Tetrahedra, nullptr, kP2TetTerms, 5,
};

const ZelVolumeKind ZelQ2HexKind = {
    KmfHexahedraQ2, "hex", 8, 6,
    {{4, {0, 1, 2, 3}}, {4, {4, 5, 6, 7}}, {4, {0, 4, 5, 1}}, {4, {1, 5, 6, 2}}, {4, {2, 6, 7, 3}},
     {4, {3, 7, 4, 0}}},
    1, {{6, {0, 1, 2, 3, 4, 5}}},
    offsetof(P2Hexahedron, Voi), offsetof(P2Hexahedron, VoiTyp),
    bit(VOI_QUA) | bit(VOI_P2QUA), bit(VOI_PYR) | bit(VOI_PRI) | bit(VOI_HEX) | bit(VOI_P2HEX), false,
    ZelShrinkNever,
    0, false, false, false, true, false, false,
    &Geometric_Mesh::SolAtHex, ZelCapQ2Hexahedra, nullptr, kSolutionTerms, 5,
};

// clang-format on

namespace {

// Element kind code of each neighbour nibble (0: none or not an element of the mesh model).
const int kNibbleKind[ZelVolNibbles] = {
    0,
    KmfTriangles,
    KmfTetrahedra,
    0,
    0,
    KmfTrianglesP2,
    KmfQuadrilaterals,
    KmfQuadrilateralsQ2,
    KmfTetrahedraP2,
    KmfPyramids,
    KmfPrisms,
    KmfHexahedra,
    KmfHexahedraQ2,
    0,
    0,
    0,
};

bool everyFaceShows(const ZelFaceRule &r) {
  switch (r.K->Shrink) {
    case ZelShrinkBelowOne: return r.Shrink < 1.0f;
    case ZelShrinkNotOne: return !(r.Shrink == 1.0f);
    case ZelShrinkNever: break;
  }
  return false;
}

// Whether surface element n of nibble k sits in a hidden display record (or in none).
bool coverHidden(const ZelFaceRule &r, int k, int n) {
  const ZelEntity *ent = r.Srf[k];
  if (!ent || !ent->Lnk || !ent->DspLst) return true;
  const int grp = ent->Lnk[n].Grp;
  if (grp < 1 || grp > ent->NbrLst) return true;
  return (ent->DspLst[grp].Flags & ZelLstHidden) != 0;
}

bool faceShows(const ZelFaceRule &r, bool boundary, int k, int n) {
  const ZelVolumeKind &K = *r.K;
  if (boundary) {
    if (!(K.BdyKinds & bit(k))) {
      printf(" ** unknown type %d %s for %s ! \n", k, K.BdyVoiLine ? "voi" : "efr/voi", K.Name);
      return false;
    }
  } else {
    if (k == VOI_NONE) return true;
    if (!(K.InnerKinds & bit(k))) {
      printf(" ** unknown type %d voi for %s ! \n", k, K.Name);
      return false;
    }
  }
  const ZelElems &nbr = r.Nbr[k];
  if (n < 1 || n > nbr.Count) return true;
  const uint32_t tag = TagAtomicLoad(nbr.tag(n));
  if (!(tag & TAG_VISIBLE)) return true;
  if (boundary) return (r.ClipOn && (tag & TAG_CLIPPED)) || coverHidden(r, k, n);
  return r.ClipOn && !(tag & TAG_CLIPPED);
}

}  // namespace

void zelFaceRuleInit(ZelFaceRule *r, const ZelVolumeKind &K, Geometric_Mesh *msh, const ZelMesh *zelMsh,
                     float shrink) {
  *r = ZelFaceRule{};
  r->K = &K;
  r->Elt = zelElems(msh, K.Kind);
  for (int k = 0; k < ZelVolNibbles; k++) {
    if (!kNibbleKind[k]) continue;
    r->Nbr[k] = zelElems(msh, kNibbleKind[k]);
    if (VoiIsSurface(k)) r->Srf[k] = zelGetEntity(zelMsh, kNibbleKind[k]);
  }
  r->Topo = msh ? TopoDoneLoad(msh) : 0;
  r->ClipOn = zelMsh && zelMsh->Pla && zelMsh->Pla->On != 0;
  r->Shrink = shrink;
}

uint32_t zelFaceMask(const ZelFaceRule &r, int e, uint32_t tag, const int *faces, int n) {
  uint32_t all = 0;
  for (int i = 0; i < n; i++) all |= bit(faces[i]);
  if (!r.Topo) return r.ClipOn && (tag & TAG_CLIPPED) ? all : 0;
  if (everyFaceShows(r)) return all;
  const char *rec = r.Elt.Base + r.Elt.Stride * static_cast<size_t>(e);
  const int *voi = reinterpret_cast<const int *>(rec + r.K->VoiOff);
  const uint32_t kinds = *reinterpret_cast<const uint32_t *>(rec + r.K->VoiTypOff);
  uint32_t mask = 0;
  for (int i = 0; i < n; i++) {
    const int f = faces[i];
    if (faceShows(r, (tag & TagBdyFace(f)) != 0, VoiTypGet(kinds, f), voi[f])) mask |= bit(f);
  }
  return mask;
}

int zelFaceVisible(const ZelFaceRule &r, int e, int f) {
  return zelFaceMask(r, e, zelTagOf(r.Elt, e), &f, 1) != 0;
}

int zelVolumeOpen(ZelScene *scene, ZelEntDisplayList *rec, const ZelVolumeKind &K, ZelVolCtx *v) {
  *v = ZelVolCtx{};
  if (!zelListOpen(scene, rec, &v->L)) return 0;
  v->K = &K;
  zelFaceRuleInit(&v->Rule, K, v->L.Msh, v->L.ZelMsh, v->L.Shrink);
  const ZelPlaEntity *pla = v->L.ZelMsh->Pla;
  // A cap follows the current plane only while it clips: a plane switched off leaves the
  // capping flag set, and must not leave a stale cap in place of the skin.
  if (v->Rule.ClipOn && pla->Cur >= 0 && pla->Cur < ZelMaxPlanes) v->Plane = pla->Pla[pla->Cur];
  v->Need = ZelDrawnBits | (v->Rule.ClipOn ? TAG_CLIPPED : 0u);
  return 1;
}

void zelVolElem(const ZelVolCtx &v, int e, ZelVolElem *g) {
  const int n = v.K->NbrCor;
  g->E = e;
  g->Ver = v.L.ver(e);
  for (int d = 0; d < 3; d++) g->C[d] = 0.0f;
  for (int i = 0; i < n; i++)
    for (int d = 0; d < 3; d++) {
      g->P[i][d] = v.L.Crd[g->Ver[i]][d];
      g->C[d] += g->P[i][d];
    }
  for (int d = 0; d < 3; d++) g->C[d] /= static_cast<float>(n);
  for (int i = 0; i < n; i++)
    for (int d = 0; d < 3; d++) g->Q[i][d] = g->C[d] + (g->P[i][d] - g->C[d]) * v.L.Shrink;
}

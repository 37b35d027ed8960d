// The shared frame of the list builders: masks, the record check, the walking context, the
// solution context, picking colours and vertex numbers.
#include "zelvane/lists/ZelListFrame.h"

#include <cmath>
#include <cstdio>

#include "common/model/ElementKind.h"
#include "common/model/Geometry.h"
#include "zelvane/scene/ZelGlyphs.h"
#include "zelvane/scene/ZelPalette.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelScene.h"

const ZelListTests ZelUpdateTests = {0x80001,   0x8100001, 0x200001, 0x400000, 0x800, 0x1000001,
                                     0x2000000, 0x31,      0x51,     0x91,     0x211, 0x40011};
const ZelListTests ZelDirectTests = {0x80001,   0x100001, 0x200000, 0x400000, 0x800, 0x1000001,
                                     0x2000000, 0x31,     0x51,     0x91,     0x211, 0x40011};

namespace {

// The terms every kind shares.
const ZelMaskExtra kCommonTerms[] = {
    {ZelWordScene, 0x8000, ZelMskNumbers},
    {ZelWordScene, 0x8, ZelMskPoints},
    {ZelWordScene, 0x80000000u, ZelMskScene31},
    {ZelWordRender, 0x100, ZelMskArrows},
};
const ZelMaskExtra kSolutionTerms[] = {
    {ZelWordSolution, 0x1, ZelMskShading},
    {ZelWordSolution, 0x2, ZelMskIsoLines},
    {ZelWordSolution, 0x8, ZelMskVectors},
    {ZelWordSolution, 0x20, ZelMskMetric},
};

ZelListMask applyTerms(const ZelMaskExtra *terms, int n, const uint32_t words[4]) {
  ZelListMask m = 0;
  for (int i = 0; i < n; i++)
    if (words[terms[i].Word] & terms[i].Bit) m |= terms[i].Adds;
  return m;
}

}  // namespace

ZelListMask zelMaskRule(ZelListMask mask, const ZelScene *scene, const ZelEntDisplayList *rec, bool solution,
                        const ZelMaskExtra *extra, int nbrExtra) {
  if (!(mask & ZelMskAll)) return mask;
  const uint32_t words[4] = {scene->Flags, rec->Opt.Render, rec->Opt.Solution, rec->Flags};
  ZelListMask m = (mask & ZelMskNoPicking) ? ZelMskFaces | ZelMskWire : ZelMskFaces | ZelMskWire | ZelMskPicking;
  m |= applyTerms(kCommonTerms, 4, words);
  if (solution) m |= applyTerms(kSolutionTerms, 4, words);
  return m | applyTerms(extra, nbrExtra, words);
}

int zelCheckList(ZelScene *scene, ZelEntDisplayList *rec, Geometric_Mesh **msh, ZelMesh **zelMsh, int *head,
                 uint32_t *pckBas, ZelLink **lnk, float3 **crd) {
  if (!scene || !rec || !scene->Msh || !scene->ZelMsh) return 0;
  ZelMesh *zm = scene->ZelMsh;
  const int kind = rec->Type;
  ZelEntity *ent = nullptr;
  if (kind == KmfPlanes) {
    if (!zm->Pla) return 0;
  } else if (kind != KmfVolumeEdges && zelEntitySlot(zm, kind)) {  // kinds with builders
    ent = zelGetEntity(zm, kind);
    if (!ent) return 0;
  } else {
    fprintf(stderr, "  ## ERROR: ZELCHECKLIST: INVALID  TYPE %d \n", kind);
    return 0;
  }
  if (!zm->Crd) return 0;
  if (rec->Head && !geoCheckBound(scene->Msh, rec->Head, kind)) return 0;
  if (kind != KmfPlanes && !ent->Lnk) return 0;
  if (msh) *msh = scene->Msh;
  if (zelMsh) *zelMsh = zm;
  if (head) *head = rec->Head;
  if (pckBas) *pckBas = kind == KmfPlanes ? 0 : zm->PckBas[kind];
  if (lnk) *lnk = ent ? ent->Lnk : nullptr;
  if (crd) *crd = zm->Crd;
  return 1;
}

float zelRecordShrink(const ZelScene *scene, const ZelEntDisplayList *rec) {
  return (rec->Flags & ZelLstShrink) ? scene->Rnd.Shrink : 1.0f;
}

int zelListOpen(ZelScene *scene, ZelEntDisplayList *rec, ZelListCtx *c) {
  ZelLink *lnk = nullptr;
  float3 *crd = nullptr;
  *c = ZelListCtx{};
  if (!zelCheckList(scene, rec, &c->Msh, &c->ZelMsh, &c->Head, &c->PckBas, &lnk, &crd)) return 0;
  c->Scn = scene;
  c->Rec = rec;
  c->Lnk = lnk;
  c->Crd = crd;
  c->Shrink = zelRecordShrink(scene, rec);
  c->Elt = zelElems(c->Msh, rec->Type);
  c->ColRng = scene->ColRng;
  return 1;
}

int zelNewStamp(Geometric_Mesh *msh) { return ++msh->Mrk; }

int zelListField(const ZelScene *scene, ZelListField *out) {
  *out = ZelListField{};
  const Geometric_Mesh *msh = scene ? scene->Msh : nullptr;
  if (!msh) return 0;
  const Geometric_Solution *order[] = {msh->SolAtVer, msh->SolAtTet, msh->SolAtPyr, msh->SolAtPri,
                                       msh->SolAtHex, msh->SolAtTri, msh->SolAtQua};
  const Geometric_Solution *sol = nullptr;
  for (const Geometric_Solution *s : order)
    if (s) {
      sol = s;
      break;
    }
  const int f = scene->ActFld;
  if (!sol || f < 0 || f >= sol->NbrFld || !scene->VieSol || f >= scene->VieSol->NbrFld ||
      !scene->VieSol->ZelPal)
    return 0;
  out->Sol = sol;
  out->VerSol = msh->SolAtVer;
  out->Pal = &scene->VieSol->ZelPal[f];
  out->Fld = f;
  out->Type = sol->SizFld[f];
  return 1;
}

bool zelUnitNormal(const float *a, const float *b, const float *c, float n[3]) {
  const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
  const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
  const double w[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  const double len2 = w[0] * w[0] + w[1] * w[1] + w[2] * w[2];
  if (!(len2 > 0.0)) return false;
  const double len = std::sqrt(len2);
  for (int d = 0; d < 3; d++) n[d] = static_cast<float>(w[d] / len);
  return true;
}

void zelPickingColor(const ZelColorRange *table, uint32_t id) {
  uint8_t rgba[4];
  zelPickIdColor(table, id, rgba);
  glColor4ubv(rgba);
}

void zelNumbersBegin() {
  glColor3f(1.0f, 0.0f, 0.0f);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  zelBitmapPixelStore();
}

void zelNumberAt(int v, const float *crd) {
  char label[512];
  snprintf(label, sizeof(label), "%d", v);
  glRasterPos3f(crd[0], crd[1], crd[2]);
  zel::glutBitmapString(label);
}

void zelNumbersEnd() { glPopClientAttrib(); }

void zelDrawNumbers(const ZelListCtx &c, uint32_t need) {
  zelNumbersBegin();
  zelEachVertexOnce(c, need, [&](int v) { zelNumberAt(v, c.Crd[v]); });
  zelNumbersEnd();
}

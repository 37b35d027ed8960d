// Normals at vertices: arrows, their picking colours and their numbers.
#include "zelvane/lists/ZelNormalLists.h"

#include "common/model/Mesh.h"
#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/lists/ZelListGlyphs.h"
#include "zelvane/scene/ZelScene.h"

namespace {

const ZelMaskExtra kNormalTerms[] = {{ZelWordScene, ZelFlgNormalsAtVer, ZelMskNorVer}};

// Calls f(n, base, direction) for every normal of the chain whose vertex exists; the direction
// is the normal's components times InvDmaxSca.
template <class F>
void eachNormal(const ZelListCtx &c, F &&f) {
  const double inv = c.Scn->InvDmaxSca;
  c.chain([&](int n) {
    const Normal &nor = c.Msh->Nor[n];
    if (nor.Ver < 1 || nor.Ver > c.Msh->NbrVer) return;
    float d[3];
    for (int k = 0; k < 3; k++) d[k] = static_cast<float>(nor.Crd[k] * inv);
    f(n, c.Crd[nor.Ver], d);
  });
}

// The arrows; with a colour table, each in its normal's id colour.
void drawArrows(const ZelListCtx &c, const ZelColorRange *ids) {
  const float L = static_cast<float>(c.Scn->Rnd.NormalScale);
  glBegin(GL_LINES);
  eachNormal(c, [&](int n, const float *base, float *d) {
    if (ids) zelPickingColor(ids, c.PckBas + static_cast<uint32_t>(n));
    zelArrowHead(base, d, L);
  });
  glEnd();
}

void drawNumbers(const ZelListCtx &c) {
  zelNumbersBegin();
  zelNewStamp(c.Msh);
  eachNormal(c, [&](int n, const float *base, const float *d) {
    const float tip[3] = {base[0] + d[0], base[1] + d[1], base[2] + d[2]};
    zelNumberAt(n, tip);
  });
  zelNumbersEnd();
}

int build(bool update, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  ZelListCtx c;
  if (!zelListOpen(scene, rec, &c)) return 0;
  const ZelListTests &T = update ? ZelUpdateTests : ZelDirectTests;
  if (update) mask = zelMaskRule(mask, scene, rec, false, kNormalTerms, 1);
  if (mask & T.NorVer) zelListPass(update, rec->MrkLst + 3, [&] { drawArrows(c, nullptr); });
  if ((mask & T.Picking) && c.ColRng) zelListPass(update, rec->PckLst, [&] { drawArrows(c, c.ColRng); });
  if (mask & T.Numbers) zelListPass(update, rec->MrkLst + 2, [&] { drawNumbers(c); });
  return 1;
}

}  // namespace

int zelListUpdateNormals(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return build(true, mask, scene, rec);
}
int zelListDirectNormals(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return build(false, mask, scene, rec);
}

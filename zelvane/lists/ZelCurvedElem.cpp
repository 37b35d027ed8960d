// Nodes, centres, coefficient blocks and palette values of one curved element.
#include "zelvane/lists/ZelCurvedElem.h"

#include "zelvane/lists/ZelListGlyphs.h"
#include "zelvane/scene/ZelPalette.h"

void zelCurvedElem(const ZelListCtx &c, int e, ZelCurvedElem *g) {
  g->E = e;
  g->Ver = c.ver(e);
  g->Sum[0] = g->Sum[1] = g->Sum[2] = 0.0;
  for (int i = 0; i < c.Elt.NbrNod; i++) {
    const float *x = c.Crd[g->Ver[i]];
    g->X[i] = x;
    for (int k = 0; k < 3; k++) g->Sum[k] += x[k];
  }
}

void zelCurvedScaled(const ZelCurvedElem &g, double factor, float c[3]) {
  for (int k = 0; k < 3; k++) c[k] = static_cast<float>(g.Sum[k] * factor);
}

void zelCurvedPatch(const ZelCurvedElem &g, const int nod[6], float blk[18]) {
  const float *x[6];
  for (int i = 0; i < 6; i++) x[i] = g.X[nod[i]];
  zelP2PatchCoefs(x, blk);
}

void zelCurvedEdge(const ZelCurvedElem &g, const int edg[3], float blk[9]) {
  zelP2EdgeCoefs(g.X[edg[0]], g.X[edg[1]], g.X[edg[2]], blk);
}

void zelCurvedValues(const float *val, const int nod[6], float blk[6]) {
  const float v[6] = {val[nod[0]], val[nod[1]], val[nod[2]], val[nod[3]], val[nod[4]], val[nod[5]]};
  zelP2ValueCoefs(v, blk);
}

void zelCurvedArrow(const float blk[18], double u, double v, float L) {
  float p[3], n[3];
  zelP2PatchPoint(blk, u, v, p, n);
  zelArrowHead(p, n, L);
}

bool zelPaletteValues(const ZelPalette *pal, const int *at, int n, float *val) {
  if (!pal->Sol) return false;
  for (int i = 0; i < n; i++) {
    if (at[i] < 1 || at[i] > pal->NbrSol) return false;
    val[i] = static_cast<float>(pal->Sol[at[i]]);
  }
  return true;
}

// Picking ids: the per-kind bases, the colour-id table of the context and the id decoding.
#include "zelvane/scene/ZelPicking.h"

#include <GL/gl.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScene.h"

const int ZelPickOrder[ZelPickKinds] = {
    KmfVertices,       KmfEdges,        KmfEdgesP2,          KmfTriangles, KmfTrianglesP2,
    KmfQuadrilaterals, KmfQuadrilateralsQ2, KmfTetrahedra,   KmfTetrahedraP2, KmfPyramids,
    KmfPrisms,         KmfHexahedra,    KmfHexahedraQ2,      KmfNormalAtVertices};

namespace {

// Element count of each picking kind, in base order.
void pickCounts(const Geometric_Mesh *msh, int64_t out[ZelPickKinds]) {
  const int counts[ZelPickKinds] = {msh->NbrVer,    msh->NbrEfr, msh->NbrP2Efr, msh->NbrTri,
                                    msh->NbrP2Tri,  msh->NbrQua, msh->NbrP2Qua, msh->NbrTet,
                                    msh->NbrP2Tet,  msh->NbrPyr, msh->NbrPri,   msh->NbrHex,
                                    msh->NbrP2Hex,  msh->NbrNor};
  for (int k = 0; k < ZelPickKinds; k++) out[k] = counts[k] > 0 ? counts[k] : 0;
}

}  // namespace

int zelFillColorRange(ZelColorRange *t, const int depth[4], int64_t nIds) {
  uint32_t d[4];
  for (int c = 0; c < 4; c++) d[c] = depth[c] < 0 ? 0 : depth[c] > 8 ? 8 : static_cast<uint32_t>(depth[c]);
  const uint32_t total = d[0] + d[1] + d[2] + d[3];
  t->shift[0] = total - d[0];
  t->shift[1] = total - d[0] - d[1];
  t->shift[2] = d[3];
  t->shift[3] = 0;
  for (int c = 0; c < 4; c++) {
    t->mask[c] = ((1u << d[c]) - 1u) << t->shift[c];
    t->drop[c] = 8 - d[c];
  }
  if (total < 32 && (int64_t{1} << total) < nIds) {
    fprintf(stderr, "  Sorry. Picking disabled. (%ld,%d)\n", static_cast<long>(int64_t{1} << total),
            nIds > INT_MAX ? INT_MAX : static_cast<int>(nIds));
    return 0;
  }
  return 1;
}

int getColorRange(ZelColorRange *table, int64_t nIds) {
  const GLenum names[4] = {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS, GL_ALPHA_BITS};
  int depth[4];
  for (int c = 0; c < 4; c++) {
    GLint bits = 0;
    glGetIntegerv(names[c], &bits);
    depth[c] = bits;
  }
  return zelFillColorRange(table, depth, nIds);
}

int64_t zelPickingIdCount(const Geometric_Mesh *msh) {
  if (!msh) return 0;
  int64_t counts[ZelPickKinds];
  pickCounts(msh, counts);
  int64_t n = 1;
  for (int64_t c : counts) n += c;
  return n;
}

int zelSetColorRange(ZelScene *scene) {
  if (!scene) return 0;
  if (scene->ColRng) return 1;
  auto *table = static_cast<ZelColorRange *>(malloc(sizeof(ZelColorRange)));
  if (!table) return 0;
  // Ids that do not fit the colour bits would alias: another element would be reported as
  // picked. Without a table no picking list is built and picks are refused instead.
  if (!getColorRange(table, zelPickingIdCount(scene->Msh))) {
    free(table);
    return 0;
  }
  scene->ColRng = table;
  return 1;
}

int zelGetEntityPickingBase(const Geometric_Mesh *msh, ZelMesh *zelMsh) {
  if (!msh || !zelMsh) return 0;
  int64_t counts[ZelPickKinds];
  pickCounts(msh, counts);
  uint32_t base = 0;
  for (int k = 0; k < ZelPickKinds; k++) {
    zelMsh->PckBas[ZelPickOrder[k]] = base;
    base += static_cast<uint32_t>(counts[k]);
  }
  return 1;
}

int zelPickIdItem(const ZelMesh *zelMsh, uint32_t id, int *index) {
  int kind = 0;
  uint32_t base = 0;
  if (zelMsh && id) {
    kind = ZelPickOrder[ZelPickKinds - 1];
    for (int k = 0; k + 1 < ZelPickKinds; k++)
      if (zelMsh->PckBas[ZelPickOrder[k + 1]] >= id) {
        kind = ZelPickOrder[k];
        break;
      }
    base = zelMsh->PckBas[kind];
  }
  if (index) *index = kind ? static_cast<int>(id - base) : 0;
  return kind;
}

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "tests/support/CaptureText.h"
#include "tests/support/GLHarness.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// Counts of every picking kind, some empty, whose ids fit 16 bits.
Geometric_Mesh CountedMesh() {
  Geometric_Mesh msh{};
  msh.NbrVer = 900, msh.NbrEfr = 40, msh.NbrTri = 1700, msh.NbrP2Tri = 3, msh.NbrQua = 800;
  msh.NbrTet = 30000, msh.NbrPyr = 7, msh.NbrPri = 11, msh.NbrHex = 5000, msh.NbrNor = 25;
  return msh;
}

struct Item {
  int kind, index;
};

// The first and last item of every non-empty kind.
std::vector<Item> BoundaryItems(const Geometric_Mesh &msh) {
  const int counts[ZelPickKinds] = {msh.NbrVer, msh.NbrEfr, msh.NbrP2Efr, msh.NbrTri, msh.NbrP2Tri,
                                    msh.NbrQua, msh.NbrP2Qua, msh.NbrTet, msh.NbrP2Tet, msh.NbrPyr,
                                    msh.NbrPri, msh.NbrHex, msh.NbrP2Hex, msh.NbrNor};
  std::vector<Item> items;
  for (int k = 0; k < ZelPickKinds; k++)
    if (counts[k]) items.push_back({ZelPickOrder[k], 1}), items.push_back({ZelPickOrder[k], counts[k]});
  return items;
}

}  // namespace

TEST(Picking, BasesFollowTheKindOrder) {
  Geometric_Mesh msh = CountedMesh();
  ZelMesh zm{};
  EXPECT_EQ(zelGetEntityPickingBase(nullptr, &zm), 0);
  ASSERT_EQ(zelGetEntityPickingBase(&msh, &zm), 1);
  EXPECT_EQ(zm.PckBas[KmfVertices], 0u);
  EXPECT_EQ(zm.PckBas[KmfEdges], 900u);
  EXPECT_EQ(zm.PckBas[KmfEdgesP2], 940u);
  EXPECT_EQ(zm.PckBas[KmfTriangles], 940u);
  EXPECT_EQ(zm.PckBas[KmfQuadrilaterals], 940u + 1700 + 3);
  EXPECT_EQ(zm.PckBas[KmfNormalAtVertices], 900u + 40 + 1700 + 3 + 800 + 30000 + 7 + 11 + 5000);
  EXPECT_EQ(zelPickingIdCount(&msh), 1 + 900 + 40 + 1700 + 3 + 800 + 30000 + 7 + 11 + 5000 + 25);
}

// Every item at a kind boundary survives encoding, decoding and the kind scan, for the
// colour depths of common contexts.
TEST(Picking, IdsRoundTripThroughTheColourTable) {
  Geometric_Mesh msh = CountedMesh();
  ZelMesh zm{};
  zelGetEntityPickingBase(&msh, &zm);
  const int depths[][4] = {{8, 8, 8, 8}, {8, 8, 8, 0}, {5, 6, 5, 0}};
  for (const auto &d : depths) {
    SCOPED_TRACE(testing::Message() << d[0] << "/" << d[1] << "/" << d[2] << "/" << d[3]);
    ZelColorRange t;
    ASSERT_EQ(zelFillColorRange(&t, d, zelPickingIdCount(&msh)), 1);
    for (const Item &it : BoundaryItems(msh)) {
      uint8_t rgba[4];
      zelPickIdColor(&t, zm.PckBas[it.kind] + it.index, rgba);
      int index = -1;
      EXPECT_EQ(zelPickIdItem(&zm, zelPickColorId(&t, rgba), &index), it.kind);
      EXPECT_EQ(index, it.index) << zelPickColorId(&t, rgba);
    }
  }
}

TEST(Picking, TableLayoutAndRefusal) {
  ZelColorRange t;
  const int rgba8[4] = {8, 8, 8, 8};
  ASSERT_EQ(zelFillColorRange(&t, rgba8, 1000), 1);
  uint8_t c[4];
  zelPickIdColor(&t, 1, c);
  EXPECT_EQ(c[0] + c[1] + c[2], 0);
  EXPECT_EQ(c[3], 1);
  zelPickIdColor(&t, 0xFFFFFFFFu, c);
  EXPECT_EQ(zelPickColorId(&t, c), 0xFFFFFFFFu);

  // Depths above 8 count as 8: the same table as 8/8/8/8.
  ZelColorRange deep;
  const int rgba10[4] = {10, 10, 10, 10};
  ASSERT_EQ(zelFillColorRange(&deep, rgba10, 1000), 1);
  for (int k = 0; k < 4; k++) {
    EXPECT_EQ(deep.mask[k], t.mask[k]);
    EXPECT_EQ(deep.shift[k], t.shift[k]);
    EXPECT_EQ(deep.drop[k], t.drop[k]);
  }

  const int rgb565[4] = {5, 6, 5, 0};
  EXPECT_EQ(zelFillColorRange(&t, rgb565, 65536), 1);  // ids 0..65535
  CaptureStderr();
  EXPECT_EQ(zelFillColorRange(&t, rgb565, 65537), 0);
  EXPECT_EQ(GetCapturedStderr(), "  Sorry. Picking disabled. (65536,65537)\n");
}

TEST(Picking, IdPastTheNormalsBaseIsANormal) {
  Geometric_Mesh msh = CountedMesh();
  ZelMesh zm{};
  zelGetEntityPickingBase(&msh, &zm);
  int index = -1;
  EXPECT_EQ(zelPickIdItem(&zm, zm.PckBas[KmfNormalAtVertices] + 1000, &index), KmfNormalAtVertices);
  EXPECT_EQ(index, 1000);
  EXPECT_EQ(zelPickIdItem(&zm, 0, &index), 0);
}

// A channel of fewer than 8 bits stores round(byte / 255 x (2^d - 1)) and reads back
// round(stored x 255 / (2^d - 1)): every id of a 5/6/5 context must survive both roundings.
TEST(Picking, LowDepthChannelsStoreAndReadBackTheirIdBits) {
  ZelColorRange t;
  const int rgb565[4] = {5, 6, 5, 0};
  ASSERT_EQ(zelFillColorRange(&t, rgb565, 65536), 1);
  int wrong = 0;
  for (uint32_t id = 0; id < 65536; id++) {
    uint8_t c[4], back[4] = {0, 0, 0, 0};
    zelPickIdColor(&t, id, c);
    for (int k = 0; k < 3; k++) {
      const double m = (1 << (8 - t.drop[k])) - 1;
      const long stored = std::lround(c[k] / 255.0 * m);
      back[k] = static_cast<uint8_t>(std::lround(stored * 255.0 / m));
    }
    wrong += zelPickColorId(&t, back) != id;
  }
  EXPECT_EQ(wrong, 0);
}

// On a 16-bit context the scene asks for the ids its mesh really has: a mesh with more than
// 2^16 of them gets no table (no picking list, picks refused) rather than aliasing ids.
TEST(Picking, SceneWhoseIdsDoNotFitGetsNoTable) {
  GLHarness gl(8, 8);
  ASSERT_TRUE(gl.valid());
  GLuint fbo = 0, rb = 0;
  glGenFramebuffers(1, &fbo);
  glGenRenderbuffers(1, &rb);
  glBindRenderbuffer(GL_RENDERBUFFER, rb);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB565, 8, 8);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rb);

  Geometric_Mesh msh{};
  msh.NbrVer = 40000, msh.NbrTri = 25535;  // 65536 ids with id 0: they fit
  ZelScene scn{};
  scn.Msh = &msh;
  ASSERT_EQ(zelSetColorRange(&scn), 1);
  ASSERT_NE(scn.ColRng, nullptr);
  EXPECT_EQ(scn.ColRng->drop[1], 2u);
  free(scn.ColRng);
  scn.ColRng = nullptr;

  msh.NbrTri += 1;
  CaptureStderr();
  EXPECT_EQ(zelSetColorRange(&scn), 0);
  EXPECT_EQ(GetCapturedStderr(), "  Sorry. Picking disabled. (65536,65537)\n");
  EXPECT_EQ(scn.ColRng, nullptr);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteRenderbuffers(1, &rb);
  glDeleteFramebuffers(1, &fbo);
}

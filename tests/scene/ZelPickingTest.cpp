#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "tests/scene/SceneTest.h"
#include "tests/support/GLHarness.h"
#include "zelvane/scene/ZelPicking.h"

// The first and last item of every kind survive encoding, decoding and the kind scan, the
// counts of the picking kinds (some empty) giving ids that fit 16 bits.
TEST(Picking, IdsRoundTripAtKindBoundaries) {
  Geometric_Mesh msh{};
  msh.NbrVer = 900, msh.NbrEfr = 40, msh.NbrTri = 1700, msh.NbrP2Tri = 3, msh.NbrQua = 800;
  msh.NbrTet = 30000, msh.NbrPyr = 7, msh.NbrPri = 11, msh.NbrHex = 5000, msh.NbrNor = 25;
  ZelMesh zm{};
  EXPECT_EQ(zelGetEntityPickingBase(nullptr, &zm), 0);
  ASSERT_EQ(zelGetEntityPickingBase(&msh, &zm), 1);
  EXPECT_EQ(zm.PckBas[KmfTriangles], 940u);  // after the vertices, edges and (no) P2 edges
  const int counts[ZelPickKinds] = {900, 40, 0, 1700, 3, 800, 0, 30000, 0, 7, 11, 5000, 0, 25};
  const int depths[][4] = {{8, 8, 8, 8}, {8, 8, 8, 0}, {5, 6, 5, 0}, {10, 10, 10, 10}};
  for (const auto &d : depths) {
    SCOPED_TRACE(testing::Message() << d[0] << "/" << d[1] << "/" << d[2] << "/" << d[3]);
    ZelColorRange t;
    ASSERT_EQ(zelFillColorRange(&t, d, zelPickingIdCount(&msh)), 1);
    for (int k = 0; k < ZelPickKinds; k++)
      for (int index : {1, counts[k]}) {
        if (!counts[k]) continue;
        uint8_t rgba[4];
        zelPickIdColor(&t, zm.PckBas[ZelPickOrder[k]] + index, rgba);
        int got = -1;
        EXPECT_EQ(zelPickIdItem(&zm, zelPickColorId(&t, rgba), &got), ZelPickOrder[k]);
        EXPECT_EQ(got, index);
      }
  }
  int index = -1;  // past the last normal: still a normal
  EXPECT_EQ(zelPickIdItem(&zm, zm.PckBas[KmfNormalAtVertices] + 1000, &index), KmfNormalAtVertices);
  EXPECT_EQ(index, 1000);
  ZelColorRange t;
  const int rgba8[4] = {8, 8, 8, 8};
  ASSERT_EQ(zelFillColorRange(&t, rgba8, 2), 1);
  uint8_t c[4];
  zelPickIdColor(&t, 1, c);  // the lowest bits in alpha
  EXPECT_EQ(c[0] + c[1] + c[2] + 10 * c[3], 10);
}

// A channel of d < 8 bits stores round(byte / 255 x (2^d - 1)) and reads back
// round(stored x 255 / (2^d - 1)): every id of a 5/6/5 context survives both roundings.
TEST(Picking, LowDepthChannelsStoreAndReadBackTheirIdBits) {
  ZelColorRange t;
  const int rgb565[4] = {5, 6, 5, 0};
  ASSERT_EQ(zelFillColorRange(&t, rgb565, 65536), 1);  // ids 0..65535
  int wrong = 0;
  for (uint32_t id = 0; id < 65536; id++) {
    uint8_t c[4], back[4] = {0, 0, 0, 0};
    zelPickIdColor(&t, id, c);
    for (int k = 0; k < 3; k++) {
      const double m = (1 << (8 - t.drop[k])) - 1;
      back[k] = static_cast<uint8_t>(std::lround(std::lround(c[k] / 255.0 * m) * 255.0 / m));
    }
    wrong += zelPickColorId(&t, back) != id;
  }
  EXPECT_EQ(wrong, 0);
}

// On a 16-bit context a scene whose mesh has more than 2^16 ids gets no table (no picking
// list, picks refused) rather than ids that alias.
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
  msh.NbrVer = 40000, msh.NbrTri = 25535;  // with id 0, 65536 ids: they fit
  ZelScene scn{};
  scn.Msh = &msh;
  ASSERT_EQ(zelSetColorRange(&scn), 1);
  free(scn.ColRng);
  scn.ColRng = nullptr;
  msh.NbrTri++;
  std::string err = CaptureText([&] { EXPECT_EQ(zelSetColorRange(&scn), 0); }).Err;
  EXPECT_EQ(err, "  Sorry. Picking disabled. (65536,65537)\n");
  EXPECT_EQ(scn.ColRng, nullptr);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteRenderbuffers(1, &rb);
  glDeleteFramebuffers(1, &fbo);
}

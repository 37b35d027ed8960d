#include <gtest/gtest.h>

#include <string>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/model/MeshPrint.h"
#include "tests/support/StructuredMesh.h"

namespace {

template <class F>
std::string Stdout(F &&f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}

TEST(MeshPrint, RecordsAndTags) {
  Memory_List *mem = NewMemory(100);
  Geometric_Mesh *msh = MakeStructuredMesh(mem, 1, 1, 1, GEN_HEX | GEN_TET | GEN_TRI | GEN_EFR);
  ASSERT_NE(msh, nullptr);
  msh->Hex[1].Tag |= 5;
  msh->Ver[2].Gid = 4000000000u;
  msh->Tet[2].Ref = 9;

  EXPECT_EQ(Stdout([&] { printTet(msh, 2); }),
            "  Tetrahedron          2 = [         1          4          3          8 ] Ref 9 \n");
  const int num[3] = {0, 40, 50};
  EXPECT_EQ(Stdout([&] { printTetUsr(msh, 2, num); }),
            "  Tetrahedron         50 = [         1          4          3          8 ] Ref 9 \n");
  EXPECT_EQ(Stdout([&] { printHex(msh, 1); }),
            "  Hexahedron          1 = [         1          2          4          3          5    "
            "      6          8          7  ] Ref 1  Config  5 \n");
  EXPECT_EQ(Stdout([&] { printTri(msh, 1); }), "  Triangle             1 = [        1         2         4] Ref 1 \n");
  EXPECT_EQ(Stdout([&] { printEfr(msh, 4); }), "  Edge                4 = [        3         1 ] Ref 1 \n");
  EXPECT_EQ(Stdout([&] { printVer(msh, 2); }), "  Vertex          2 = [1 0 0] Ref 1 Gid 4000000000 \n");
  // Indices outside the arrays print nothing.
  EXPECT_EQ(Stdout([&] { printTet(msh, 7); printVer(msh, -1); printQua(msh, 1); }), "");

  EXPECT_EQ(Stdout([] { printTetTag(TAG_ALIVE | TAG_VISIBLE | TagBdyFace(1) | TagEdgeMark(5) | 0x2D); }),
            "  voy : 1 3 2 0  bdy : 0100  edg : 000001  swp : 0  usr : 0  visible : 1  clipped : 0  "
            "flg : 0  required : 0  alive : 1\n");
  EXPECT_EQ(Stdout([] { printBitField(0x80000005u); }), "10100000000000000000000000000001\n");
  EXPECT_EQ(Stdout([] { printnBitField(6, 4); }), "0110\n");
  EXPECT_EQ(Stdout([] { print1BitField(0x81); }), "10000001\n");
  EXPECT_EQ(Stdout([] { printnLongBitField(1ull << 40, 42); }), std::string(40, '0') + "10\n");
  const int vec[3] = {4, -1, 7};
  EXPECT_EQ(Stdout([&] { printiVec(vec, 3); }), " 4  -1  7 \n");
  EXPECT_NE(Stdout([] { geo_size(); }).find(" 256 512 1024 2048 4096 8192"), std::string::npos);

  FreeCommonMesh(mem, msh);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

}  // namespace

// The debugging prints of the mesh records: one record, a tag decoded, and indices outside the
// arrays printing nothing.
#include "tests/common/CommonTest.h"

namespace {

std::string Stdout(const std::function<void()> &f) { return CaptureText(f).Out; }

TEST(MeshPrint, RecordsAndTags) {
  Memory_List *mem = NewMemory(100);
  Geometric_Mesh *msh = MakeStructuredMesh(mem, 1, 1, 1, GEN_HEX | GEN_TET | GEN_TRI | GEN_EFR);
  ASSERT_NE(msh, nullptr);
  msh->Tet[2].Ref = 9;
  const int num[3] = {0, 40, 50};
  EXPECT_EQ(Stdout([&] { printTetUsr(msh, 2, num); }),
            "  Tetrahedron         50 = [         1          4          3          8 ] Ref 9 \n");
  EXPECT_EQ(Stdout([&] { printTet(msh, 7); printVer(msh, -1); printQua(msh, 1); }), "");
  EXPECT_EQ(Stdout([] { printTetTag(TAG_ALIVE | TAG_VISIBLE | TagBdyFace(1) | TagEdgeMark(5) | 0x2D); }),
            "  voy : 1 3 2 0  bdy : 0100  edg : 000001  swp : 0  usr : 0  visible : 1  clipped : 0  "
            "flg : 0  required : 0  alive : 1\n");
  EXPECT_EQ(Stdout([] { printnLongBitField(1ull << 40, 42); }), std::string(40, '0') + "10\n");
  FreeCommonMesh(mem, msh);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

}  // namespace

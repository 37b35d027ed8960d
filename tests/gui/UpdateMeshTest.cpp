// "Update Mesh" reads again what the window was opened on: an SU2 mesh or a keyword file, with
// the solution named on the command line or its own; a mesh handed over in memory stays.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/sample/ZelSample.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// A unit cube as one hexahedron, its bottom and top tagged.
const char *const CubeSu2 =
    "NDIME= 3\n"
    "NELEM= 1\n"
    "12 0 1 3 2 4 5 7 6 0\n"
    "NPOIN= 8\n"
    "0 0 0 0\n1 0 0 1\n0 1 0 2\n1 1 0 3\n0 0 1 4\n1 0 1 5\n0 1 1 6\n1 1 1 7\n"
    "NMARK= 2\n"
    "MARKER_TAG= bottom\nMARKER_ELEMS= 1\n9 0 2 3 1\n"
    "MARKER_TAG= top\nMARKER_ELEMS= 1\n9 4 5 7 6\n";

// A ".dat" table of the cube's points with the named columns after the coordinates.
std::string cubeTable(const std::vector<std::string> &fields) {
  std::string t = "\"PointID\",\"x\",\"y\",\"z\"";
  for (const std::string &f : fields) t += ",\"" + f + "\"";
  t += "\n";
  for (int p = 0; p < 8; p++) {
    t += std::to_string(p) + "," + std::to_string(p & 1) + "," + std::to_string((p >> 1) & 1) + "," +
         std::to_string(p >> 2);
    for (size_t f = 0; f < fields.size(); f++) t += "," + std::to_string(p * 10 + int(f));
    t += "\n";
  }
  return t;
}

int fieldsOf(const ZelScene *s) { return s->Msh && s->Msh->SolAtVer ? s->Msh->SolAtVer->NbrFld : 0; }

}  // namespace

TEST(UpdateMesh, ReadsTheFilesAsOpenedWithTheirSolution) {
  WorkFolder folder;
  std::ofstream(folder.file("cube_tagged.su2")) << CubeSu2;
  std::ofstream(folder.file("cube_tagged.dat")) << cubeTable({"T"});
  std::ofstream(folder.file("other.dat")) << cubeTable({"P", "Q"});
  folder.copy("wing.meshb", "wing.meshb");
  folder.copy("sample.solb", "box.solb");
  const struct {
    std::vector<std::string> args;
    const char *title;
    int fields;
  } rows[] = {
      {{"-in", "cube_tagged.su2"}, "[1] cube_tagged.su2", 1},
      {{"-in", "cube_tagged.su2", "-sol", "other.dat"}, "[1] cube_tagged.su2", 2},
      {{"-in", "wing.meshb", "-sol", "box.solb"}, "[1] wing.meshb", 1},
      {{"-in", "wing.meshb"}, "[1] wing.meshb", 0},
  };
  for (const auto &r : rows) {
    const std::string what = r.args.size() > 2 ? r.args[1] + " " + r.args[3] : r.args[1];
    Viewer v(r.args);
    MainWindow *w = v.window(0);
    const ZelScene *first = v.scene(0);
    ASSERT_TRUE(first->Msh) << what;
    const int vertices = first->Msh->NbrVer, volumes = first->Msh->NbrHex + first->Msh->NbrTet;
    ASSERT_EQ(fieldsOf(first), r.fields) << what;
    const QString title = w->windowTitle();
    EXPECT_TRUE(title.startsWith(r.title)) << title.toStdString();

    const Captured out = CaptureText([&] { w->updateMesh(); });
    const ZelScene *again = v.scene(0);
    ASSERT_NE(again, first) << what;
    ASSERT_TRUE(again->Msh) << what << "\n" << out.Err;
    EXPECT_EQ(again->Msh->NbrVer, vertices) << what;
    EXPECT_EQ(again->Msh->NbrHex + again->Msh->NbrTet, volumes) << what;
    EXPECT_EQ(fieldsOf(again), r.fields) << what << "\n" << out.Err;
    EXPECT_EQ(w->windowTitle(), title);
    EXPECT_EQ(out.Err.find("ERROR"), std::string::npos) << what << "\n" << out.Err;
  }
}

TEST(UpdateMesh, LeavesAMeshHandedOverInMemoryAsItIs) {
  Viewer v([](Memory_List *mem) { return zelMakeSampleBox(mem, 3); }, 0);
  const ZelScene *shown = v.scene(0);
  const Captured out = CaptureText([&] { v.window(0)->updateMesh(); });
  EXPECT_EQ(v.scene(0), shown);
  EXPECT_EQ(out.Err, "");
}

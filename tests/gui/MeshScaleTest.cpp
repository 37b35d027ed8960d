// A mesh shown after a smaller one on the same worker pool (a second window, Update Mesh, the
// next file of a series) has every vertex scaled into its view, not only as many as the smaller
// one had.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <string>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/load/MeshWriter.h"
#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// A box of n x n x n cells of tetrahedra with its boundary triangles, written to `path`:
// (n + 1)^3 vertices, enough from n = 12 on for the scaling to run on the pool.
void writeBox(const std::string &path, int n) {
  Memory_List *mem = NewMemory(100);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "TEST");
  Geometric_Mesh *box = MakeStructuredMesh(mem, n, n, n, GEN_TET | GEN_TRI);
  ASSERT_EQ(WriteMesh(&fi, path.c_str(), box), 1) << path;
  FreeCommonMesh(mem, box);
  FreeMemory(mem);
}

// Vertices whose display coordinates are not their mesh coordinates taken to the scene's
// centre and scale; the first few of them named in `first`.
int unscaled(const ZelScene *s, std::string *first) {
  int wrong = 0;
  for (int v = 1; v <= s->Msh->NbrVer; v++) {
    for (int i = 0; i < 3; i++) {
      const float want = static_cast<float>((s->Msh->Ver[v].Crd[i] - s->Ctr[i]) * s->InvDmaxSca);
      if (s->ZelMsh->Crd[v][i] != want) {
        if (++wrong <= 3) *first += " " + std::to_string(v);
        break;
      }
    }
  }
  return wrong;
}

void key(MainWindow *w, const QString &text) {
  QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, text);
  w->keyPressEvent(&e);
}

const int kSmall = 12, kLarge = 20;
const int kLargeVertices = (kLarge + 1) * (kLarge + 1) * (kLarge + 1);

}  // namespace

TEST(MeshScale, ALargerMeshAfterASmallerOneOnTheSamePoolIsScaledWhole) {
  const struct {
    const char *way;
    std::vector<std::string> args;
    // Brings the larger mesh into a window; the window that shows it.
    int (*show)(Viewer &v, WorkFolder &f);
  } rows[] = {
      {"a second window", {"-in", "small.meshb", "large.meshb"}, [](Viewer &, WorkFolder &) { return 1; }},
      {"Update Mesh",
       {"-in", "grown.meshb"},
       [](Viewer &v, WorkFolder &f) {
         writeBox(f.file("grown.meshb"), kLarge);
         v.window(0)->updateMesh();
         return 0;
       }},
      {"the next file of a series", {"-in", "step.1.meshb"}, [](Viewer &v, WorkFolder &) {
         key(v.window(0), ">");
         return 0;
       }}};
  for (const auto &r : rows) {
    SCOPED_TRACE(r.way);
    WorkFolder folder;
    for (const char *name : {"small.meshb", "grown.meshb", "step.1.meshb"}) writeBox(folder.file(name), kSmall);
    for (const char *name : {"large.meshb", "step.2.meshb"}) writeBox(folder.file(name), kLarge);
    CaptureStdout();
    Viewer v(r.args);
    std::string first;
    EXPECT_EQ(unscaled(v.scene(0), &first), 0) << "the smaller mesh:" << first;
    const int w = r.show(v, folder);
    settle();
    GetCapturedStdout();
    ZelScene *s = v.scene(w);
    ASSERT_TRUE(s && s->Msh && s->ZelMsh);
    ASSERT_EQ(s->Msh->NbrVer, kLargeVertices);
    first.clear();
    EXPECT_EQ(unscaled(s, &first), 0) << "of " << kLargeVertices << ", first:" << first;
    // The whole box lies in the unit box around the centre: the view frames it all.
    for (int i = 0; i < 3; i++) EXPECT_DOUBLE_EQ(s->Ctr[i], kLarge / 2.0) << i;
  }
}

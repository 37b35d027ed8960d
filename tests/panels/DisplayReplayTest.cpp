// A user's session across the four display panels of main window 1, recorded, saved and
// replayed in fast mode into a new run on the same file: the same records, scene values and
// picture.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QTest>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/load/MeshWriter.h"
#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/panels/DisplayPanelsKit.h"
#include "tests/support/CaptureText.h"
#include "tests/support/GLHarness.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/ZelToolBox.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/scene/ZelScene.h"

namespace {

struct Outcome {
  std::vector<RecordState> records;
  double normalScale;
  uint32_t flags;
  QImage picture;
};

Outcome outcome(Viewer &v) {
  ZelScene *s = v.scene(0);
  settle();
  return {States(s), s->Rnd.NormalScale, s->Flags & ~ZelFlgViewApplied, v.view(0)->grabScene()};
}

// The visualisation window of window 1, shown.
ZelTool *shownVisu(Viewer &v) {
  ZelTool *visu = v.window(0)->visuTool();
  EXPECT_NE(visu, nullptr);
  visu->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(visu));
  return visu;
}

}  // namespace

TEST(DisplayReplay, PanelActionsOfWindowOneReplayIntoANewRunToTheSameRecordsAndPicture) {
  const std::string mesh = runDir() + "/strip.meshb", seq = runDir() + "/panels.seq";
  {
    Memory_List *mem = NewMemory(100);
    Function_Interface fi;
    DefaultFunInterface(&fi, mem, nullptr, "TEST");
    Geometric_Mesh *m = Strip(mem, {1, 1, -3, -3, 25, 25});
    ASSERT_EQ(WriteMesh(&fi, mesh.c_str(), m), 1);
    FreeCommonMesh(mem, m);
    FreeMemory(mem);
  }

  Outcome recorded;
  {
    Viewer v({"-in", mesh});
    ZelTool *visu = shownVisu(v);
    ASSERT_GE(visu->boxes().size(), 4);  // normals, lines, surfaces, volumes first
    for (ZelToolBox *box : visu->boxes()) ClickHeader(box);
    const auto choose = [&](const char *combo, int row) { Choose(Named<QComboBox>(visu, combo), row); };
    const auto click = [&](const char *check) { ClickCheck(Named<QWidget>(visu, check)); };

    choose("nor:refBox:Normal:1", 1);  // normals files carry no reference: one row
    choose("nor:colBox:Normal:1", 3);
    choose("nor:refBox:Normal:1", 0);
    click("nor:invBox:Normal:1");
    QTest::keyClick(Named<QDoubleSpinBox>(visu, "nor:dblBox:Normal:1"), Qt::Key_Up);
    click("nor:actBox:Normal:1");

    choose("lin:colBox:Edge:1", 3);
    choose("lin:widthBox:Edge:1", 4);
    choose("lin:refBox:Edge:1", 1);
    choose("lin:widthBox:Edge:1", 1);

    choose("srf:refBox:Triangle:1", 1);
    click("srf:zelBox:Triangle:1");
    choose("srf:refBox:Triangle:1", 0);
    choose("srf:facBox:Triangle:1", 2);
    click("srf:norBox:Triangle:1");
    choose("entity:1:srf", 1);
    choose("srf:facBox:Quadrilateral:1", 1);

    QTest::keyClick(v.view(0), Qt::Key_F5);  // shrinking on
    click("vol:traBox:Tetrahedron:1");
    choose("vol:linBox:Tetrahedron:1", 3);
    choose("lin:widthBox:Tetrahedron:1", 2);
    choose("entity:1:vol", 1);
    click("vol:zelBox:Prism:1");
    // A pick: the refreshes that follow keep every choice.
    QTest::mouseClick(v.view(0), Qt::LeftButton, Qt::ShiftModifier, v.view(0)->rect().center());

    recorded = outcome(v);
    ZelScene *s = v.scene(0);
    EXPECT_EQ(s->Rnd.NormalScale, -2.0);
    EXPECT_TRUE(s->Flags & 4);
    EXPECT_EQ(Rec(s, KmfTriangles, -3).Flags & 1, 1u);
    EXPECT_EQ(Rec(s, KmfPrisms, 9).Flags & 1, 1u);
    EXPECT_EQ(Rec(s, KmfTetrahedra, 8).Opt.Render & 0x80, 0x80u);
    EXPECT_EQ(Rec(s, KmfEdges, 1).Opt.LineWidth, 1.5f);
    EXPECT_EQ(Rec(s, KmfEdges, 2).Opt.LineWidth, 3.0f);
    EXPECT_EQ((s->ZelMsh->NorEnt->DspLst[1].Opt.Render >> 4) & 7, 3u);
    v.app->server()->saveSequences(seq.c_str());
  }

  Viewer v({"-in", mesh});
  shownVisu(v);
  ZelSequenceServer *server = v.app->server();
  server->loadSequences(seq.c_str());
  ASSERT_GE(server->loaded().size(), 25u);
  CaptureStdout();  // the replay's progress lines
  server->execSequences(1);
  const bool finished = QTest::qWaitFor([&] { return server->finished() == 1; }, 60000);
  GetCapturedStdout();
  ASSERT_TRUE(finished);
  const Outcome replayed = outcome(v);
  EXPECT_EQ(replayed.records, recorded.records);
  EXPECT_EQ(replayed.normalScale, recorded.normalScale);
  EXPECT_EQ(replayed.flags, recorded.flags);
  recorded.picture.save(QString::fromStdString(testOutputDir() + "/display-replay-recorded.png"));
  replayed.picture.save(QString::fromStdString(testOutputDir() + "/display-replay-replayed.png"));
  ASSERT_EQ(replayed.picture.size(), recorded.picture.size());
  EXPECT_TRUE(replayed.picture == recorded.picture);
}

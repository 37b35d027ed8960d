// The panels in the tool windows of real main windows: which boxes each window holds and where
// the windows stand, and the application's "Preferences" window.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/panels/PanelKit.h"
#include "tests/support/CaptureText.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/ZelToolBox.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/panels/GeoBox.h"
#include "zelvane/panels/SelectBox.h"
#include "zelvane/panels/ZelCompute.h"
#include "zelvane/panels/ZelGenPref.h"
#include "zelvane/panels/ZelVerbose.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/scene/ZelScene.h"

namespace {

QStringList titles(const ZelTool *tool) {
  QStringList t;
  if (tool)
    for (const ZelToolBox *box : tool->boxes()) t << box->title();
  return t;
}

std::unique_ptr<Viewer> open(unsigned geoFlags, const std::vector<int> &fields) {
  std::unique_ptr<Viewer> v;
  CaptureText([&] {
    v.reset(new Viewer([&](Memory_List *mem) { return FlaggedGrid(mem, geoFlags, fields); }, 0));
  });
  return v;
}

}  // namespace

TEST(MainWindowPanels, CornersGiveTheGeometryBoxFirstAndASolutionItsSelectionBox) {
  ClearStore();
  auto v = open(GEO_CORNERS, {1, 2});
  MainWindow *mw = v->window(0);
  ZelTool *visu = mw->visuTool();
  ASSERT_NE(visu, nullptr);
  ASSERT_FALSE(visu->boxes().isEmpty());
  EXPECT_EQ(visu->boxes()[0]->title(), "Geometry");
  EXPECT_NE(dynamic_cast<GeoBox *>(visu->getZelBase("Geometry")), nullptr);

  ZelTool *sol = mw->solTool();
  ASSERT_NE(sol, nullptr);
  ASSERT_GE(sol->boxes().size(), 1);
  ZelToolBox *selectBox = sol->boxes()[0];
  EXPECT_EQ(selectBox->title(), "Select Active Solution");
  EXPECT_FALSE(selectBox->isCheckable());
  auto *select = dynamic_cast<SelectBox *>(selectBox->panel());
  ASSERT_NE(select, nullptr);
  EXPECT_EQ(select->solTool(), sol);
  EXPECT_FALSE(select->isHidden());
  EXPECT_EQ(select->solutionCombo()->count(), 3);

  auto plain = open(0, {});
  EXPECT_FALSE(titles(plain->window(0)->visuTool()).contains("Geometry"));
  EXPECT_EQ(plain->window(0)->solTool(), nullptr);
}

TEST(MainWindowPanels, InformationStandsLeftOfItsWindowAndPreferencesHoldThreeClosedPages) {
  ClearStore();
  auto v = open(0, {});
  MainWindow *mw = v->window(0);
  ZelTool *info = mw->infoTool();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(titles(info), QStringList({"Verbosity", "Computation"}));
  EXPECT_NE(dynamic_cast<ZelVerbose *>(info->getZelBase("Verbosity")), nullptr);
  EXPECT_NE(dynamic_cast<ZelCompute *>(info->getZelBase("Computation")), nullptr);
  // The widest page's minimum width: both are 310 wide at least.
  const int width = std::max(info->getZelBase(0)->minimumSize().width(), info->getZelBase(1)->minimumSize().width());
  EXPECT_EQ(width, 310);
  EXPECT_EQ(info->x(), mw->x() - 20 - width);
  EXPECT_EQ(info->boxes()[0]->width(), width);
  // A third of the height the main window had when it built its tool windows: its starting
  // 800 (it grows afterwards to hold the terminal and the bottom bar).
  EXPECT_EQ(info->y(), mw->y() + 800 / 3);

  ZelTool *prefs = v->app->prefBox();
  ASSERT_NE(prefs, nullptr);
  EXPECT_EQ(prefs->windowTitle(), "Preferences");
  EXPECT_EQ(prefs->pos(), QPoint(0, QGuiApplication::primaryScreen()->geometry().height() / 3));
  EXPECT_EQ(titles(prefs), QStringList({"General", "Mesh", "Terminal"}));
  for (const ZelToolBox *box : prefs->boxes()) EXPECT_TRUE(IsClosed(box)) << box->title().toStdString();
  EXPECT_NE(dynamic_cast<ZelGenPref *>(prefs->getZelBase("general")), nullptr);
}

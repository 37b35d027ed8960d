// The geometry, verbosity and computation panels driven by their object names: which switches
// a mesh enables, the bits they drive, the stored verbose mask a new panel starts from, and the
// help texts under the pointer.
#include <QApplication>
#include <QHelpEvent>
#include <QListWidget>
#include <QToolTip>

#include "tests/panels/PanelKit.h"
#include "zelvane/panels/GeoBox.h"
#include "zelvane/panels/ZelCompute.h"
#include "zelvane/panels/ZelVerbose.h"
#include "zelvane/record/QZelListWidget.h"
#include "zelvane/scene/ZelReport.h"

namespace {

const char *const Switches[] = {"corVer1", "reqVer1", "ridEdg1", "reqEdg1", "nmfEdg1"};

// The tip shown after a tool-tip event over the middle of `over` (the panel's corner when
// null); empty when the panel ignored the event and the tip went.
QString tipAt(QWidget *panel, QWidget *over) {
  const QPoint p = over ? over->mapTo(panel, over->rect().center()) : QPoint(0, 0);
  QHelpEvent help(QEvent::ToolTip, p, panel->mapToGlobal(p));
  QApplication::sendEvent(panel, &help);
  if (help.isAccepted()) return QToolTip::isVisible() ? QToolTip::text() : QString("(accepted, no tip)");
  for (int i = 0; i < 500 && QToolTip::isVisible(); i++) QTest::qWait(20);  // the tip fades out
  return QToolTip::isVisible() ? QString("(ignored, tip left)") : QString();
}

}  // namespace

TEST(GeometryPanel, ARidgeOnlyMeshEnablesOnlyRidgesWhoseClicksDriveTheDisplayBit) {
  PanelScene scene([](Memory_List *m) { return FlaggedGrid(m, GEO_RIDGES); }, false);
  ZelSequenceServer server(1);
  FakeHooks hooks;
  GeoBox geo(&server, scene.get(), 1);
  geo.show();
  for (const char *name : Switches) EXPECT_EQ(Named<QZelCheckBox>(&geo, name)->isEnabled(), name == Switches[2]) << name;

  QZelCheckBox *ridge = Named<QZelCheckBox>(&geo, "ridEdg1");
  ClickCheck(ridge);
  EXPECT_EQ(scene->Flags & 0x2000000, 0x2000000u);
  EXPECT_EQ(hooks.callNames(), std::vector<std::string>({"updateGlScene"}));
  ClickCheck(ridge);
  EXPECT_EQ(scene->Flags & 0x2000000, 0u);

  // Corners shown by another road: the refresh checks the switch, still disabled.
  scene->Flags |= 0x800000;
  geo.zelUpdate();
  EXPECT_TRUE(Named<QZelCheckBox>(&geo, "corVer1")->isChecked() && !Named<QZelCheckBox>(&geo, "corVer1")->isEnabled());
  EXPECT_EQ(scene->Flags & 0x800000, 0x800000u);
}

TEST(InformationPanels, TheStoredMaskChecksSwitchesAndSelectsFieldsAndEverySwitchDrivesItsBit) {
  ClearStore();
  QSettings().setValue("verbose", 0x8000 | 1 | 0x100000);
  PanelScene scene([](Memory_List *m) { return FlaggedGrid(m, 0, {1, 2}); }, false);
  scene->opt->verbose = 0;
  ZelSequenceServer server(1);
  ZelVerbose verbose(&server, scene.get(), 1);
  ZelCompute compute(&server, scene.get(), 1);
  verbose.show();
  compute.show();
  const char *const names[] = {"CrdVer1", "vrb:distBox1", "verBox1", "adjBox1", "angles1", "diangl1", "areaBox1"};
  std::vector<bool> checked;
  for (const char *name : names) checked.push_back(Named<QZelCheckBox>(&verbose, name)->isChecked());
  EXPECT_EQ(checked, std::vector<bool>({true, true, false, false, false, false, false}));
  QZelListWidget *fields = Named<QZelListWidget>(&verbose, "SolVer1");
  ASSERT_EQ(fields->count(), 2);
  EXPECT_EQ(fields->item(0)->text() + fields->item(1)->text(), "ScalarVector");
  EXPECT_EQ(fields->selectedItems().size(), 2);
  // Stored 0x100000 is the verbosity panel's own distance: the edge lengths, 0x400000.
  EXPECT_EQ(uint32_t(scene->opt->verbose), 0x8000u | 1u | 2u | 0x400000u);

  const std::pair<const char *, uint32_t> rows[] = {
      {"verBox1", 0x10000},      {"adjBox1", 0x80000},  {"angles1", 0x20000},      {"diangl1", 0x40000},
      {"vrb:distBox1", 0x400000}, {"CrdVer1", 0x8000},  {"cmp:distBox1", 0x100000}, {"qualBox1", 0x800000},
      {"areaBox1", 0}};  // "Area" has no effect
  for (const auto &r : rows) {
    const uint32_t before = uint32_t(scene->opt->verbose);
    QZelCheckBox *box = verbose.findChild<QZelCheckBox *>(r.first);
    ClickCheck(box ? box : Named<QZelCheckBox>(&compute, r.first));
    EXPECT_EQ(uint32_t(scene->opt->verbose), before ^ r.second) << r.first;
  }
  fields->item(0)->setSelected(false);
  EXPECT_EQ(uint32_t(scene->opt->verbose) & 3u, 2u);

  // The next pick of vertex 1 reads the mask: its coordinates only while "Coordinates" is on.
  FakeHooks terminal;
  zelPrintItemInfo(scene.get(), KmfVertices, 1);
  const std::string without = terminal.terminal();
  terminal.Texts.clear();
  ClickCheck(Named<QZelCheckBox>(&verbose, "CrdVer1"));
  zelPrintItemInfo(scene.get(), KmfVertices, 1);
  EXPECT_EQ(without.find("(0  0  0)"), std::string::npos) << without;
  EXPECT_CONTAINS(terminal.terminal(), "(0  0  0)");
  ClearStore();
}

TEST(InformationPanels, HelpTextsUnderThePointer) {
  ClearStore();
  PanelScene scene([](Memory_List *m) { return FlaggedGrid(m, 0); }, false);
  ZelSequenceServer server(1);
  ZelVerbose verbose(&server, scene.get(), 1);
  ZelCompute compute(&server, scene.get(), 1);
  verbose.show();
  compute.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&verbose) && QTest::qWaitForWindowExposed(&compute));
  QWidget *distance = Named<QWidget>(&verbose, "vrb:distBox1");
  EXPECT_EQ(verbose.itemAt(distance->mapTo(&verbose, distance->rect().center())), verbose.disToolTip());
  EXPECT_EQ(verbose.itemAt(QPoint(0, 0)), "No ToolTip");
  EXPECT_EQ(tipAt(&verbose, distance), "Distance between each Vertex in Element");

  QWidget *quality = Named<QWidget>(&compute, "qualBox1");
  QWidget *computeDistance = Named<QWidget>(&compute, "cmp:distBox1");
  EXPECT_EQ(compute.itemAt(quality->mapTo(&compute, quality->rect().center())),
            "Compute Quality of Picked Element\nResult is stored in Terminal");
  EXPECT_EQ(compute.itemAt(computeDistance->mapTo(&compute, computeDistance->rect().center())),
            ZelCompute::distToolTip());
  EXPECT_EQ(compute.itemAt(QPoint(0, 0)), "No ToolTip");
  EXPECT_EQ(tipAt(&compute, quality), ZelCompute::qualToolTip());
  EXPECT_EQ(tipAt(&compute, nullptr), "");  // nothing under the pointer: the tip goes
}

// The preference pages on a private settings store, and the stored mesh preferences applied to
// every display record of a new scene.
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <set>

#include "tests/panels/PanelKit.h"
#include "zelvane/panels/ZelGenPref.h"
#include "zelvane/panels/ZelMshPref.h"
#include "zelvane/panels/ZelTermPref.h"

namespace {

QVariant stored(const char *key) { return QSettings().value(key); }

// A choice in a combo as the user makes it: the row becomes current, then activated(row).
void choose(QComboBox *combo, int row) {
  combo->setCurrentIndex(row);
  emit combo->activated(row);
}

void enter(QLineEdit *edit, const QString &text) {
  edit->setText(text);
  QTest::keyClick(edit, Qt::Key_Return);
}

template <class Page>
std::unique_ptr<Page> quietPage() {
  std::unique_ptr<Page> page;
  CaptureText([&] { page.reset(new Page); });
  return page;
}

const std::set<int> EdgeKinds = {KmfEdges, KmfEdgesP2};
const std::set<int> FaceKinds = {KmfTriangles, KmfTrianglesP2, KmfQuadrilaterals, KmfQuadrilateralsQ2};
const std::set<int> VolumeKinds = {KmfTetrahedra, KmfTetrahedraP2, KmfHexahedra, KmfHexahedraQ2, KmfPyramids,
                                   KmfPrisms};

uint32_t faceMode(const ZelEntDisplayList &r) { return (r.Opt.Render >> 1) & 7; }
uint32_t lineMode(const ZelEntDisplayList &r) { return (r.Opt.Render >> 4) & 7; }

}  // namespace

TEST(Preferences, AnEmptyStoreShowsTheDefaults) {
  ClearStore();
  std::unique_ptr<ZelGenPref> gen;
  const Captured made = CaptureText([&] { gen.reset(new ZelGenPref); });
  EXPECT_EQ(made.Out, QSettings().fileName().toStdString() + "\n");
  EXPECT_EQ(QStringList({gen->widthEdit()->text(), gen->heightEdit()->text(), gen->termCombo()->currentText(),
                         gen->termHeightEdit()->text()}),
            QStringList({"800", "800", "Lock", "90"}));
  EXPECT_TRUE(gen->toolBarCheck()->isChecked());

  auto mesh = quietPage<ZelMshPref>();
  EXPECT_EQ(QStringList({mesh->linesCombo()->currentText(), mesh->surfFaceCombo()->currentText(),
                         mesh->surfLineCombo()->currentText(), mesh->volFaceCombo()->currentText()}),
            QStringList({"ref", "grey", "back", "grey"}));
  EXPECT_FALSE(mesh->solutionCheck()->isChecked());

  ZelTermPref term;
  for (int i = 0; i < ZelTermPref::SwitchCount; i++) EXPECT_FALSE(term.check(ZelTermPref::Switch(i))->isChecked());
  EXPECT_TRUE(QSettings().allKeys().isEmpty());  // showing writes nothing
}

TEST(Preferences, EveryControlStoresAtOnceAndResetStoresItsOwnValues) {
  ClearStore();
  auto gen = quietPage<ZelGenPref>();
  std::vector<int> modules;
  for (int row : {1, 0, 2, 1}) {  // Free, Lock, Off, Free
    choose(gen->termCombo(), row);
    modules.push_back(stored("module").toInt());
  }
  EXPECT_EQ(modules, std::vector<int>({3, 19, 18, 3}));
  gen->toolBarCheck()->click();
  EXPECT_EQ(stored("module").toInt(), 1);
  enter(gen->widthEdit(), "640");
  EXPECT_EQ(stored("size").toSize(), QSize(640, 800));
  gen->resetButton()->click();
  EXPECT_EQ(stored("size").toSize(), QSize(800, 800));
  EXPECT_EQ(stored("module").toInt(), 19);
  EXPECT_EQ(stored("Terminal height").toInt(), 100);  // not the missing key's 90
  EXPECT_TRUE(gen->toolBarCheck()->isChecked());

  auto mesh = quietPage<ZelMshPref>();
  const auto meshKeys = [] {
    std::vector<int> v;
    for (const char *key : {"Lines Pref", "Surf Pref", "Vol Pref", "Show Sol"}) v.push_back(stored(key).toInt());
    return v;
  };
  choose(mesh->linesCombo(), 3);
  choose(mesh->surfFaceCombo(), 0);
  choose(mesh->volFaceCombo(), 1);
  mesh->solutionCheck()->click();
  EXPECT_EQ(meshKeys(), std::vector<int>({0x30, 0x10 + 4, 2, 64}));
  mesh->resetButton()->click();
  EXPECT_EQ(meshKeys(), std::vector<int>({0x20, 22, 6, 0}));
  EXPECT_FALSE(stored("Show Vol").isValid());  // nothing writes it

  ZelTermPref term;
  for (auto sw : {ZelTermPref::Coord, ZelTermPref::Solution, ZelTermPref::DihAngles}) term.check(sw)->click();
  EXPECT_EQ(stored("verbose").toInt(), 0x8000 | 1 | 0x40000);
  term.resetButton()->click();
  EXPECT_EQ(stored("verbose").toInt(), 0);
  for (int i = 0; i < ZelTermPref::SwitchCount; i++) EXPECT_FALSE(term.check(ZelTermPref::Switch(i))->isChecked());
  ClearStore();
}

// Shown, the General page shows its frame, of its own size, with the controls inside it.
TEST(Preferences, TheGeneralPageShownShowsItsFrameOfControls) {
  ClearStore();
  auto gen = quietPage<ZelGenPref>();
  gen->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(gen.get()));
  const QGroupBox *frame = gen->findChild<QGroupBox *>();
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->isVisible());
  EXPECT_EQ(frame->size(), QSize(240, 100));
  EXPECT_TRUE(gen->rect().contains(frame->geometry()));
  EXPECT_TRUE(frame->isAncestorOf(gen->widthEdit()) && gen->widthEdit()->isVisible());
  EXPECT_TRUE(frame->rect().contains(gen->widthEdit()->geometry()));
}

TEST(Preferences, SizesThatAreNotWholeNumbersAboveZeroAreNotStored) {
  ClearStore();
  auto gen = quietPage<ZelGenPref>();
  for (const char *text : {"abc", "0", "-3", "12.5", ""}) {
    enter(gen->widthEdit(), text);
    EXPECT_FALSE(stored("size").isValid()) << text;
    EXPECT_EQ(gen->widthEdit()->text(), "800") << text;
    enter(gen->termHeightEdit(), text);
    EXPECT_FALSE(stored("Terminal height").isValid()) << text;
    EXPECT_EQ(gen->termHeightEdit()->text(), "90") << text;
  }
  enter(gen->termHeightEdit(), "120");
  EXPECT_EQ(stored("Terminal height").toInt(), 120);
  ClearStore();
}

TEST(Preferences, StoredMeshPreferencesReachEveryRecordOfANewScene) {
  ClearStore();
  PanelScene scene(EveryKindMesh);
  // Another state first, so that every applied mode shows.
  zelUpdateAllDisplayListsOptions(ZelOptFaceMode | ZelOptLineMode, 0x24, 0, scene.get());
  scene->Flags |= ZelFlgVolumes | ZelFlgTime;
  zelUpdateAllTypeDisplayListsOptions2(scene.get());
  int edges = 0, faces = 0, volumes = 0;
  ForEachRecord(scene.get(), [&](int kind, ZelEntDisplayList &r) {
    if (EdgeKinds.count(kind)) edges += lineMode(r) == ZelModeRef;
    if (FaceKinds.count(kind)) faces += faceMode(r) == ZelModeGrey && lineMode(r) == ZelModeBack;
    if (VolumeKinds.count(kind)) volumes += faceMode(r) == ZelModeGrey && lineMode(r) == ZelModeOff;
  });
  EXPECT_EQ(std::vector<int>({edges, faces, volumes}), std::vector<int>({2, 4, 6}));
  EXPECT_EQ(scene->Flags & (ZelFlgVolumes | ZelFlgTime), 0u);

  QSettings().setValue("Show Sol", 64);
  QSettings().setValue("Show Vol", 0x20000);
  QSettings().setValue("Lines Pref", 0x40);  // line code 4: no row on the page, applied as it is
  scene->ActFld = -1;
  scene->SolFlags = 0;
  zelUpdateAllTypeDisplayListsOptions2(scene.get());
  EXPECT_EQ(scene->SolFlags, 0x20u);
  EXPECT_EQ(scene->ActFld, 0);
  EXPECT_EQ(scene->Flags & (ZelFlgVolumes | ZelFlgTime), ZelFlgVolumes | ZelFlgTime);
  int mapped = 0, others = 0, codeFour = 0;
  ForEachRecord(scene.get(), [&](int kind, ZelEntDisplayList &r) {
    const bool drawn = EdgeKinds.count(kind) || FaceKinds.count(kind) || VolumeKinds.count(kind);
    (drawn ? mapped : others) += (r.Opt.Solution & ZelSolShading) != 0;
    codeFour += EdgeKinds.count(kind) && lineMode(r) == 4;
  });
  EXPECT_EQ(std::vector<int>({mapped, others, codeFour}), std::vector<int>({12, 0, 2}));

  auto page = quietPage<ZelMshPref>();
  EXPECT_EQ(page->linesCombo()->currentText(), "off");
  EXPECT_TRUE(page->solutionCheck()->isChecked());
  ClearStore();
}

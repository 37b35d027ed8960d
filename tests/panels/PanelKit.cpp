// Panel test helpers.
#include "tests/panels/PanelKit.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTest>

#include "common/model/Mesh.h"
#include "tests/support/FakeHooks.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/gui/QZelBase.h"
#include "zelvane/gui/ZelToolBox.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScene.h"

namespace {
// The panels open the store under the application's names; the tests set them as the
// application object does, before any store opens.
class NamesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    QCoreApplication::setOrganizationName("Tavrel");
    QCoreApplication::setApplicationName("Zelvane");
  }
};
const auto *const names = ::testing::AddGlobalTestEnvironment(new NamesEnvironment);
}  // namespace

void ClearStore() {
  QSettings settings;
  settings.clear();
  settings.sync();
}

void ClickHeader(ZelToolBox *box) {
  // The indicator's place as the box's style draws it.
  QStyleOptionGroupBox opt;
  opt.initFrom(box);
  opt.text = box->title();
  opt.lineWidth = 1;
  opt.textAlignment = box->alignment();
  opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxCheckBox | QStyle::SC_GroupBoxLabel;
  opt.features = box->isFlat() ? QStyleOptionFrame::Flat : QStyleOptionFrame::None;
  opt.state |= box->isChecked() ? QStyle::State_On : QStyle::State_Off;
  const QRect indicator = box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxCheckBox, box);
  QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
  QCoreApplication::processEvents();
}

void ClickCheck(QWidget *check) {
  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
  QCoreApplication::processEvents();
}

bool IsClosed(const ZelToolBox *box) {
  return !box->isChecked() && box->height() == 20 && box->maximumHeight() == 20 && box->isFlat() &&
         (!box->panel() || box->panel()->isHidden());
}

Geometric_Mesh *FlaggedGrid(Memory_List *mem, unsigned geoFlags, const std::vector<int> &fieldTypes) {
  Geometric_Mesh *m = TriangleGrid(mem, 1, 1, fieldTypes);
  m->GeoFlags |= geoFlags;
  m->NbrFilTri = m->NbrTri;
  return m;
}

void ForEachRecord(ZelScene *scene, const std::function<void(int kind, ZelEntDisplayList &record)> &f) {
  for (int kind : ZelEntityOrder) {
    ZelEntity *e = zelGetEntity(scene->ZelMsh, kind);
    if (!e || !e->DspLst) continue;
    for (int i = 1; i <= e->NbrLst; i++) f(kind, e->DspLst[i]);
  }
}

std::vector<Call> Built(const FakeHooks &hooks) {
  std::vector<Call> calls;
  for (const FakeListCall &c : hooks.ListCalls)
    if (c.Update) calls.emplace_back(c.Kind, c.Ref, c.Mask);
  return calls;
}

// Panel test helpers.
#include "tests/panels/PanelKit.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QStyle>
#include <QStyleOptionGroupBox>

#include "zelvane/gui/QZelBase.h"

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

// A click in a list just opened is ignored for a double-click interval: the keyboard chooses.
void Choose(QComboBox *combo, int row) {
  combo->showPopup();
  QAbstractItemView *view = combo->view();
  view->setCurrentIndex(view->model()->index(row, 0));
  QTest::keyClick(view, Qt::Key_Return);
  QCoreApplication::processEvents();
}

void Type(QLineEdit *field, const QString &text) {
  field->setText(text);
  emit field->editingFinished();
}

std::vector<std::pair<QString, int>> Rows(const QComboBox *combo) {
  std::vector<std::pair<QString, int>> r;
  for (int i = 0; i < combo->count(); i++) r.push_back({combo->itemText(i), combo->itemData(i).toInt()});
  return r;
}

std::unique_ptr<Viewer> QuietViewer(const std::function<Geometric_Mesh *(Memory_List *)> &make) {
  std::unique_ptr<Viewer> v;
  CaptureText([&] { v.reset(new Viewer(make, 0)); });
  return v;
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

ZelEntDisplayList &Rec(ZelScene *scene, int kind, int ref) {
  ZelEntDisplayList *found = nullptr;
  ForEachRecord(scene, [&](int k, ZelEntDisplayList &r) {
    if (k == kind && r.Ref == ref) found = &r;
  });
  EXPECT_NE(found, nullptr) << kind << " " << ref;
  static ZelEntDisplayList none{};
  return found ? *found : none;
}

std::vector<int> Refs(ZelScene *s, int kind, const std::function<bool(const ZelEntDisplayList &)> &has) {
  std::vector<int> refs;
  ForEachRecord(s, [&](int k, ZelEntDisplayList &r) {
    if (k == kind && has(r)) refs.push_back(r.Ref);
  });
  return refs;
}

std::map<int, unsigned> Words(ZelScene *s, int kind) {
  std::map<int, unsigned> words;
  ForEachRecord(s, [&](int k, ZelEntDisplayList &r) {
    if (k == kind) words[r.Ref] = r.Opt.Solution;
  });
  return words;
}

std::vector<Call> Built(const FakeHooks &hooks) {
  std::vector<Call> calls;
  for (const FakeListCall &c : hooks.ListCalls)
    if (c.Update) calls.emplace_back(c.Kind, c.Ref, c.Mask);
  return calls;
}

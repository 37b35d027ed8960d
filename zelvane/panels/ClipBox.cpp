// The clip-plane panel: the current plane's coefficients, quick planes, flip, frame, capping,
// the plane through the last pick, and the refresh from the scene.
#include "zelvane/panels/ClipBox.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/base/Memory.h"
#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "zelvane/panels/ZelElementCentre.h"
#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelDoubleSpinBox.h"
#include "zelvane/record/QZelGroupBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelScene.h"

namespace {

const uint32_t FrameBits = ZelFlgBox | 0x1u;  // the box and the plane's outline

bool allZero(const double n[3]) { return n[0] == 0.0 && n[1] == 0.0 && n[2] == 0.0; }

// The largest absolute coordinate of the mesh's box.
double boxRadius(const Geometric_Mesh *m) {
  const double lo = std::min({m->Box[0], m->Box[1], m->Box[2]});
  const double hi = std::max({m->Box[3], m->Box[4], m->Box[5]});
  return std::max(std::fabs(lo), std::fabs(hi));
}

// A bound the d field's 3 decimals keep: |v| rounded up to the thousandth.
double holdBound(double v) { return std::ceil(std::fabs(v) * 1000.0) / 1000.0; }

QZelCheckBox *check(const QString &name, ZelSequenceServer *server, const QString &text) {
  auto *box = new QZelCheckBox(name, server, text);
  QFont font;
  font.setPointSize(10);
  box->setFont(font);
  return box;
}

QLabel *label(const char *text) {
  auto *l = new QLabel(text);
  l->setFixedSize(10, 20);
  return l;
}

}  // namespace

ClipBox::ClipBox(ZelSequenceServer *server, ZelScene *scene, int id) : QZelBase(scene, server, id) {
  createGroup();
  createLayout();
  if (!scene) {
    fprintf(stderr, " ##### WARNING IN CONSTRUCTEUR MODBOX :  NO SCENE %p \n", static_cast<void *>(scene));
    return;
  }
  connectButton();
}

void ClipBox::createGroup() {
  const auto name = [this](const char *pattern) { return QString(pattern).arg(id); };
  group_ = new QZelGroupBox(name("cli:group%1"), server, "");
  grid_ = new QGridLayout;
  xyz_ = new QZelComboBox(name("cli:xyzBox:%1"), server);
  xyz_->addItem("", -1);
  xyz_->addItem("x = 0", 0);
  xyz_->addItem("y = 0", 1);
  xyz_->addItem("z = 0", 2);
  xyz_->setFixedSize(80, 20);
  grid_->addWidget(xyz_, 0, 1, Qt::AlignLeft);
  frame_ = check(name("cli:fraBox:%1"), server, "Frame");
  pick_ = check(name("cli:pikBox:%1"), server, "Intersect\nSelected Element");
  inverse_ = check(name("cli:invBox:%1"), server, "Inverse Plane");
  cut_ = check(name("cli:cutBox:%1"), server, "2D Clipping");
  int row = 1;
  for (QZelCheckBox *box : {frame_, pick_, inverse_, cut_}) grid_->addWidget(box, row++, 5, 1, 6, Qt::AlignLeft);

  const char *const labelTexts[4] = {"a ", "b ", "c ", "d "};
  const char *const fieldNames[3] = {"cli:aEdi:%1", "cli:bEdi:%1", "cli:cEdi:%1"};
  for (int i = 0; i < 4; i++) {
    labels_[i] = label(labelTexts[i]);
    grid_->addWidget(labels_[i], 2 + i, 0);
    if (i == 3) break;
    abc_[i] = new QZelLineEdit(name(fieldNames[i]), server);
    // The first texts are no user's action: the wrappers would record them.
    const QSignalBlocker quiet(abc_[i]);
    abc_[i]->setText(QString("%1").arg(0));
    abc_[i]->setFixedSize(100, 20);
    grid_->addWidget(abc_[i], 2 + i, 1);
  }
  dField_ = new QZelDoubleSpinBox(name("cli:dEdi:%1"), server);
  dField_->setDecimals(3);
  dField_->setFixedSize(110, 20);
  if (scene && scene->Msh) {
    const QSignalBlocker quiet(dField_);
    setRange();
  }
  grid_->addWidget(dField_, 5, 1);

  stepLabel_ = label("x");
  step_ = new QZelLineEdit(name("cli:preciD:%1"), server);
  {
    const QSignalBlocker quiet(step_);
    step_->setText(QString("%1").arg(10));
  }
  step_->setFixedSize(30, 20);
  setPrecision();
  percent_ = label("%");
  grid_->addWidget(stepLabel_, 5, 3, Qt::AlignRight);
  grid_->addWidget(step_, 5, 4, Qt::AlignRight);
  grid_->addWidget(percent_, 5, 5, Qt::AlignRight);

  update_ = new QZelPushButton(name("cli:updBox:%1"), server, "Update");
  update_->setFixedSize(80, 17);
  reset_ = new QZelPushButton(name("cli:resBox:%1"), server, "Reset");
  reset_->setFixedSize(80, 17);
  grid_->addWidget(update_, 6, 7, Qt::AlignRight);
  grid_->addWidget(reset_, 5, 7, Qt::AlignRight);
  pick_->setEnabled(false);
  update_->setEnabled(false);
}

void ClipBox::createLayout() {
  grid_->setContentsMargins(0, 0, 0, 0);
  grid_->setSpacing(5);
  zelFinishGroup(group_, grid_, 350, 120);
  outer_ = new QVBoxLayout;
  outer_->setContentsMargins(1, 1, 1, 1);
  outer_->setAlignment(Qt::AlignTop);
  outer_->setSpacing(1);
  outer_->addWidget(group_, 0, Qt::AlignTop);
  setLayout(outer_);
}

void ClipBox::connectButton() {
  connect(xyz_, QOverload<int>::of(&QComboBox::activated), this, &ClipBox::setDefaultPlanes);
  for (QZelLineEdit *field : abc_) connect(field, &QLineEdit::editingFinished, this, &ClipBox::setParameters);
  connect(dField_, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &ClipBox::setParamD);
  connect(step_, &QLineEdit::returnPressed, this, &ClipBox::setPrecision);
  connect(update_, &QPushButton::clicked, this, &ClipBox::setUpdate);
  connect(reset_, &QPushButton::clicked, this, &ClipBox::resetWidget);
  connect(pick_, &QCheckBox::stateChanged, this, &ClipBox::setIntersectElem);
  connect(frame_, &QCheckBox::stateChanged, this, &ClipBox::setFrame);
  connect(inverse_, &QCheckBox::stateChanged, this, &ClipBox::setInverseClip);
  connect(cut_, &QCheckBox::stateChanged, this, &ClipBox::setPlaneClip2D);
}

ZelPlaEntity *ClipBox::planes() const { return scene && scene->ZelMsh ? scene->ZelMsh->Pla : nullptr; }

int ClipBox::current() const {
  const ZelPlaEntity *pla = planes();
  return pla && pla->Cur >= 0 && pla->Cur < ZelMaxPlanes ? pla->Cur : -1;
}

// ---- coefficients

double ClipBox::getParameter(QZelLineEdit *field) { return field->text().toDouble(&read_); }

double ClipBox::getParameter(QZelDoubleSpinBox *field) { return field->value(); }

int ClipBox::isEnabledUpdate() const {
  return parsed_[0] && parsed_[1] && parsed_[2] && !(a_ == 0.0 && b_ == 0.0 && c_ == 0.0) ? 1 : 0;
}

void ClipBox::applyReadiness() { update_->setEnabled(isEnabledUpdate()); }

void ClipBox::setRange(double hold) {
  if (!scene || !scene->Msh) return;
  const double sum = std::fabs(a_) + std::fabs(b_) + std::fabs(c_);
  const double reach = boxRadius(scene->Msh) * std::max(1.0, std::isfinite(sum) ? sum : 1.0);
  const double bound = std::max(reach, holdBound(hold));
  dField_->setRange(-bound, bound);
}

void ClipBox::setD(double value) {
  if (std::isfinite(value) && holdBound(value) > dField_->maximum())
    dField_->setRange(-holdBound(value), holdBound(value));
  dField_->setValue(value);
}

void ClipBox::setParameters() {
  double *copy[3] = {&a_, &b_, &c_};
  for (int i = 0; i < 3; i++) {
    *copy[i] = getParameter(abc_[i]);
    parsed_[i] = read_;
  }
  d_ = getParameter(dField_);
  // The offset shown stays: a new normal never clamps it.
  setRange(d_);
  applyReadiness();
}

void ClipBox::setParamD(double) { applyReadiness(); }

void ClipBox::setPrecision() { dField_->setSingleStep(step_->text().toDouble() / 100.0); }

// ---- applying and switching off

void ClipBox::setUpdate() {
  if (!update_->isEnabled()) return;
  ZelPlaEntity *pla = planes();
  const int cur = current();
  if (!pla || cur < 0) return;
  // All three or nothing: a plane is never stored half new.
  double abc[3];
  for (int i = 0; i < 3; i++) {
    abc[i] = getParameter(abc_[i]);
    if (!read_) return;
  }
  double *plane = pla->Pla[cur];
  std::copy(abc, abc + 3, plane);
  plane[3] = getParameter(dField_);
  zelResetTransformPlane(scene, pla);
  pla->ShwMsk |= 1u << cur;
  pla->ActMsk |= 1u << cur;
  zelSetPlaneClip(&fi, scene, cur);
  zelUpdateAllDisplayListsOptions(ZelOptClipped, ZelLstClipped, 0, scene);
  // The volume builders draw the cut layer only while clipping is on.
  pla->On = 1;
  zelUpdateClipDisplayLists(scene);
  updateGlScene(scene);
}

void ClipBox::unClipPlane() {
  ZelPlaEntity *pla = planes();
  const int cur = current();
  if (!pla || cur < 0) return;
  const uint32_t bit = 1u << cur;
  const bool wasOn = pla->On != 0;
  const bool shown = wasOn || ((pla->ShwMsk | pla->ActMsk) & bit) || scene->Mode != 0;
  pla->ShwMsk &= ~bit;
  pla->ActMsk &= ~bit;
  pla->On = 0;
  scene->Mode = 0;
  zelUpdateAllDisplayListsOptions(ZelOptClipped, ~uint32_t(ZelLstClipped), 0, scene);
  // Volumes built as a cut layer show whole again.
  if (wasOn) zelUpdateClipDisplayLists(scene);
  // Every refresh while clipping is off comes here: the view is drawn again only when the
  // picture changes.
  if (shown) updateGlScene(scene);
}

void ClipBox::resetWidget() {
  inverse_->setCheckState(Qt::Unchecked);
  pick_->setCheckState(Qt::Unchecked);
  pick_->setEnabled(false);
  update_->setEnabled(false);
  cut_->setCheckState(Qt::Unchecked);
  xyz_->setCurrentIndex(0);
  for (QZelLineEdit *field : abc_) field->setText("");
  setD(0.0);
  step_->setText(QString("%1").arg(10));
  unClipPlane();
}

void ClipBox::setDefaultPlanes(int row) {
  if (!scene) return;
  for (QZelLineEdit *field : abc_) field->setText(QString("%1").arg(0));
  double n[3] = {0.0, 0.0, 0.0};
  if (row >= 1 && row <= 3) {
    abc_[row - 1]->setText(QString("%1").arg(1));
    n[row - 1] = 1.0;
  }
  setD(-(n[0] * scene->Ctr[0] + n[1] * scene->Ctr[1] + n[2] * scene->Ctr[2]));
  setParameters();
  // Through the pick along the new normal: the stored plane still has the old one.
  if (pick_->checkState() == Qt::Checked && !allZero(n) && planes() && current() >= 0) intersect(n);
  if (inverse_->checkState() == Qt::Checked)
    setInverseClip(Qt::Checked);
  else if (isEnabledUpdate())
    setUpdate();
  if (row == 0) unClipPlane();
}

void ClipBox::setInverseClip(int) {
  a_ = -a_;
  b_ = -b_;
  c_ = -c_;
  d_ = -d_;
  const double abc[3] = {a_, b_, c_};
  for (int i = 0; i < 3; i++) abc_[i]->setText(QString("%1").arg(abc[i]));
  setD(d_);
  setUpdate();
}

void ClipBox::setFrame(int state) {
  ZelPlaEntity *pla = planes();
  const int cur = current();
  if (!pla || cur < 0) return;
  const bool on = zelChecked(state);
  zelSetBits(pla->ShwMsk, 1u << cur, on);
  zelSetBits(pla->ActMsk, 1u << cur, on);
  zelSetBits(scene->Flags, FrameBits, on);
  updateGlScene(scene);
}

void ClipBox::setPlaneClip2D(int state) {
  ZelPlaEntity *pla = planes();
  if (!pla) return;
  pla->Mode = 0;
  zelSetBits(scene->Flags, ZelFlgCapping, zelChecked(state));
  setUpdate();
}

// ---- the plane through a pick

bool ClipBox::intersect(const double n[3]) {
  // The history empties behind a checked box (Change References' Reset, the bottom bar): like
  // a pick without an element, it leaves the plane where it is.
  const GeoStackItem *top = geoTopHybridStack(scene->Pck);
  if (!top || top->Typ == KmfNormalAtVertices || top->Typ == 200 || top->Typ == 201) {
    fprintf(stderr, " ## WARNING: CLIPBOX::SETINTERSECTELEM: TYPE %s IS UNKNOW \n", zelGetTypeName(top ? top->Typ : 0));
    return false;
  }
  if (!zelHasElementCentre(top->Typ)) {
    fprintf(stderr, " ## ERROR: CLIPBOX::SETINTERSECTELEM: TYPE %s IS UNKNOW \n", zelGetTypeName(top->Typ));
    myexit("FATAL INTERNAL ERROR: INVALID TYPE \n", 100);
  }
  double centre[3];
  // An element gone since it was picked has no centre: the plane stays.
  if (!zelElementCentre(scene->Msh, top->Idx, top->Typ, centre)) return false;
  const double s = n[0] * centre[0] + n[1] * centre[1] + n[2] * centre[2];
  d_ = getParameter(dField_);
  setD(-s);
  return true;
}

void ClipBox::setIntersectElem(int state) {
  if (!scene || !scene->Msh || !scene->Pck || scene->Pck->Top < 0 || !planes() || current() < 0) return;
  const double *plane = planes()->Pla[current()];
  if (allZero(plane)) return;
  if (state == Qt::Unchecked) {
    setD(d_);
    return;
  }
  intersect(plane);
}

// ---- refresh

void ClipBox::zelUpdate() {
  ZelPlaEntity *pla = planes();
  if (!pla) return;
  if (pla->On == 0) {
    resetWidget();
    return;
  }
  if (scene->Pck) pick_->setEnabled(scene->Pck->Top != -1);
  const int cur = current();
  if (cur < 0) return;
  const double *plane = pla->Pla[cur];
  if (scene->Mode != 0) {
    d_ = plane[3];
    pick_->setCheckState(Qt::Unchecked);
  } else if (pick_->checkState() == Qt::Checked) {
    setIntersectElem(Qt::Checked);
  }
  frame_->setCheckState(scene->Mode != 0 ? Qt::Checked : Qt::Unchecked);
  cut_->setCheckState(scene->Flags & ZelFlgCapping ? Qt::Checked : Qt::Unchecked);
  int row = 0;
  for (int axis = 0; axis < 3; axis++)
    if (plane[axis] == 1.0 && plane[(axis + 1) % 3] == 0.0 && plane[(axis + 2) % 3] == 0.0) row = axis + 1;
  xyz_->setCurrentIndex(row);
  for (int i = 0; i < 3; i++) abc_[i]->setText(QString().setNum(plane[i], 'g', 6));
  setD(plane[3]);
  setParameters();
  applyReadiness();
}

void ClipBox::clearWidget() {
  outer_ = nullptr;
  group_ = nullptr;
  grid_ = nullptr;
  xyz_ = nullptr;
  pick_ = inverse_ = frame_ = cut_ = nullptr;
  std::fill(labels_, labels_ + 4, nullptr);
  std::fill(abc_, abc_ + 3, nullptr);
  dField_ = nullptr;
  stepLabel_ = percent_ = nullptr;
  step_ = nullptr;
  update_ = reset_ = nullptr;
  std::fill(parsed_, parsed_ + 3, false);
  read_ = false;
  a_ = b_ = c_ = d_ = 0.0;
}

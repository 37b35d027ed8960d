// The collapsible page box.
#include "zelvane/gui/ZelToolBox.h"

#include <QFont>
#include <QVBoxLayout>

#include "zelvane/gui/QZelBase.h"

namespace {
const char *const IndicatorStyle =
    "QZelGroupBox::indicator {\twidth: 10px;\theight: 10px;}"
    "QZelGroupBox::indicator:checked {\timage: url(:/images/triangle.png);}"
    "QZelGroupBox::indicator:unchecked {\timage: url(:/images/triangle2.png);}";
// Height of a closed box: its header alone.
constexpr int ClosedHeight = 20;
}  // namespace

ZelToolBox::ZelToolBox(const QString &name, QSize size, ZelSequenceServer *server, QWidget *)
    : QZelGroupBox(name, server, QString("Empty %1").arg(name), nullptr) {
  layout_ = new QVBoxLayout;
  layout_->setSizeConstraint(QLayout::SetMaximumSize);
  layout_->setContentsMargins(5, 5, 0, 0);
  setLayout(layout_);
  size_ = size;
  QFont font;
  font.setFixedPitch(true);
  font.setPointSize(12);
  setFont(font);
  setAlignment(Qt::AlignTop);
  setCheckable(true);
  setFixedWidth(size_.width());
  setStyleSheet(IndicatorStyle);
  collapse();
  connect(this, &QGroupBox::toggled, this, &ZelToolBox::setVisibleBox);
  // Replay re-emits only clicked(bool): without this a replayed header click would change
  // nothing.
  connect(this, &QGroupBox::clicked, this, &ZelToolBox::setVisibleBox);
}

ZelToolBox::~ZelToolBox() {
  delete layout_;
  delete panel_;
}

void ZelToolBox::shut() {
  if (panel_) panel_->hide();
  // The maximum-size constraint would give the box its layout's height (the header and the
  // margins) at the next layout pass: a closed box keeps its 20 pixels without it.
  layout_->setSizeConstraint(QLayout::SetNoConstraint);
  setFlat(true);
  setFixedHeight(ClosedHeight);
}

void ZelToolBox::spread() {
  setMinimumHeight(0);
  setMaximumHeight(QWIDGETSIZE_MAX);
  // The box grows back to its page's height at the next layout pass.
  layout_->setSizeConstraint(QLayout::SetMaximumSize);
  setFlat(false);
}

void ZelToolBox::collapse() {
  setChecked(false);
  shut();
}

void ZelToolBox::addWidget(QZelBase *panel, const QString &title) {
  setTitle(title);
  panel_ = panel;
  if (panel) layout_->addWidget(panel);
  if (isCheckable())
    collapse();
  else
    spread();
}

void ZelToolBox::setVisibleBox(bool state) {
  if (!isCheckable()) return;
  // setChecked emits toggled, which calls this again with the same state: harmless.
  setChecked(state);
  if (state && panel_) {
    panel_->show();
    panel_->setEnabled(true);
    spread();
    return;
  }
  shut();
}

void ZelToolBox::update() {
  if (panel_) panel_->zelUpdate();
}

void ZelToolBox::zelInit() {
  if (panel_) panel_->zelInit();
}

void ZelToolBox::clearWidget() {
  layout_ = nullptr;
  panel_ = nullptr;
}

// The tool window and its list of page boxes.
#include "zelvane/gui/ZelTool.h"

#include <QKeyEvent>
#include <QRect>
#include <QVBoxLayout>
#include <cstdio>

#include "zelvane/gui/QZelBase.h"
#include "zelvane/gui/ZelToolBox.h"
#include "zelvane/record/QZelObject.h"

ZelTool::ZelTool(ZelSequenceServer *server, const QRect &rect, const QString &title, QWidget *parent)
    : QWidget(parent, Qt::Window) {
  initialize(server, rect, title);
}

void ZelTool::initialize(ZelSequenceServer *server, const QRect &rect, const QString &title) {
  server_ = server;
  size_ = rect.size();
  setWindowTitle(title);
  move(rect.topLeft());
  layout_ = new QVBoxLayout;
  layout_->setSizeConstraint(QLayout::SetFixedSize);
  layout_->setContentsMargins(5, 10, 5, 10);
  layout_->setSpacing(10);
  setLayout(layout_);
}

void ZelTool::setRect(const QRect &rect) {
  size_ = rect.size();
  move(rect.topLeft());
}

ZelTool::~ZelTool() {
  delete layout_;
  qDeleteAll(boxes_);
}

ZelToolBox *ZelTool::newBox(int index) {
  auto *box = new ZelToolBox(QString("%1_%2").arg(windowTitle()).arg(boxes_.size()), size_, server_, this);
  boxes_.insert(index, box);
  return box;
}

void ZelTool::addWidgetsToLayout() {
  // Adding a box already laid out moves it to the end, so the layout ends in list order.
  for (ZelToolBox *box : boxes_) layout_->addWidget(box);
}

void ZelTool::addWidget(QZelBase *panel, const QString &title, bool open) {
  insertWidget(boxes_.size(), panel, title, open);
}

void ZelTool::insertWidget(int index, QZelBase *panel, const QString &title, bool open) {
  ZelToolBox *box = newBox(qBound(0, index, boxes_.size()));
  box->addWidget(panel, title);
  box->setVisibleBox(open);
  addWidgetsToLayout();
}

void ZelTool::addUnCheckableWidget(QZelBase *panel, const QString &title, bool shown) {
  ZelToolBox *box = newBox(boxes_.size());
  box->setCheckable(false);
  box->addWidget(panel, title);
  if (panel) {
    panel->setVisible(shown);
    panel->setEnabled(shown);
  }
  box->setFlat(false);
  addWidgetsToLayout();
}

void ZelTool::addToolBox(ZelToolBox *box) {
  if (!box) return;
  boxes_.append(box);
  layout_->addWidget(box);
}

void ZelTool::addToolBox(const QList<ZelToolBox *> &boxes) {
  for (ZelToolBox *box : boxes) addToolBox(box);
}

void ZelTool::setVisibleBox(bool state) {
  for (ZelToolBox *box : boxes_) box->setVisibleBox(state);
}

void ZelTool::setVisibleBox(QZelBase *panel, bool state) {
  for (ZelToolBox *box : boxes_)
    if (box->panel() == panel) box->setVisibleBox(state);
}

void ZelTool::setVisibleBox(int index, bool state) {
  if (index >= 0 && index < boxes_.size()) boxes_[index]->setVisibleBox(state);
}

void ZelTool::update() {
  for (ZelToolBox *box : boxes_) box->update();
}

void ZelTool::zelInit() {
  for (ZelToolBox *box : boxes_) box->zelInit();
}

QZelBase *ZelTool::getZelBase(const QString &title) const {
  for (ZelToolBox *box : boxes_)
    if (box->title().compare(title, Qt::CaseInsensitive) == 0) return box->panel();
  return nullptr;
}

QZelBase *ZelTool::getZelBase(int index) const {
  if (index < 0 || index >= boxes_.size()) {
    printf(" ### ERROR : ZELTOOL::GETZELBASE TOO MANY NUMBER OF WIDGET\n");
    fflush(stdout);
    return nullptr;
  }
  return boxes_[index]->panel();
}

void ZelTool::clearWidget() {
  boxes_.clear();
  layout_ = nullptr;
}

void ZelTool::keyPressEvent(QKeyEvent *event) {
  if (auto *owner = dynamic_cast<QZelObject *>(parent())) owner->keyPressEvent(event);
}

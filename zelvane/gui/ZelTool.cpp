// The tool window and its list of page boxes.
#include "zelvane/gui/ZelTool.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QRect>
#include <QVBoxLayout>
#include <cstdio>

#include "zelvane/gui/QZelBase.h"
#include "zelvane/gui/ZelToolBox.h"

ZelTool::ZelTool(ZelSequenceServer *server, const QRect &rect, const QString &title, QWidget *parent)
    : QWidget(parent, Qt::Window), server_(server), size_(rect.width(), rect.height()) {
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

ZelToolBox *ZelTool::newBox() {
  auto *box = new ZelToolBox(QString("%1_%2").arg(windowTitle()).arg(boxes_.size()), size_, server_, this);
  boxes_.append(box);
  return box;
}

void ZelTool::refillLayout() {
  // Adding a box already laid out moves it to the end, so the layout ends in list order.
  for (ZelToolBox *box : boxes_) layout_->addWidget(box);
}

void ZelTool::addWidget(QZelBase *panel, const QString &title, bool open) {
  ZelToolBox *box = newBox();
  box->addWidget(panel, title);
  box->setVisibleBox(open);
  refillLayout();
}

void ZelTool::addUnCheckableWidget(QZelBase *panel, const QString &title, bool shown) {
  ZelToolBox *box = newBox();
  box->setCheckable(false);
  box->addWidget(panel, title);
  if (panel) {
    panel->setVisible(shown);
    panel->setEnabled(shown);
  }
  box->setMinimumHeight(0);
  box->setMaximumHeight(QWIDGETSIZE_MAX);
  box->setFlat(false);
  refillLayout();
}

void ZelTool::setVisibleBox(int index, bool state) {
  if (index >= 0 && index < boxes_.size()) boxes_[index]->setVisibleBox(state);
}

void ZelTool::update() {
  for (ZelToolBox *box : boxes_) box->update();
}

QZelBase *ZelTool::getZelBase(const QString &title) const {
  for (ZelToolBox *box : boxes_)
    if (box->title().compare(title, Qt::CaseInsensitive) == 0) return box->panel();
  return nullptr;
}

QZelBase *ZelTool::getZelBase(int index) const {
  if (index < 0 || index >= boxes_.size()) {
    printf(" ### ERROR : ZELTOOL::GETZELBASE TOO MANY NUMBER OF WIDGET\n");
    return nullptr;
  }
  return boxes_[index]->panel();
}

void ZelTool::keyPressEvent(QKeyEvent *event) {
  if (QObject *owner = parent()) QCoreApplication::sendEvent(owner, event);
}

// The view's input handlers and the replay of each event on the linked views.
#include <QKeyEvent>
#include <QMouseEvent>

#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/ZelViewInput.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/scene/ZelScene.h"

namespace {

bool hasEvents(const ZelScene *scene) { return scene && scene->VieEvt && scene->ClpEvt; }

// The event record a mouse event goes to: the view event in view mode, the clip event while
// a clip plane is edited.
ZelEvent *mouseRecord(ZelScene *scene) { return scene->Mode == 0 ? scene->VieEvt : scene->ClpEvt; }

// The press's own modifiers, none included: a Shift or Alt pressed alone before (Alt+F1, ">")
// left its key bit in the record, and kept, it would turn a plain click into a pick.
void setPressBits(ZelEvent *e, const QMouseEvent *event) {
  if (int b = zelButtonCode(event->buttons())) e->buttons = uint32_t(b);
  e->keyBits = zelPressModifierBits(event->modifiers());
}

void setMoveBits(ZelEvent *e, const QMouseEvent *event) {
  e->buttons = uint32_t(zelButtonCode(event->buttons()));
  e->keyBits = zelMoveModifierBits(event->modifiers());
}

void setKeyBits(ZelEvent *e, const QKeyEvent *event, bool resetBits) {
  e->keyChar = ' ';
  if (resetBits) e->keyBits = 0;
  if (!event->text().isEmpty()) {
    const QByteArray latin = event->text().toLatin1();
    e->keyChar = latin.isEmpty() ? 0 : static_cast<int8_t>(latin[0]);
  }
  if (event->key() != 0 || event->modifiers() != Qt::NoModifier) e->keyBits = zelKeyBits(event->key());
}

bool hasPlanes(const ZelScene *scene) { return scene->ClpEvt && scene->ZelMsh && scene->ZelMsh->Pla; }

}  // namespace

void GLWidget::mousePressEvent(QMouseEvent *event) {
  if (QWidget *holder = parentWidget() ? parentWidget()->parentWidget() : nullptr) holder->setFocus(Qt::OtherFocusReason);
  if (!hasEvents(scene_)) return;
  if (server_) server_->addMousePressEvent(objectName(), event);
  const QPoint p = zelDevicePosition(event->localPos(), devicePixelRatioF());
  ZelEvent *E = mouseRecord(scene_);
  setPressBits(E, event);
  ZelEvent local{};
  zelCpyEvent(E, &local);
  const int redraw = zelProcessMousePressEvent(scene_, p.x(), p.y());
  if (scene_->Mode == 1) {
    scene_->Flags &= ~ZelFlgCapping;
    setPressBits(scene_->ClpEvt, event);
  }
  if (redraw) updateGL();
  propagateMousePressEvent(&local, p.x(), p.y());
}

void GLWidget::mouseMoveEvent(QMouseEvent *event) {
  if (!hasEvents(scene_)) return;
  if (scene_->Mode != 0) scene_->Flags &= ~ZelFlgVolumes;
  if (server_) server_->addMouseMoveEvent(objectName(), event);
  const QPoint p = zelDevicePosition(event->localPos(), devicePixelRatioF());
  ZelEvent *E = mouseRecord(scene_);
  setMoveBits(E, event);
  ZelEvent local{};
  zelCpyEvent(E, &local);
  const int redraw = zelProcessMouseMoveEvent(scene_, p.x(), p.y());
  if (scene_->Mode == 1) setMoveBits(scene_->ClpEvt, event);
  if (redraw) updateGL();
  propagateMouseMoveEvent(&local, p.x(), p.y());
}

void GLWidget::mouseReleaseEvent(QMouseEvent *event) {
  if (!scene_ || !hasPlanes(scene_)) return;
  ZelEvent local{};
  if (scene_->Mode == 1) {
    if (server_) server_->addMouseReleaseEvent(objectName(), event);
    setMoveBits(scene_->ClpEvt, event);
    zelCpyEvent(scene_->ClpEvt, &local);
    zelProcessMouseReleaseEvent(scene_);
    updateGL();
  } else {
    zelCpyEvent(scene_->VieEvt, &local);
  }
  propagateMouseReleaseEvent(&local);
}

void GLWidget::keyPressEvent(QKeyEvent *event) {
  if (!hasEvents(scene_)) return;
  if (server_) server_->addKeyPressEvent(objectName(), event);
  setKeyBits(scene_->VieEvt, event, true);
  ZelEvent local{};
  zelCpyEvent(scene_->VieEvt, &local);
  const int r = zelProcessKeyEvent(scene_);
  if (scene_->Mode == 1) setKeyBits(scene_->ClpEvt, event, false);
  if (r == 1) updateGL();
  propagateKeyPressEvent(&local);
}

// ---- linked views

void GLWidget::LinkGLWidget(GLWidget *other) {
  next_ = other;
  if (other) other->prev_ = this;
}

void GLWidget::unLinkGLWidget() {
  if (prev_) prev_->next_ = next_;
  if (next_) next_->prev_ = prev_;
  next_ = prev_ = nullptr;
}

void GLWidget::propagateMousePressEvent(ZelEvent *event, int x, int y) { propagate(Kind::Press, event, x, y); }
void GLWidget::propagateMouseMoveEvent(ZelEvent *event, int x, int y) { propagate(Kind::Move, event, x, y); }
void GLWidget::propagateMouseReleaseEvent(ZelEvent *event) { propagate(Kind::Release, event, 0, 0); }
void GLWidget::propagateKeyPressEvent(ZelEvent *event) { propagate(Kind::Key, event, 0, 0); }

void GLWidget::propagate(Kind kind, ZelEvent *event, int x, int y) {
  if (!scene_) return;
  // A chain closed on itself would never end: each walk stops where it started.
  for (GLWidget *v = next_; v && v != this; v = v->next_)
    if (!replayOn(v, kind, event, x, y)) return;
  for (GLWidget *v = prev_; v && v != this; v = v->prev_)
    if (!replayOn(v, kind, event, x, y)) return;
}

bool GLWidget::replayOn(GLWidget *view, Kind kind, ZelEvent *event, int x, int y) {
  ZelScene *S = view->scene_;
  if (!S) return true;
  if (!zelLnkSceneView(event, scene_, S)) return true;
  switch (kind) {
    case Kind::Press:
      if (zelProcessMousePressEvent(S, x, y)) view->updateGL();
      break;
    case Kind::Move:
      if (S->ClpEvt) S->ClpEvt->buttons = event->buttons;
      if (zelProcessMouseMoveEvent(S, x, y)) view->updateGL();
      break;
    case Kind::Key:
      if (zelProcessKeyEvent(S)) view->updateGL();
      break;
    case Kind::Release:
      if (!hasPlanes(S)) return false;
      if (S->Mode == 1 && zelProcessMouseReleaseEvent(S)) view->updateGL();
      break;
  }
  return true;
}

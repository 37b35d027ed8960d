// Mouse records: button state and position of a press, move or release in the view.
#include "zelvane/record/ZelMouseSequence.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <cmath>
#include <istream>
#include <ostream>

#include "common/base/ScreenRange.h"
#include "zelvane/record/QZelObject.h"
#include "zelvane/record/ZelSeqText.h"

ZelMouseSequence::ZelMouseSequence(int t, const QString &n, const QMouseEvent *event)
    : ZelSequence(t, n),
      button(int(event->button())),
      buttons(int(event->buttons())),
      modifiers(int(event->modifiers())),
      x(int(std::floor(event->localPos().x() + 0.5))),
      y(int(std::floor(event->localPos().y() + 0.5))) {}

ZelMouseSequence::ZelMouseSequence(int t, std::istream &is)
    : ZelSequence(t, is), button(0), buttons(0), modifiers(0), x(0), y(0) {
  is >> button >> buttons >> modifiers >> x >> y;
  x = ClampScreenPos(x);
  y = ClampScreenPos(y);
}

void ZelMouseSequence::save(std::ostream &os) {
  saveBase(os);
  os << button << ' ' << buttons << ' ' << modifiers << ' ' << x << ' ' << y << '\n';
}

void ZelMouseSequence::exec(QZelObject *target) {
  if (!target) return;
  announce("mouse ", target);
  QObject *receiver = target->getQObject();
  if (!receiver) return;
  QEvent::Type kind = type == 6 ? QEvent::MouseButtonPress
                      : type == 7 ? QEvent::MouseMove
                      : type == 8 ? QEvent::MouseButtonRelease
                                  : QEvent::None;
  QCoreApplication::postEvent(receiver, new QMouseEvent(kind, QPointF(x, y), Qt::MouseButton(button),
                                                        Qt::MouseButtons(buttons), Qt::KeyboardModifiers(modifiers)));
}

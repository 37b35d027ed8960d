// Move records: the offset a main window was moved by.
#include "zelvane/record/ZelMoveSequence.h"

#include <QMoveEvent>
#include <istream>
#include <ostream>

#include "common/base/ScreenRange.h"
#include "zelvane/record/QZelObject.h"
#include "zelvane/record/ZelSeqText.h"

ZelMoveSequence::ZelMoveSequence(const QString &n, const QMoveEvent *event)
    : ZelSequence(2, n), dx(event->pos().x() - event->oldPos().x()), dy(event->pos().y() - event->oldPos().y()) {}

ZelMoveSequence::ZelMoveSequence(std::istream &is) : ZelSequence(2, is), dx(0), dy(0) {
  if (!(is >> dx >> dy)) return;
  dx = ClampScreenPos(dx);
  dy = ClampScreenPos(dy);
  zelSeqOut() << " Seq: dx " << dx << " dy " << dy << '\n';
}

void ZelMoveSequence::save(std::ostream &os) {
  saveBase(os);
  os << dx << ' ' << dy << " \n";
}

void ZelMoveSequence::exec(QZelObject *target) {
  if (!target) return;
  announce("move ", target);
  target->zelMove(dx, dy);
}

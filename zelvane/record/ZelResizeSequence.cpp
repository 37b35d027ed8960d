// Resize records: the size a main window was given.
#include "zelvane/record/ZelResizeSequence.h"

#include <QResizeEvent>
#include <istream>
#include <ostream>

#include "common/base/ScreenRange.h"
#include "zelvane/record/QZelObject.h"
#include "zelvane/record/ZelSeqText.h"

ZelResizeSequence::ZelResizeSequence(const QString &n, const QResizeEvent *event)
    : ZelSequence(3, n), width(event->size().width()), height(event->size().height()) {}

ZelResizeSequence::ZelResizeSequence(std::istream &is) : ZelSequence(3, is), width(0), height(0) {
  if (!(is >> width >> height)) return;
  width = ClampScreenSize(width);
  height = ClampScreenSize(height);
  zelSeqOut() << " Seq: w " << width << " h " << height << '\n';
}

void ZelResizeSequence::save(std::ostream &os) {
  saveBase(os);
  os << width << ' ' << height << " \n";
}

void ZelResizeSequence::exec(QZelObject *target) {
  if (!target) return;
  announce("risize ", target);
  target->zelResize(width, height);
}

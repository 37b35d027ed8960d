// Window-state records: minimised, maximised, full-screen bits of a main window.
#include "zelvane/record/ZelWindowStateSequence.h"

#include <istream>
#include <ostream>

#include "zelvane/record/QZelObject.h"
#include "zelvane/record/ZelSeqText.h"

ZelWindowStateSequence::ZelWindowStateSequence(const QString &n, int s) : ZelSequence(18, n), state(s) {}

ZelWindowStateSequence::ZelWindowStateSequence(std::istream &is) : ZelSequence(18, is), state(0) {
  if (is >> state) zelSeqOut() << " Seq: state " << state << '\n';
}

void ZelWindowStateSequence::save(std::ostream &os) {
  saveBase(os);
  os << state << '\n';
}

void ZelWindowStateSequence::exec(QZelObject *target) {
  if (!target) return;
  announce("state", target);
  target->zelSetWindowState(state);
}

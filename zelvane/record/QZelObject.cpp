// Default bodies of the recordable-object hooks: a warning naming the signal nobody replays.
#include "zelvane/record/QZelObject.h"

#include <cstdlib>
#include <ostream>

#include "zelvane/record/ZelSeqText.h"

namespace {
void warn(const char *text) { zelSeqOut() << text << '\n'; }
}  // namespace

QObject *QZelObject::getQObject() { return nullptr; }
void QZelObject::zelTriggered(bool) { warn("  warning: empty triggered signal sent "); }
void QZelObject::zelActivated(int) { warn("  warning: empty activated signal sent "); }
void QZelObject::zelClicked(bool) { warn("  warning: empty clicked signal sent   "); }
void QZelObject::zelToggled() { warn("  warning: empty toggled signal sent   "); }
void QZelObject::zelToggled(bool) { warn("  warning: empty toggled signal sent   "); }
void QZelObject::zelReturnPressed(const QString &) { warn("  warning: empty returnPressed   signal sent   "); }
void QZelObject::zelEditingFinished(const QString &) { warn("  warning: empty editingfinished signal sent   "); }
void QZelObject::zelValueChanged(int) { warn("  warning: empty valuechanged(int) signal sent   "); }
void QZelObject::zelValueChanged(double) { warn("  warning: empty valuechanged(double) signal sent   "); }
void QZelObject::zelStateChanged(int) { warn("  warning: empty stateChanged(int) signal sent   "); }
void QZelObject::zelCurrentChanged(int) { warn("  warning: empty currentChanged(int) signal sent   "); }
void QZelObject::zelTextChanged(const QString &) { warn("  warning: empty textChanged(QString) signal sent   "); }
void QZelObject::zelItemSelectionChanged(bool) { warn("  warning: empty itemSelectionChanged signal sent   "); }

void QZelObject::updateConnections() {
  warn("  error : update connections to do ");
  zelSeqOut().flush();
  std::exit(1);
}

void QZelObject::keyPressEvent(QKeyEvent *) { warn("  warning:  empty keypressed event generated "); }
void QZelObject::zelResize(int, int) { warn("  warning: empty resize generated "); }
void QZelObject::zelMove(int, int) { warn("  warning: empty move generated "); }
void QZelObject::zelSetWindowState(int) {}
void QZelObject::setSaveImage(int, int, int, const std::string &) { warn("  warning: empty save image generated "); }

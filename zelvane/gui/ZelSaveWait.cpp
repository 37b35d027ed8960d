// The window of a save in progress, and what it shows while the save waits for a lock.
#include "zelvane/gui/ZelSaveWait.h"

#include <QApplication>
#include <QThread>

#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelTerm.h"

namespace {
void *savingWindow = nullptr;

bool onGuiThread() {
  const QCoreApplication *app = QCoreApplication::instance();
  return qobject_cast<const QApplication *>(app) && QThread::currentThread() == app->thread();
}
}  // namespace

ZelSavingFor::ZelSavingFor(void *window) : previous_(savingWindow) { savingWindow = window; }

ZelSavingFor::~ZelSavingFor() { savingWindow = previous_; }

void *zelSavingWindow() { return savingWindow; }

void zelLockWaitBody(const char *, int, int waiting, const char *line) {
  if (!onGuiThread()) return;
  if (!waiting) {
    QApplication::restoreOverrideCursor();
    return;
  }
  // The toolkit sends a cursor change to the display at once; the terminal is repainted now,
  // which sends its picture too: no event is processed, so that no replay runs on meanwhile.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  auto *window = static_cast<Window *>(savingWindow);
  if (!window || !window->term() || !line) return;
  zelTermWriteText(window, line);
  window->term()->repaint();
}

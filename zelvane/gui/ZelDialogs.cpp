// The toolkit's dialogs behind the provider, and the switch between providers.
#include "zelvane/gui/ZelDialogs.h"

#include <QEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QMetaObject>

#include "zelvane/gui/ZelMessage.h"

namespace {
ZelDialogs *&installed() {
  static ZelDialogs *current = nullptr;
  return current;
}

void cancelled(const QString &title) {
  zelUnattendedSay(QString("  ## WARNING: UNATTENDED RUN: DIALOG \"%1\" CANCELLED").arg(title.simplified()));
}

// Answers "cancel" without opening anything.
class Unattended : public ZelDialogs {
 public:
  QString openFileName(QWidget *, const QString &caption, const QString &, const QString &) override {
    cancelled(caption);
    return QString();
  }
  QStringList openFileNames(QWidget *, const QString &caption, const QString &, const QString &) override {
    cancelled(caption);
    return QStringList();
  }
  QString saveFileName(QWidget *, const QString &caption, const QString &, const QString &) override {
    cancelled(caption);
    return QString();
  }
  QString text(QWidget *, const QString &title, const QString &, const QString &, bool *ok) override {
    cancelled(title);
    if (ok) *ok = false;
    return QString();
  }
  int execBox(QMessageBox &box) override {
    cancelled(box.windowTitle().isEmpty() ? box.text() : box.windowTitle());
    return QDialog::Rejected;
  }
};
}  // namespace

ZelDialogs::~ZelDialogs() = default;

QString ZelDialogs::openFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter) {
  return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QStringList ZelDialogs::openFileNames(QWidget *parent, const QString &caption, const QString &dir,
                                      const QString &filter) {
  return QFileDialog::getOpenFileNames(parent, caption, dir, filter);
}

QString ZelDialogs::saveFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter) {
  return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString ZelDialogs::text(QWidget *parent, const QString &title, const QString &label, const QString &text, bool *ok) {
  return QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, ok);
}

int ZelDialogs::execBox(QMessageBox &box) { return box.exec(); }

ZelDialogs &zelDialogs() {
  static ZelDialogs toolkit;
  static Unattended unattended;
  if (zelUnattendedNow()) return unattended;
  return installed() ? *installed() : toolkit;
}

ZelDialogs *zelSetDialogs(ZelDialogs *provider) {
  ZelDialogs *previous = installed();
  installed() = provider;
  return previous;
}

bool ZelUnattendedGuard::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::Show && zelUnattendedNow()) {
    auto *dialog = qobject_cast<QDialog *>(watched);
    if (dialog && dialog->isModal() && dialog->isWindow()) {
      const QString title = dialog->windowTitle();
      auto *box = qobject_cast<QMessageBox *>(dialog);
      cancelled(!title.isEmpty() || !box ? title : box->text());
      // Rejected from its own event loop: rejecting it now, before exec enters that loop,
      // would leave the loop waiting.
      QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    }
  }
  return QObject::eventFilter(watched, event);
}

// The toolkit's dialogs behind the provider, and the switch between providers.
#include "zelvane/gui/ZelDialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {
ZelDialogs *&installed() {
  static ZelDialogs *current = nullptr;
  return current;
}
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
  return installed() ? *installed() : toolkit;
}

ZelDialogs *zelSetDialogs(ZelDialogs *provider) {
  ZelDialogs *previous = installed();
  installed() = provider;
  return previous;
}

// The one provider of the program's file dialogs, text input boxes and modal boxes.
//
// Every window, bar and command asks for a file name, a line of text or a modal answer through
// zelDialogs(), never through the toolkit's dialogs directly, so that a test or a scripted run
// can answer in their place (zelSetDialogs). The default provider shows the toolkit's dialogs.
//
// An unattended run (zelUnattendedNow, ZelMessage.h: a replay that ends the program) has
// nobody to answer: while it goes on, zelDialogs() is a provider that opens nothing and
// cancels every dialog with one line naming it, whatever provider is installed. The guard
// (ZelUnattendedGuard) cancels in the same way any other modal dialog that is shown then.
// GUI thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QMessageBox;
class QWidget;

class ZelDialogs {
 public:
  virtual ~ZelDialogs();
  // One existing file; empty when cancelled.
  virtual QString openFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter);
  // Several existing files; empty when cancelled.
  virtual QStringList openFileNames(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter);
  // A file to write; empty when cancelled.
  virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter);
  // A line of text proposed as `text`; *ok (may be null) false when cancelled.
  virtual QString text(QWidget *parent, const QString &title, const QString &label, const QString &text, bool *ok);
  // Runs a prepared box modally and returns its result; the box's clickedButton() tells which
  // button ended it.
  virtual int execBox(QMessageBox &box);
};

// The current provider (the toolkit's dialogs until replaced).
ZelDialogs &zelDialogs();
// Installs a provider (not owned; null restores the toolkit's) and returns the previous one
// (null for the toolkit's).
ZelDialogs *zelSetDialogs(ZelDialogs *provider);

// Installed on the application as an event filter: while an unattended run goes on, a modal
// dialog that is shown (one the provider did not open: QDialog, QFileDialog, QInputDialog,
// QMessageBox...) is named in one line and rejected as soon as its event loop runs.
class ZelUnattendedGuard : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject *watched, QEvent *event) override;
};

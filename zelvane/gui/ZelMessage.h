// The program's one warning box and the sink every warning goes through.
//
// ZelMessage is shown by constructing it: a box without parent with one "Continue" button,
// run modally before the constructor returns. Callers build it on the stack and let it go.
// The sink decides what showing means: by default the modal box; tests and scripted runs
// replace it to receive the text, icon and format without a box.
//
// An unattended run has nobody to click: while the unattended hook says one is going on (a
// replay that ends the program), a ZelMessage shows no box and reaches no sink; its text goes
// to standard error and to the hook's terminal, and the constructor returns at once.
// GUI thread only.
#pragma once

#include <QMessageBox>
#include <functional>

class ZelMessage : public QMessageBox {
  Q_OBJECT

 public:
  // Warnings of the program use QMessageBox::Warning and Qt::PlainText.
  ZelMessage(const QString &text, QMessageBox::Icon icon = QMessageBox::Warning,
             Qt::TextFormat format = Qt::PlainText);
};

// The warning of a save that did not happen, on one line: "Cannot write <name>: <reason>",
// the name cut as every message quotes one (zelShownName); without a reason, the one the last
// write of this thread failed with (UserFileWriteReason), else a plain "the file was not
// written". During an unattended run the save also counts as failed (zelUnattendedSaveFailed).
void zelWarnWriteFailed(const QString &name, QString reason = QString());

using ZelMessageSink = std::function<void(const QString &text, QMessageBox::Icon icon, Qt::TextFormat format)>;

// Replaces the sink of every later ZelMessage; an empty sink restores the modal box. Returns
// the sink it replaced (empty for the modal box).
ZelMessageSink zelSetMessageSink(ZelMessageSink sink);

// running: whether an unattended run is going on now (empty: never). terminal: receives the
// text of each message of such a run as terminal rich text (plain texts through zelTermHtml);
// may be empty. saveFailed: called once per save of such a run that wrote nothing, for the
// run's exit status; may be empty.
struct ZelUnattended {
  std::function<bool()> running;
  std::function<void(const QString &html)> terminal;
  std::function<void()> saveFailed;
};

// Replaces the unattended hook; returns the one it replaced.
ZelUnattended zelSetUnattended(ZelUnattended hook);
// Whether an unattended run is going on now.
bool zelUnattendedNow();
// One plain line of an unattended run: on standard error and in the hook's terminal.
void zelUnattendedSay(const QString &line);
// A save that wrote nothing, refused before any write (zelWarnWriteFailed reports the others):
// during an unattended run, its line (zelUnattendedSay) and the hook's saveFailed; nothing
// otherwise.
void zelUnattendedSaveFailed(const QString &line);

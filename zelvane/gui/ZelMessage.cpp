// The warning box, its sink and the unattended road.
#include "zelvane/gui/ZelMessage.h"

#include <QPushButton>
#include <QTextDocument>
#include <cstdio>

#include "common/base/UserFile.h"
#include "zelvane/gui/ZelDialogs.h"
#include "zelvane/gui/ZelTerm.h"

namespace {

ZelMessageSink &sink() {
  static ZelMessageSink current;
  return current;
}

ZelUnattended &unattended() {
  static ZelUnattended current;
  return current;
}

// The text on standard error and in the terminal instead of a box nobody would close, with its
// control characters but the line feed escaped.
void report(const QString &text, Qt::TextFormat format) {
  const bool rich = format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
  const QString shown = zelShownText(text);
  const QString html = rich ? shown : zelTermHtml(shown);
  const QByteArray plain = (rich ? zelTermEcho(shown) : shown).toLocal8Bit();
  fprintf(stderr, "%s\n", plain.constData());
  fflush(stderr);
  if (unattended().terminal) unattended().terminal(html);
}

}  // namespace

ZelMessage::ZelMessage(const QString &text, QMessageBox::Icon icon, Qt::TextFormat format) : QMessageBox() {
  setTextFormat(format);
  setIcon(icon);
  setText(text);
  addButton(tr("Continue"), QMessageBox::AcceptRole);
  if (zelUnattendedNow()) {
    report(text, format);
    return;
  }
  if (sink()) {
    sink()(text, icon, format);
    return;
  }
  setFocus(Qt::OtherFocusReason);
  zelDialogs().execBox(*this);
}

void zelWarnWriteFailed(const QString &name, QString reason) {
  if (reason.isEmpty()) {
    const char *why = UserFileWriteReason();
    reason = why ? QString::fromLocal8Bit(why) : QString("the file was not written");
  }
  ZelMessage(QString("Cannot write %1: %2").arg(zelShownName(name), reason), QMessageBox::Warning, Qt::PlainText);
  if (zelUnattendedNow() && unattended().saveFailed) unattended().saveFailed();
}

ZelMessageSink zelSetMessageSink(ZelMessageSink next) {
  ZelMessageSink previous = std::move(sink());
  sink() = std::move(next);
  return previous;
}

ZelUnattended zelSetUnattended(ZelUnattended next) {
  ZelUnattended previous = std::move(unattended());
  unattended() = std::move(next);
  return previous;
}

bool zelUnattendedNow() { return unattended().running && unattended().running(); }

void zelUnattendedSay(const QString &line) { report(line, Qt::PlainText); }

void zelUnattendedSaveFailed(const QString &line) {
  if (!zelUnattendedNow()) return;
  zelUnattendedSay(line);
  if (unattended().saveFailed) unattended().saveFailed();
}

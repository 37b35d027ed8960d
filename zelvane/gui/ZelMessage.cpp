// The warning box and its sink.
#include "zelvane/gui/ZelMessage.h"

#include <QPushButton>

#include "zelvane/gui/ZelDialogs.h"

namespace {
ZelMessageSink &sink() {
  static ZelMessageSink current;
  return current;
}
}  // namespace

ZelMessage::ZelMessage(const QString &text, QMessageBox::Icon icon, Qt::TextFormat format) : QMessageBox() {
  setTextFormat(format);
  setIcon(icon);
  setText(text);
  addButton(tr("Continue"), QMessageBox::AcceptRole);
  if (sink()) {
    sink()(text, icon, format);
    return;
  }
  setFocus(Qt::OtherFocusReason);
  zelDialogs().execBox(*this);
}

ZelMessageSink zelSetMessageSink(ZelMessageSink next) {
  ZelMessageSink previous = std::move(sink());
  sink() = std::move(next);
  return previous;
}

// Signal records: the value a widget signal carried, kept as text.
#include "zelvane/record/ZelSignalSequence.h"

#include <QByteArray>
#include <QString>
#include <istream>
#include <ostream>

#include "common/base/ShownName.h"
#include "zelvane/record/QZelObject.h"
#include "zelvane/record/ZelSeqText.h"

ZelSignalSequence::ZelSignalSequence(int t, const QString &n, bool v) : ZelSequence(t, n), value(v ? "1" : "0") {}

ZelSignalSequence::ZelSignalSequence(int t, const QString &n, int v) : ZelSequence(t, n), value(std::to_string(v)) {}

ZelSignalSequence::ZelSignalSequence(int t, const QString &n, double v)
    : ZelSequence(t, n), value(zelSeqUtf8(QString::number(v, 'g', 6))) {}

ZelSignalSequence::ZelSignalSequence(int t, const QString &n, const QString &v) : ZelSequence(t, n), value(zelSeqUtf8(v)) {}

ZelSignalSequence::ZelSignalSequence(int t, std::istream &is) : ZelSequence(t, is) {
  if (zelSeqReadWord(is, value)) zelSeqOut() << " Seq: val " << ShownName(value) << '\n';
}

void ZelSignalSequence::save(std::ostream &os) {
  saveBase(os);
  os << zelSeqPackValue(value) << '\n';
}

void ZelSignalSequence::exec(QZelObject *target) {
  if (!target) return;
  announce("signal", target);
  const QByteArray bytes = QByteArray::fromStdString(value);
  const int number = bytes.toInt(nullptr, 10);
  const QString text = QString::fromUtf8(bytes);
  switch (type) {
    case 9: target->zelTriggered(number != 0); break;
    case 10: target->zelActivated(number); break;
    case 11: target->zelReturnPressed(text); break;
    case 12: target->zelEditingFinished(text); break;
    case 13: target->zelValueChanged(number); break;
    case 14: target->zelValueChanged(bytes.toDouble()); break;
    case 15: target->zelClicked(number != 0); break;
    case 16: target->zelToggled(); break;
    case 17: target->zelStateChanged(number); break;
    case 19: target->zelCurrentChanged(number); break;
    case 21: target->zelItemSelectionChanged(number != 0); break;
    case 22: target->zelToggled(number != 0); break;
    case 23: target->zelTextChanged(text); break;
    default: break;
  }
}

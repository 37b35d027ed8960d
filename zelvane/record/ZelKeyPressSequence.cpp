// Key-press records: the character, key code, modifier bits and repeat count of a key press.
#include "zelvane/record/ZelKeyPressSequence.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <algorithm>
#include <istream>
#include <ostream>

#include "zelvane/record/QZelObject.h"
#include "zelvane/record/ZelSeqText.h"

namespace {
// Replaying one key press more than this many times is a broken file, not a user's action.
constexpr int MaxKeyCount = 1000;
}  // namespace

ZelKeyPressSequence::ZelKeyPressSequence(const QString &n, const QKeyEvent *event)
    : ZelSequence(0, n), character('*'), key(event->key()), modifiers(int(event->modifiers())), count(1) {
  QByteArray text = event->text().toLatin1();
  if (!text.isEmpty() && text[0] != '\0') character = text[0];
}

ZelKeyPressSequence::ZelKeyPressSequence(std::istream &is)
    : ZelSequence(0, is), character(' '), key(0), modifiers(0), count(0) {
  if (!(is >> character >> key >> modifiers >> count)) return;
  count = std::clamp(count, 0, MaxKeyCount);
  zelSeqOut() << " Seq: c " << character << " key: " << key << " mod: " << modifiers << "  repeat " << count << '\n';
  if (character == '*' && key != Qt::Key_Asterisk) character = ' ';
}

void ZelKeyPressSequence::save(std::ostream &os) {
  auto b = static_cast<unsigned char>(character);
  saveBase(os);
  os << (b <= 0x20 || b == 0x7F ? '*' : character) << ' ' << key << ' ' << modifiers << ' ' << count << '\n';
}

void ZelKeyPressSequence::exec(QZelObject *target) {
  if (!target) return;
  zelSeqOut() << " exec sequence repeat " << count << " on " << static_cast<const void *>(target) << '\n';
  QObject *receiver = target->getQObject();
  if (!receiver) return;
  const QString text(QChar::fromLatin1(character));
  for (int i = 0; i < count; i++)
    QCoreApplication::postEvent(receiver, new QKeyEvent(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text, false, 1));
}

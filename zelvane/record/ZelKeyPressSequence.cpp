// Key-press records: the character, key code, modifier bits and repeat count of a key press.
#include "zelvane/record/ZelKeyPressSequence.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>
#include <string>

#include "common/base/ShownName.h"
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
  if (!is || !readFields(is)) return;
  count = std::clamp(count, 0, MaxKeyCount);
  zelSeqOut() << " Seq: c " << ShownName(std::string(1, character)) << " key: " << key << " mod: " << modifiers
              << "  repeat " << count << '\n';
  if (character == '*' && key != Qt::Key_Asterisk) character = ' ';
}

bool ZelKeyPressSequence::readFields(std::istream &is) {
  // The character is the byte after the one blank that follows the name. A blank or a line
  // feed there is that key's raw byte when the three numbers follow it, as a writer of the raw
  // byte leaves it; otherwise (blanks typed before the character of a hand-made line) the
  // character is the next byte that is not a blank. Of the two readings the one that leaves
  // nothing on the line wins, the raw byte on a tie.
  const int raw = is.get() == ' ' ? is.peek() : std::char_traits<char>::eof();
  if (raw == std::char_traits<char>::eof()) {
    is.setstate(std::ios::failbit);
    return false;
  }
  const std::streampos at = is.tellg();
  auto read = [&](bool rawByte) {
    is.clear();
    is.seekg(at);
    if (rawByte)
      character = char(is.get());
    else
      is >> character;
    return bool(is >> key >> modifiers >> count);
  };
  auto whole = [&] { return is.eof() || (is >> std::ws).eof(); };
  if (!std::isspace(raw)) return read(false);
  if (read(true) && whole()) return true;
  if (read(false) && whole()) return true;
  return read(true) || read(false);
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

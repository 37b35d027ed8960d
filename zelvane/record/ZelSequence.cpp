// The base part of every record: type, target name and delay, as written and read.
#include "zelvane/record/ZelSequence.h"

#include <QString>
#include <istream>
#include <ostream>

#include "common/base/ShownName.h"
#include "zelvane/record/ZelSeqText.h"

ZelSequence::ZelSequence(int t, const QString &n) : type(t), name(zelSeqUtf8(n)), delay(0.0f) {}

ZelSequence::ZelSequence(int t, std::istream &is) : type(t), delay(0.0f) {
  std::string word;
  if (!(is >> delay >> word)) return;
  name = zelSeqUnescapeName(word);
  zelSeqOut() << " Seq: read " << type << " obj: " << ShownName(name) << " time: " << delay << '\n';
}

ZelSequence::~ZelSequence() = default;

void ZelSequence::saveBase(std::ostream &os) const {
  os << type << ' ' << delay << ' ' << zelSeqEscapeName(name) << ' ';
}

void ZelSequence::save(std::ostream &os) {
  saveBase(os);
  os << '\n';
}

void ZelSequence::exec(QZelObject *) {}

void ZelSequence::announce(const char *what, const QZelObject *target) {
  zelSeqOut() << " exec sequence " << what << " on " << static_cast<const void *>(target) << '\n';
}

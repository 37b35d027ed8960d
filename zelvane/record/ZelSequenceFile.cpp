// Writing and reading the sequence file: one row per record type says how its line is read.
#include "zelvane/record/ZelSequenceFile.h"

#include <QByteArray>
#include <istream>
#include <locale>
#include <ostream>

#include "zelvane/record/ZelKeyPressSequence.h"
#include "zelvane/record/ZelMouseSequence.h"
#include "zelvane/record/ZelMoveSequence.h"
#include "zelvane/record/ZelResizeSequence.h"
#include "zelvane/record/ZelSaveImageSequence.h"
#include "zelvane/record/ZelSeqText.h"
#include "zelvane/record/ZelSignalSequence.h"
#include "zelvane/record/ZelWindowStateSequence.h"

namespace {

using Maker = ZelSequence *(*)(int type, std::istream &is);

ZelSequence *makeKey(int, std::istream &is) { return new ZelKeyPressSequence(is); }
ZelSequence *makeMove(int, std::istream &is) { return new ZelMoveSequence(is); }
ZelSequence *makeResize(int, std::istream &is) { return new ZelResizeSequence(is); }
ZelSequence *makeMouse(int type, std::istream &is) { return new ZelMouseSequence(type, is); }
ZelSequence *makeState(int, std::istream &is) { return new ZelWindowStateSequence(is); }
ZelSequence *makeImage(int, std::istream &is) { return new ZelSaveImageSequence(is); }

// Image saves replayed from a widget signal would write files behind the user's back.
ZelSequence *makeSignal(int type, std::istream &is) {
  auto *rec = new ZelSignalSequence(type, is);
  if (!is) return rec;
  zelSeqOut() << "sequence " << rec->name << '\n';
  if (QByteArray::fromStdString(rec->name).toLower().contains("saveimg")) {
    delete rec;
    return nullptr;
  }
  return rec;
}

// Indexed by type; null: not a record, the line is skipped.
constexpr Maker Makers[] = {
    makeKey,    nullptr,    makeMove,   makeResize, nullptr,    makeMouse,  makeMouse,  makeMouse,
    makeMouse,  makeSignal, makeSignal, makeSignal, makeSignal, makeSignal, makeSignal, makeSignal,
    makeSignal, makeSignal, makeState,  makeSignal, makeImage,  makeSignal, makeSignal, makeSignal,
};
constexpr int NbrTypes = int(sizeof(Makers) / sizeof(Makers[0]));
constexpr int TypeResize = 3, TypeWindowState = 18, TypeEnd = -1;

// Sets the classic locale on a stream and puts the old one back at scope exit.
class ClassicLocale {
 public:
  explicit ClassicLocale(std::ios &s) : s_(s), old_(s.imbue(std::locale::classic())) {}
  ~ClassicLocale() { s_.imbue(old_); }

 private:
  std::ios &s_;
  std::locale old_;
};

}  // namespace

void zelWriteSequences(std::ostream &os, const ZelSequenceList &list) {
  ClassicLocale classic(os);
  for (const auto &rec : list) rec->save(os);
  os << "-1\n";
}

size_t zelReadSequences(std::istream &is, ZelSequenceList &list, std::streamoff *unreadAt) {
  ClassicLocale classic(is);
  if (unreadAt) *unreadAt = -1;
  size_t appended = 0;
  int type, previous = TypeEnd;
  for (;;) {
    // Where the next record starts, for the caller to name the line that could not be read.
    is >> std::ws;
    if (!is.good()) break;  // the end of the stream: everything was read
    const std::streamoff at = is.tellg();
    if (!(is >> type)) {
      if (unreadAt) *unreadAt = at;
      break;
    }
    if (type == TypeEnd) break;
    Maker make = type >= 0 && type < NbrTypes ? Makers[type] : nullptr;
    if (type == TypeResize && previous == TypeWindowState) {
      zelSeqSkipLine(is);
    } else if (!make) {
      zelSeqOut() << " ignoring sequence " << type << '\n';
      zelSeqSkipLine(is);
    } else {
      std::unique_ptr<ZelSequence> rec(make(type, is));
      if (!is) {
        if (unreadAt) *unreadAt = at;
        break;
      }
      if (rec) {
        list.push_back(std::move(rec));
        appended++;
      }
    }
    previous = type;
  }
  return appended;
}

// Writing and reading the sequence file: one row per record type says how its line is read.
#include "zelvane/record/ZelSequenceFile.h"

#include <QByteArray>
#include <istream>
#include <locale>
#include <ostream>
#include <sstream>
#include <string>

#include "common/base/ShownName.h"
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
  zelSeqOut() << "sequence " << ShownName(rec->name) << '\n';
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
constexpr int TypeKey = 0, TypeResize = 3, TypeWindowState = 18, TypeEnd = -1;
constexpr const char *Blanks = " \t\r\v\f";

// Whether a line holds three words (type, delay, name) followed by exactly one blank: the
// form of a key press whose raw character is the line feed that ends the line.
bool endsAfterNameAndBlank(const std::string &line) {
  if (line.size() < 2 || line.back() != ' ' || line[line.size() - 2] == ' ') return false;
  int words = 0;
  for (size_t i = line.find_first_not_of(Blanks); i != std::string::npos && words < 4;
       i = line.find_first_not_of(Blanks, line.find_first_of(Blanks, i)))
    words++;
  return words == 3;
}

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

size_t zelReadSequences(std::istream &is, ZelSequenceList &list, ZelSeqReadReport *report) {
  ClassicLocale classic(is);
  ZelSeqReadReport local;
  ZelSeqReadReport &r = report ? *report : local;
  r = ZelSeqReadReport();
  size_t appended = 0;
  int type, previous = TypeEnd;
  long lineNo = 0;
  std::string line;
  // Each record is read from its own line: fields after it cannot become records of their own.
  std::istringstream ls;
  ls.imbue(std::locale::classic());
  while (std::getline(is, line)) {
    const long at = ++lineNo;
    if (line.find_first_not_of(Blanks) == std::string::npos) continue;
    ls.clear();
    ls.str(line);
    if (!(ls >> type)) {
      r.unreadLine = at;
      break;
    }
    if (type == TypeEnd) break;
    // A key press whose raw character is a line feed goes on on the next line.
    std::string next;
    if (type == TypeKey && endsAfterNameAndBlank(line) && std::getline(is, next)) {
      lineNo++;
      ls.clear();
      ls.str(line + '\n' + next);
      ls >> type;
    }
    Maker make = type >= 0 && type < NbrTypes ? Makers[type] : nullptr;
    if (type == TypeResize && previous == TypeWindowState) {
      // skipped
    } else if (!make) {
      zelSeqOut() << " ignoring sequence " << type << '\n';
    } else {
      std::unique_ptr<ZelSequence> rec(make(type, ls));
      if (!ls) {
        r.unreadLine = at;
        break;
      }
      if (!ls.eof() && !(ls >> std::ws).eof()) {
        if (!r.trailingLine) r.trailingLine = at;
        r.trailingLines++;
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

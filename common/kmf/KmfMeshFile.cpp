// Opening, indexing, declaring and closing keyword mesh files.
#include "common/kmf/KmfMeshFile.h"

#include <cstdarg>
#include <cstring>

#include "common/kmf/KmfInternal.h"
#include "common/kmf/KmfStream.h"
#include "common/pool/Parallel.h"
#include "common/base/Memory.h"
#include "common/load/FileNames.h"

// A handle keeps every name an opener takes, with room for the extension GetMeshDesc adds.
static_assert(sizeof(KmfMeshFile::FilNam) > FileNameMax + 6, "file names must fit the handle");

namespace {

const size_t TextBufferSize = size_t(1) << 20;
const size_t BinaryBufferSize = size_t(1) << 16;
const int64_t CodeSwapped = 0x01000000;

KmfMeshFile *newHandle(const char *name, int mode) {
  if (!name) {
    fprintf(stderr, "  ## ERROR: KMFOPENMESH: NO FILE NAME \n");
    return nullptr;
  }
  if (!FileNameFits(name)) {
    fprintf(stderr, "  ## ERROR: KMFOPENMESH: FILE NAME TOO LONG \n");
    return nullptr;
  }
  KeywordNameKind kind = KeywordFileKind(name);
  if (!kind.Known) {
    fprintf(stderr, "  ## ERROR: KMFOPENMESH: %s HAS NO .mesh, .meshb, .sol OR .solb EXTENSION \n",
            ShownName(name).c_str());
    return nullptr;
  }
  auto *msh = static_cast<KmfMeshFile *>(MEM_ALLOC(nullptr, msh, sizeof(KmfMeshFile)));
  if (!msh) return nullptr;
  std::memset(msh, 0, sizeof(KmfMeshFile));
  std::strcpy(msh->FilNam, name);
  msh->Typ = (kind.Binary ? KmfBinary : KmfText) | (kind.Sol ? KmfSolKind : KmfMeshKind);
  msh->Mod = mode;
  msh->Cod = 1;
  for (auto &kw : msh->KwdTab) kw.NmbNod = 1;
  // The scratch holds the longest line the table allows: 9000 eight-byte values, or a
  // string and a few integers.
  msh->LinBufSiz = 8 * KmfMaxLetters + 256;
  msh->LinBuf = static_cast<unsigned char *>(MEM_ALLOC(nullptr, msh->LinBuf, msh->LinBufSiz));
  if (!msh->LinBuf) return static_cast<KmfMeshFile *>(MEM_FREE(nullptr, msh));
  return msh;
}

// Releases everything the handle holds, without writing anything; false when closing the
// stream failed.
bool freeHandle(KmfMeshFile *msh) {
  bool ok = true;
  if (msh->Mod == KmfWrite)
    AbandonUserFileWrite(&msh->Out);  // a committed write has nothing left to remove
  else if (msh->hdl && std::fclose(msh->hdl))
    ok = false;
  msh->hdl = nullptr;
  msh->Rd = KmfFreeReader(msh->Rd);
  for (auto &kw : msh->KwdTab) {
    kw.OrdTab = static_cast<int *>(MEM_FREE(nullptr, kw.OrdTab));
    kw.Fmt = static_cast<char *>(MEM_FREE(nullptr, kw.Fmt));
    kw.SecTab = static_cast<KmfSection *>(MEM_FREE(nullptr, kw.SecTab));
  }
  msh->LinBuf = static_cast<unsigned char *>(MEM_FREE(nullptr, msh->LinBuf));
  msh->WrtBlk = static_cast<unsigned char *>(MEM_FREE(nullptr, msh->WrtBlk));
  MEM_FREE(nullptr, msh);
  return ok;
}

KmfMeshFile *refuse(KmfMeshFile *msh) {
  freeHandle(msh);
  return nullptr;
}

// The header of a section being read: its solution type list, degree and node count.
struct SectionHeader {
  int NmbTyp = 0, Deg = 0, NmbNod = 1;
  int TypTab[KmfMaxTyp];
};

bool readHeaderInt(KmfMeshFile *msh, int64_t *v) {
  return (msh->Typ & KmfBinary) ? KmfReadSized(msh, KmfNeverWide, v) : KmfReaderInt(msh->Rd, v);
}

// Reads the solution header of a section of kwd; false after the message.
bool readSolutionHeader(KmfMeshFile *msh, int kwd, SectionHeader *h) {
  int64_t v;
  if (!readHeaderInt(msh, &v) || v < 1 || v > KmfMaxTyp) {
    msh->Refusal = KmfRefusedFieldTypes;
    KmfError(msh, "KMFOPENMESH", "INVALID NUMBER OF SOLUTION TYPES IN SECTION %s", KmfKwdFmt[kwd][0]);
    return false;
  }
  h->NmbTyp = static_cast<int>(v);
  for (int i = 0; i < h->NmbTyp; i++) {
    if (!readHeaderInt(msh, &v) || v < INT32_MIN || v > INT32_MAX) {
      msh->Refusal = KmfRefusedFieldTypes;
      KmfError(msh, "KMFOPENMESH", "INVALID SOLUTION TYPE IN SECTION %s", KmfKwdFmt[kwd][0]);
      return false;
    }
    h->TypTab[i] = static_cast<int>(v);
  }
  if (KmfKwdFmt[kwd][2][0] == 'h') {
    int64_t deg, nod;
    if (!readHeaderInt(msh, &deg) || !readHeaderInt(msh, &nod) || deg < 0 || deg > KmfMaxLetters || nod < 1 ||
        nod > KmfMaxLetters) {
      msh->Refusal = KmfRefusedFieldTypes;
      KmfError(msh, "KMFOPENMESH", "INVALID DEGREE OR NODE COUNT IN SECTION %s", KmfKwdFmt[kwd][0]);
      return false;
    }
    h->Deg = static_cast<int>(deg);
    h->NmbNod = static_cast<int>(nod);
  }
  return true;
}

bool sameHeader(const KmfKeyword *kw, const SectionHeader &h) {
  return kw->NmbTyp == h.NmbTyp && kw->Deg == h.Deg && kw->NmbNod == h.NmbNod &&
         !std::memcmp(kw->TypTab, h.TypTab, sizeof(int) * static_cast<size_t>(h.NmbTyp));
}

// A later Dimension or MeshVersionFormatted section: the header's value again adds nothing,
// another one refuses the file, as the lines could not be read both ways, whatever form the
// number takes in text ("2.0", "2e0"). In text, a name not followed by a number stood in other
// words (a comment's string) and is passed over.
bool repeatedHeaderValue(KmfMeshFile *msh, int kwd) {
  const int64_t head = kwd == KmfDimension ? msh->Dim : msh->Ver;
  int64_t v;
  double real = 0;
  if (readHeaderInt(msh, &v)) {
    if (v == head) return true;
    real = static_cast<double>(v);
  } else if (!(msh->Typ & KmfText)) {
    KmfError(msh, "KMFOPENMESH", "THE FILE ENDS IN A %s SECTION", KmfKwdFmt[kwd][0]);
    return false;
  } else if (!KmfReaderReal(msh->Rd, &real) || real == static_cast<double>(head)) {
    return true;
  }
  msh->Refusal = KmfRefusedHeaderAgain;
  KmfError(msh, "KMFOPENMESH", "%s IS %lld IN THE HEADER AND %.17g IN A LATER SECTION", KmfKwdFmt[kwd][0],
           static_cast<long long>(head), real);
  return false;
}

// Lines a solution section holds between its first line and its end, up to its count: in
// binary what the bytes make, in text the lines of numbers read there (the reader then goes
// back where it stood).
int64_t linesHeld(KmfMeshFile *msh, const KmfKeyword *kw, const KmfSection &sec) {
  if (msh->Typ & KmfBinary) {
    const int64_t lineBytes = 4 * static_cast<int64_t>(kw->NmbWrd), room = sec.EndPos - sec.Pos;
    const int64_t most = lineBytes > 0 && room > 0 ? room / lineBytes : 0;
    return sec.NmbLin < most ? sec.NmbLin : most;
  }
  const int64_t back = KmfReaderTell(msh->Rd);
  auto lineRead = [&] {
    double v;
    for (int j = 0; j < kw->SolSiz; j++)
      if (!KmfReaderReal(msh->Rd, &v) || KmfReaderTell(msh->Rd) > sec.EndPos) return false;
    return true;
  };
  int64_t lines = 0;
  if (KmfReaderSeek(msh->Rd, sec.Pos))
    while (lines < sec.NmbLin && lineRead()) lines++;
  KmfReaderSeek(msh->Rd, back);
  return lines;
}

// The sections of kw read so far are left out: a section of other solution types follows.
void leaveOut(KmfMeshFile *msh, KmfKeyword *kw) {
  KmfSectionList secs(kw);
  for (int s = 0; s < secs.size(); s++) {
    int64_t held = linesHeld(msh, kw, secs[s]);
    kw->NmbLinOut = held > INT64_MAX - kw->NmbLinOut ? INT64_MAX : kw->NmbLinOut + held;
    kw->NmbSecOut++;
  }
  kw->SecTab = static_cast<KmfSection *>(MEM_FREE(nullptr, kw->SecTab));
  kw->NmbSecTab = kw->MaxSecTab = 0;
  kw->NmbLin = 0;
}

// Adds a section after those of kw: the table is made with the second section and grows by
// doubling. False after the message when the memory or the line count cannot hold it.
bool joinSection(KmfMeshFile *msh, int kwd, int64_t pos, int64_t limit, int64_t count) {
  KmfKeyword *kw = &msh->KwdTab[kwd];
  if (count > INT64_MAX - kw->NmbLin || kw->NmbSecTab >= INT32_MAX / 2) {
    KmfError(msh, "KMFOPENMESH", "THE SECTIONS OF %s HOLD TOO MANY LINES", KmfKwdFmt[kwd][0]);
    return false;
  }
  if (kw->NmbSecTab == kw->MaxSecTab) {
    const int cap = kw->MaxSecTab ? 2 * kw->MaxSecTab : 8;
    const size_t bytes = sizeof(KmfSection) * static_cast<size_t>(cap);
    auto *grown = static_cast<KmfSection *>(kw->SecTab ? MEM_REALLOC(nullptr, kw->SecTab, bytes)
                                                       : MEM_ALLOC(nullptr, kw->SecTab, bytes));
    if (!grown) {
      KmfError(msh, "KMFOPENMESH", "NO MEMORY FOR THE SECTIONS OF %s", KmfKwdFmt[kwd][0]);
      return false;
    }
    kw->SecTab = grown;
    kw->MaxSecTab = cap;
  }
  if (!kw->NmbSecTab) kw->SecTab[kw->NmbSecTab++] = {kw->Pos, kw->EndPos, kw->NmbLin, 0};
  kw->SecTab[kw->NmbSecTab++] = {pos, limit, count, kw->NmbLin};
  kw->NmbLin += count;
  return true;
}

// In text, where the lines of the section of kw read last must end: at the name of a later
// section of the keyword (binary sections know their end).
void endLastSection(KmfMeshFile *msh, KmfKeyword *kw, int64_t at) {
  if (msh->Typ & KmfBinary) return;
  if (kw->SecTab)
    kw->SecTab[kw->NmbSecTab - 1].EndPos = at;
  else
    kw->EndPos = at;
}

// Reads the header of a section whose name or number starts at `at` and was just read, and
// records where its lines start; limit is where they must end. A section with lines joins the
// lines of the keyword read before, unless two solution headers differed: the last one then
// replaces them. A section without lines leaves no trace but its checks.
bool startSection(KmfMeshFile *msh, int kwd, int64_t at, int64_t limit) {
  if (kwd == KmfDimension || kwd == KmfMeshVersionFormatted) return repeatedHeaderValue(msh, kwd);
  KmfKeyword *kw = &msh->KwdTab[kwd];
  bool bin = msh->Typ & KmfBinary;
  int kind = KmfKeywordKind(kwd);
  int64_t count = 1;
  if (kind != KmfKwdInfo) {
    bool ok = bin ? KmfReadSized(msh, KmfWideIntegers, &count) : KmfReaderInt(msh->Rd, &count);
    if (!ok || count < 0) {
      KmfError(msh, "KMFOPENMESH", "INVALID LINE COUNT IN SECTION %s", KmfKwdFmt[kwd][0]);
      return false;
    }
  }
  SectionHeader h;
  if (kind == KmfKwdSol && !readSolutionHeader(msh, kwd, &h)) return false;
  const bool same = kw->Fmt && sameHeader(kw, h);
  if (!same && (count || !kw->NmbLin)) {
    // A header of its own, taken: the solution lines read so far, of other types, are left out.
    if (count && kw->NmbLin) {
      endLastSection(msh, kw, at);
      leaveOut(msh, kw);
      kw->LastOnly = 1;
    }
    kw->NmbTyp = h.NmbTyp;
    std::memcpy(kw->TypTab, h.TypTab, sizeof(int) * static_cast<size_t>(h.NmbTyp));
    kw->Deg = h.Deg;
    kw->NmbNod = h.NmbNod;
    if (!KmfExpandKeyword(msh, kwd)) {
      msh->Refusal = KmfRefusedFieldTypes;
      KmfError(msh, "KMFOPENMESH", "SECTION %s HAS AN INVALID LINE SHAPE", KmfKwdFmt[kwd][0]);
      return false;
    }
  } else if (!same &&
             KmfLineLetters(msh, kwd, h.NmbTyp, h.TypTab, h.NmbNod, reinterpret_cast<char *>(msh->LinBuf)) < 0) {
    // Not taken (no lines after some): its shape is checked all the same.
    msh->Refusal = KmfRefusedFieldTypes;
    KmfError(msh, "KMFOPENMESH", "SECTION %s HAS AN INVALID LINE SHAPE", KmfKwdFmt[kwd][0]);
    return false;
  }
  const int64_t pos = KmfReaderTell(msh->Rd);
  if (!count) {
    // The first section gives the keyword its line shape, even without lines.
    if (!kw->NmbLin) kw->Pos = pos, kw->EndPos = limit;
    return true;
  }
  if (kw->NmbSec < INT32_MAX) kw->NmbSec++;
  if (kw->NmbLin) {
    endLastSection(msh, kw, at);
    if (!kw->LastOnly) return joinSection(msh, kwd, pos, limit, count);
    // Once two headers differed, the last section with lines is the one read.
    leaveOut(msh, kw);
  }
  kw->NmbLin = count;
  kw->Pos = pos;
  kw->EndPos = limit;
  return true;
}

// Every section must hold the lines it declares before the next one starts; reals may be of
// 32 bits when the file says so in a precision section.
bool checkSizes(KmfMeshFile *msh) {
  bool narrow = msh->FltSiz == 64 && msh->KwdTab[KmfFloatingPointPrecision].NmbLin;
  for (int kwd = 1; kwd <= KmfMaxKwd; kwd++) {
    KmfKeyword *kw = &msh->KwdTab[kwd];
    if (!kw->NmbLin) continue;
    int64_t bytes = 4 * static_cast<int64_t>(kw->NmbWrd - (narrow ? kw->NmbRea : 0));
    KmfSectionList secs(kw);
    for (int k = 0; k < secs.size(); k++)
      if (!KmfLinesFit(msh, kw, secs[k], bytes)) {
        KmfError(msh, "KMFOPENMESH", "SECTION %s DECLARES %lld LINES, MORE THAN THE FILE HOLDS", KmfKwdFmt[kwd][0],
                 static_cast<long long>(secs[k].NmbLin));
        return false;
      }
  }
  return true;
}

// Walks the chain of sections from the header's Dimension on (next: where the section after it
// starts), every section naming where the next one starts: a section out of the chain is never
// read. A probe (KmfFileComplete) passes over sections it cannot start and only looks for End.
bool indexBinary(KmfMeshFile *msh, bool probe, int64_t next) {
  const int hdr = msh->Ver >= KmfWidePositions ? 12 : 8;
  // Forward only, so that the walk ends.
  auto forward = [&](int64_t pos, int64_t to) {
    if (!to || (to >= pos + hdr && to <= msh->FilSiz)) return true;
    KmfError(msh, "KMFOPENMESH", "SECTION AT %lld POINTS TO AN INVALID POSITION %lld", static_cast<long long>(pos),
             static_cast<long long>(to));
    return false;
  };
  if (!forward(8, next)) return false;  // the header's Dimension stands at 8
  for (int64_t pos = next; next; pos = next) {
    if (pos + hdr > msh->FilSiz || !KmfReaderSeek(msh->Rd, pos)) {
      KmfError(msh, "KMFOPENMESH", "THE FILE ENDS BEFORE ITS End SECTION");
      return false;
    }
    int32_t kwd;
    if (!KmfReadI32(msh, &kwd) || !KmfReadSized(msh, KmfWidePositions, &next) || !forward(pos, next)) return false;
    // End is a section of its own, which tells readers that the file is complete; a last
    // section without it (position 0) is a file still being written.
    if (kwd == KmfEnd || (kwd >= 1 && kwd <= KmfMaxKwd && !next)) return startSection(msh, kwd, pos, msh->FilSiz);
    if (kwd >= 1 && kwd <= KmfMaxKwd && !startSection(msh, kwd, pos, next) && !probe) return false;
  }
  // A chain that ends without End (the header alone, or a last section of no keyword): a file
  // still being written.
  return true;
}

// Text files from this size on are searched for their section names on the pool.
const int64_t PooledIndexBytes = int64_t(2) << 20;
// A header whose line runs on further than this leaves the rest of the index to the reader.
const int64_t LineReach = int64_t(1) << 20;

// The index of a large text file from the names the pool's threads find. The reader finds a
// name where a word starts; the rest of the line after each section header is searched here,
// since the reader goes on right after the header's last number. 1 indexed, 0 refused, -1:
// the reader is to index the rest itself from where it stands.
int indexTextOnPool(KmfMeshFile *msh, bool probe) {
  int64_t at = KmfReaderTell(msh->Rd), line = KmfNextLineStart(msh, at, LineReach);
  if (line < 0) return -1;
  KmfNameSearch names(msh, line);
  for (;;) {
    KmfNameAt n;
    if (!KmfFirstNameIn(msh, at, line, &n) && !names.next(line, &n)) {
      if (names.failed()) return -1;
      KmfError(msh, "KMFOPENMESH", "THE FILE ENDS BEFORE ITS End SECTION");
      return 0;
    }
    if (!KmfReaderSeek(msh->Rd, n.Pos + n.Len)) return 0;
    if (!startSection(msh, n.Kwd, n.Pos, msh->FilSiz) && !probe) return 0;
    if (n.Kwd == KmfEnd) return 1;
    at = KmfReaderTell(msh->Rd);
    line = KmfNextLineStart(msh, at, LineReach);
    if (line < 0) return -1;
  }
}

bool indexText(KmfMeshFile *msh, bool probe) {
  if (msh->Pool && msh->Pool->NbrCpu > 1 && msh->FilSiz >= PooledIndexBytes) {
    int done = indexTextOnPool(msh, probe);
    if (done >= 0) return done == 1;
  }
  size_t len;
  while (const char *w = KmfReaderNextName(msh->Rd, &len)) {
    if (len > 64) continue;
    int kwd = KmfFindKeyword(w, len);
    if (kwd && !startSection(msh, kwd, KmfReaderTell(msh->Rd) - static_cast<int64_t>(len), msh->FilSiz) && !probe)
      return false;
    if (kwd == KmfEnd) return true;
  }
  KmfError(msh, "KMFOPENMESH", "THE FILE ENDS BEFORE ITS End SECTION");
  return false;
}

// Reads words up to the given one, then an integer.
bool findTextValue(KmfMeshFile *msh, const char *name, int64_t *val) {
  size_t len, n = std::strlen(name);
  while (const char *w = KmfReaderWord(msh->Rd, &len))
    if (len == n && !std::memcmp(w, name, n)) return KmfReaderInt(msh->Rd, val);
  return false;
}

// Reads the version and the dimension; *next receives where a binary file's section after its
// header's Dimension starts.
bool readHeader(KmfMeshFile *msh, int64_t *next) {
  int64_t ver = 0, dim = 0;
  *next = 0;
  if (msh->Typ & KmfBinary) {
    int32_t code, kwd;
    if (!KmfReaderBytes(msh->Rd, &code, 4) || (code != 1 && code != CodeSwapped)) {
      KmfError(msh, "KMFOPENMESH", "NOT A BINARY KEYWORD FILE (BAD CODE WORD)");
      return false;
    }
    msh->Cod = code;
    if (!KmfReadSized(msh, KmfNeverWide, &ver) || ver < 1 || ver > 4) {
      KmfError(msh, "KMFOPENMESH", "INVALID VERSION %lld, MUST BE 1 TO 4", static_cast<long long>(ver));
      return false;
    }
    msh->Ver = static_cast<int>(ver);
    if (!KmfReadI32(msh, &kwd) || kwd != KmfDimension) {
      KmfError(msh, "KMFOPENMESH", "THE FIRST SECTION IS NOT Dimension");
      return false;
    }
    if (!KmfReadSized(msh, KmfWidePositions, next) || !KmfReadSized(msh, KmfNeverWide, &dim)) {
      KmfError(msh, "KMFOPENMESH", "THE FILE ENDS IN ITS HEADER");
      return false;
    }
  } else {
    if (!findTextValue(msh, "MeshVersionFormatted", &ver)) {
      KmfError(msh, "KMFOPENMESH", "NO MeshVersionFormatted FOLLOWED BY A VERSION");
      return false;
    }
    if (ver < 1 || ver > 4) {
      KmfError(msh, "KMFOPENMESH", "INVALID VERSION %lld, MUST BE 1 TO 4", static_cast<long long>(ver));
      return false;
    }
    msh->Ver = static_cast<int>(ver);
    if (!findTextValue(msh, "Dimension", &dim)) {
      KmfError(msh, "KMFOPENMESH", "NO Dimension FOLLOWED BY A DIMENSION");
      return false;
    }
  }
  if (dim != 2 && dim != 3) {
    KmfError(msh, "KMFOPENMESH", "INVALID DIMENSION %lld, MUST BE 2 OR 3", static_cast<long long>(dim));
    return false;
  }
  msh->Dim = static_cast<int>(dim);
  msh->FltSiz = msh->Ver == 1 ? 32 : 64;
  return true;
}

// Opens the stream, reads the header and indexes the sections; false after a message
// (none for a probe).
bool readIndex(KmfMeshFile *msh, bool probe) {
  // Regular files only: a FIFO or a device would be read for ever. What the file holds is
  // what it held when opened: a file still growing is not read past that size.
  msh->hdl = OpenUserFile(msh->FilNam, msh->Quiet ? UserFileQuiet : 0, &msh->FilSiz);
  if (!msh->hdl) {
    KmfError(msh, "KMFOPENMESH", "CANNOT OPEN THE FILE");
    return false;
  }
  msh->Rd = KmfNewReader(msh->hdl, (msh->Typ & KmfBinary) ? BinaryBufferSize : TextBufferSize);
  if (msh->Rd) msh->Rd->Limit = msh->FilSiz;
  int64_t next = 0;
  return msh->Rd && readHeader(msh, &next) &&
         ((msh->Typ & KmfBinary) ? indexBinary(msh, probe, next) : indexText(msh, probe));
}

// Only a binary file may open without End (a text one is refused at its end): its chain ended
// at a section whose next position is 0, or at the header's Dimension, where a writer stopped.
// A reader that must have the file whole refuses it with the words said of a text file.
bool endFound(KmfMeshFile *msh, bool whole) {
  if (!whole || msh->KwdTab[KmfEnd].NmbLin) return true;
  KmfError(msh, "KMFOPENMESH", "THE FILE ENDS BEFORE ITS End SECTION");
  return false;
}

// Why the last opening for reading of the thread was refused (KmfRefusal).
thread_local int lastRefusal = KmfNotRefused;

// whole: a file whose chain of sections ends before End is refused (KmfOpenMeshOnPool).
KmfMeshFile *openRead(const char *name, int *ver, int *dim, ParallelPool *pool = nullptr, bool whole = false) {
  lastRefusal = KmfRefusedFile;
  KmfMeshFile *msh = newHandle(name, KmfRead);
  if (!msh) return nullptr;
  msh->Pool = pool;
  if (!readIndex(msh, false) || !endFound(msh, whole) || !checkSizes(msh)) {
    if (msh->Refusal) lastRefusal = msh->Refusal;
    return refuse(msh);
  }
  lastRefusal = KmfNotRefused;
  if (ver) *ver = msh->Ver;
  if (dim) *dim = msh->Dim;
  return msh;
}

KmfMeshFile *openWrite(const char *name, int ver, int dim) {
  if (ver < 1 || ver > 4 || (dim != 2 && dim != 3)) {
    fprintf(stderr, "  ## ERROR: KMFOPENMESH: CANNOT WRITE VERSION %d DIMENSION %d \n", ver, dim);
    return nullptr;
  }
  KmfMeshFile *msh = newHandle(name, KmfWrite);
  if (!msh) return nullptr;
  msh->Ver = ver;
  msh->Dim = dim;
  msh->FltSiz = ver == 1 ? 32 : 64;
  msh->WrtBlk = static_cast<unsigned char *>(MEM_ALLOC(nullptr, msh->WrtBlk, KmfWriteBlockSize + 1000));
  if (!msh->WrtBlk) return refuse(msh);
  // Written under a temporary name, which replaces the file's name at KmfCloseMesh.
  msh->hdl = BeginUserFileWrite(&msh->Out, name);
  if (!msh->hdl) {
    KmfError(msh, "KMFOPENMESH", "CANNOT CREATE THE FILE");
    return refuse(msh);
  }
  if (msh->Typ & KmfText) {
    char line[64];
    snprintf(line, sizeof(line), "MeshVersionFormatted %d\n\nDimension %d\n", ver, dim);
    KmfWriteText(msh, line);
  } else {
    KmfWriteI32(msh, 1);
    KmfWriteI32(msh, ver);
    KmfSetKwd(msh, KmfDimension, 1);
    KmfWriteI32(msh, dim);
  }
  if (msh->WrtErr) return refuse(msh);
  return msh;
}

}  // namespace

bool KmfUsable(const KmfMeshFile *msh, int kwd, int mode) {
  return msh && kwd >= 1 && kwd <= KmfMaxKwd && msh->Mod == mode;
}

int KmfLineLetters(const KmfMeshFile *msh, int kwd, int ntyp, const int *types, int nod, char *letters) {
  int solSiz = 0;
  if (KmfKeywordKind(kwd) == KmfKwdSol) {
    for (int i = 0; i < ntyp; i++) solSiz += KmfTypeSize(types[i], msh->Dim);
    if (!solSiz) return -1;
  }
  const char *fmt = KmfKwdFmt[kwd][2];
  int n = 0;
  for (int i = 0; fmt[i]; i++) {
    char c = fmt[i];
    int rep = 1;
    if ((c == 's' || c == 'h' || c == 'd') && fmt[i + 1]) {
      rep = c == 'd' ? msh->Dim : solSiz;
      c = fmt[++i];
    }
    if (n + rep > KmfMaxLetters) return -1;
    std::memset(letters + n, c, static_cast<size_t>(rep));
    n += rep;
  }
  if (fmt[0] == 'h') {
    if (static_cast<int64_t>(n) * nod > KmfMaxLetters) return -1;
    for (int k = 1; k < nod; k++) std::memcpy(letters + k * n, letters, static_cast<size_t>(n));
    n *= nod;
  }
  letters[n] = '\0';
  return n;
}

bool KmfExpandKeyword(KmfMeshFile *msh, int kwd) {
  KmfKeyword *kw = &msh->KwdTab[kwd];
  kw->Typ = KmfKeywordKind(kwd);
  // Expanded in the line scratch, then kept at its size.
  char *letters = reinterpret_cast<char *>(msh->LinBuf);
  int n = KmfLineLetters(msh, kwd, kw->NmbTyp, kw->TypTab, kw->NmbNod, letters);
  if (n < 0) return false;
  kw->Fmt = static_cast<char *>(MEM_FREE(nullptr, kw->Fmt));
  kw->Fmt = static_cast<char *>(MEM_ALLOC(nullptr, kw->Fmt, static_cast<size_t>(n) + 1));
  if (!kw->Fmt) return false;
  std::memcpy(kw->Fmt, letters, static_cast<size_t>(n) + 1);
  kw->SolSiz = kw->NmbWrd = kw->NmbRea = 0;
  for (int i = 0; i < n; i++) {
    switch (kw->Fmt[i]) {
      case 'r': kw->NmbWrd += msh->FltSiz == 32 ? 1 : 2; kw->NmbRea++; kw->SolSiz++; break;
      case 'i': kw->NmbWrd += msh->Ver >= KmfWideIntegers ? 2 : 1; kw->SolSiz++; break;
      case 'c': kw->NmbWrd += 64; kw->SolSiz++; break;
      default: break;
    }
  }
  return true;
}

int64_t KmfLineBytes(const KmfMeshFile *msh, const KmfKeyword *kw) {
  int64_t bytes = 0;
  for (const char *c = kw->Fmt; *c; c++) {
    if (*c == 'r') bytes += msh->FltSiz == 32 ? 4 : 8;
    else if (*c == 'i') bytes += msh->Ver >= KmfWideIntegers ? 8 : 4;
    else if (*c == 'c') bytes += 256;
  }
  return bytes;
}

KmfSectionList::KmfSectionList(const KmfKeyword *kw)
    : One{kw->Pos, kw->EndPos, kw->NmbLin, 0}, Tab(kw->SecTab ? kw->SecTab : &One),
      Nbr(kw->SecTab ? kw->NmbSecTab : 1) {}

int KmfSectionList::find(int64_t line) const {
  int lo = 0, hi = Nbr - 1;
  while (lo < hi) {
    int mid = lo + (hi - lo + 1) / 2;
    if (Tab[mid].Lin0 < line) lo = mid;
    else hi = mid - 1;
  }
  return lo;
}

bool KmfLinesFit(const KmfMeshFile *msh, const KmfKeyword *kw, const KmfSection &sec, int64_t lineBytes) {
  int64_t room = sec.EndPos - sec.Pos;
  if (room < 0) return false;
  if (msh->Typ & KmfText) lineBytes = 2 * static_cast<int64_t>(kw->SolSiz);
  if (lineBytes <= 0) return sec.NmbLin <= 1;
  return sec.NmbLin <= room / lineBytes;
}

void KmfLinesAt(KmfMeshFile *msh, int kwd, int sec, int64_t left) {
  msh->LinKwd = kwd;
  msh->LinSec = sec;
  msh->LinLeft = left;
}

bool KmfNextLine(KmfMeshFile *msh, int kwd) {
  const KmfKeyword *kw = &msh->KwdTab[kwd];
  if (!kw->SecTab || msh->LinKwd != kwd) return true;
  if (!msh->LinLeft) {
    // Past the last section the reads go on where they stand, as in a section read whole.
    if (msh->LinSec + 1 >= kw->NmbSecTab) return true;
    const KmfSection &next = kw->SecTab[++msh->LinSec];
    msh->LinLeft = next.NmbLin;
    if (!KmfReaderSeek(msh->Rd, next.Pos)) return false;
  }
  msh->LinLeft--;
  return true;
}

bool KmfReadI32(KmfMeshFile *msh, int32_t *val) {
  if (!KmfReaderBytes(msh->Rd, val, 4)) return false;
  if (msh->Cod != 1) KmfSwap(val, 4);
  return true;
}

bool KmfReadI64(KmfMeshFile *msh, int64_t *val) {
  if (!KmfReaderBytes(msh->Rd, val, 8)) return false;
  if (msh->Cod != 1) KmfSwap(val, 8);
  return true;
}

bool KmfReadSized(KmfMeshFile *msh, int wide, int64_t *val) {
  if (msh->Ver >= wide) return KmfReadI64(msh, val);
  int32_t v;
  if (!KmfReadI32(msh, &v)) return false;
  *val = v;
  return true;
}

void KmfWriteI32(KmfMeshFile *msh, int32_t val) { KmfWriteBytes(msh, &val, 4); }

void KmfWriteSized(KmfMeshFile *msh, int wide, int64_t val) {
  if (msh->Ver >= wide) {
    KmfWriteBytes(msh, &val, 8);
  } else {
    int32_t v = static_cast<int32_t>(val);
    KmfWriteBytes(msh, &v, 4);
  }
}

void KmfError(const KmfMeshFile *msh, const char *fn, const char *format, ...) {
  if (msh && msh->Quiet) return;
  char text[512];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  fprintf(stderr, "  ## ERROR: %s: %s: %s \n", fn, ShownName(msh ? msh->FilNam : "").c_str(), text);
}

KmfMeshFile *KmfOpenMesh(const char *name, int mode, ...) {
  va_list args;
  va_start(args, mode);
  KmfMeshFile *msh = nullptr;
  if (mode == KmfRead) {
    int *ver = va_arg(args, int *);
    int *dim = va_arg(args, int *);
    msh = openRead(name, ver, dim);
  } else if (mode == KmfWrite) {
    int ver = va_arg(args, int);
    int dim = va_arg(args, int);
    msh = openWrite(name, ver, dim);
  }
  va_end(args);
  return msh;
}

KmfMeshFile *KmfOpenMeshOnPool(const char *name, ParallelPool *pool, int *ver, int *dim, bool whole) {
  return openRead(name, ver, dim, pool, whole);
}

int KmfLastRefusal() { return lastRefusal; }

int KmfFileComplete(const char *name) {
  KmfMeshFile *msh = newHandle(name, KmfRead);
  if (!msh) return 0;
  msh->Quiet = 1;
  bool end = readIndex(msh, true) && msh->KwdTab[KmfEnd].NmbLin > 0;
  freeHandle(msh);
  return end ? 1 : 0;
}

int KmfCloseMesh(KmfMeshFile *msh) {
  if (!msh) return 0;
  bool ok = true;
  if (msh->Mod == KmfWrite) {
    if (msh->Typ & KmfText) {
      KmfWriteText(msh, "\nEnd\n");
    } else {
      KmfSetKwd(msh, KmfEnd, 1);
    }
    ok = KmfFlush(msh);
    // Only a complete file replaces the old one; a failed one is removed when freed.
    if (ok && !CommitUserFileWrite(&msh->Out)) ok = false;
  }
  if (!freeHandle(msh)) ok = false;
  if (!ok) fprintf(stderr, "  ## ERROR: KMFCLOSEMESH: WRITING OR CLOSING THE FILE FAILED \n");
  return ok ? 1 : 0;
}

int KmfAbandonMesh(KmfMeshFile *msh) {
  if (msh) freeHandle(msh);
  return 0;
}

void KmfSetPool(KmfMeshFile *msh, ParallelPool *pool) {
  if (msh) msh->Pool = pool;
}

int KmfStatMesh(KmfMeshFile *msh, int *version, int *dimension, int *mode) {
  if (!msh) return 0;
  if (version) *version = msh->Ver;
  if (dimension) *dimension = msh->Dim;
  if (mode) *mode = msh->Mod;
  return 1;
}

int64_t KmfStatKwd(KmfMeshFile *msh, int kwd, ...) {
  if (!msh || kwd < 1 || kwd > KmfMaxKwd) return 0;
  const KmfKeyword *kw = &msh->KwdTab[kwd];
  if (!kw->NmbLin) return 0;
  if (kw->Typ == KmfKwdSol) {
    va_list args;
    va_start(args, kwd);
    int *ntyp = va_arg(args, int *);
    int *solsiz = va_arg(args, int *);
    int *types = va_arg(args, int *);
    if (ntyp) *ntyp = kw->NmbTyp;
    if (solsiz) *solsiz = kw->SolSiz / kw->NmbNod;
    if (types) std::memcpy(types, kw->TypTab, sizeof(int) * static_cast<size_t>(kw->NmbTyp));
    if (KmfKwdFmt[kwd][2][0] == 'h') {
      int *deg = va_arg(args, int *);
      int *nod = va_arg(args, int *);
      if (deg) *deg = kw->Deg;
      if (nod) *nod = kw->NmbNod;
    }
    va_end(args);
  }
  return kw->NmbLin;
}

int KmfSectionCount(KmfMeshFile *msh, int kwd, int *unread, int64_t *left) {
  if (unread) *unread = 0;
  if (left) *left = 0;
  if (!KmfUsable(msh, kwd, KmfRead)) return 0;
  const KmfKeyword *kw = &msh->KwdTab[kwd];
  if (unread) *unread = kw->NmbSecOut;
  if (left) *left = kw->NmbLinOut;
  return kw->NmbSec;
}

int KmfGotoKwd(KmfMeshFile *msh, int kwd) {
  if (!KmfUsable(msh, kwd, KmfRead) || !msh->KwdTab[kwd].NmbLin) return 0;
  const KmfKeyword *kw = &msh->KwdTab[kwd];
  KmfLinesAt(msh, kwd, 0, kw->SecTab ? kw->SecTab[0].NmbLin : kw->NmbLin);
  return KmfReaderSeek(msh->Rd, kw->Pos) ? 1 : 0;
}

namespace {

// The header of a section being declared, in the text encoding: its name, its line count
// (data and solution sections), its type list and high-order degree and nodes.
void writeTextHeader(KmfMeshFile *msh, int kwd, int kind, int64_t lines) {
  const KmfKeyword *kw = &msh->KwdTab[kwd];
  char buf[32];
  KmfWriteText(msh, "\n");
  KmfWriteText(msh, KmfKwdFmt[kwd][0]);
  KmfWriteText(msh, "\n");
  if (kind != KmfKwdInfo) {
    snprintf(buf, sizeof(buf), "%lld\n", static_cast<long long>(lines));
    KmfWriteText(msh, buf);
  }
  if (kind != KmfKwdSol) return;
  for (int i = 0; i <= kw->NmbTyp; i++) {
    snprintf(buf, sizeof(buf), "%d ", i ? kw->TypTab[i - 1] : kw->NmbTyp);
    KmfWriteText(msh, buf);
  }
  KmfWriteText(msh, "\n");
  if (KmfKwdFmt[kwd][2][0] == 'h') {
    snprintf(buf, sizeof(buf), "%d %d\n", kw->Deg, kw->NmbNod);
    KmfWriteText(msh, buf);
  }
}

// The same in binary: the previous section's next-section field is pointed at this one,
// then the keyword number, a next-section field of 0 for the following section to fill, the
// line count, the type list, degree and nodes.
void writeBinaryHeader(KmfMeshFile *msh, int kwd, int kind, int64_t lines) {
  const KmfKeyword *kw = &msh->KwdTab[kwd];
  int64_t cur = ftello(msh->hdl);
  if (cur < 0) KmfWriteFailed(msh);
  // Positions are 32-bit before version 3: a section starting past 2 GB cannot be pointed at,
  // and a truncated position would send readers into the middle of another section.
  if (msh->Ver < KmfWidePositions && cur > INT32_MAX) {
    KmfError(msh, "KMFSETKWD", "SECTION %s STARTS AT BYTE %lld, BEYOND WHAT A VERSION %d FILE CAN POINT AT",
             KmfKwdFmt[kwd][0], static_cast<long long>(cur), msh->Ver);
    msh->WrtErr = 1;
    return;
  }
  if (msh->NexKwdPos) {
    if (fseeko(msh->hdl, static_cast<off_t>(msh->NexKwdPos), SEEK_SET)) KmfWriteFailed(msh);
    KmfWriteSized(msh, KmfWidePositions, cur);
    KmfFlush(msh);
    if (fseeko(msh->hdl, static_cast<off_t>(cur), SEEK_SET)) KmfWriteFailed(msh);
  }
  KmfWriteI32(msh, kwd);
  msh->NexKwdPos = cur + 4;
  KmfWriteSized(msh, KmfWidePositions, 0);
  if (kind != KmfKwdInfo) KmfWriteSized(msh, KmfWideIntegers, lines);
  if (kind != KmfKwdSol) return;
  KmfWriteI32(msh, kw->NmbTyp);
  for (int i = 0; i < kw->NmbTyp; i++) KmfWriteI32(msh, kw->TypTab[i]);
  if (KmfKwdFmt[kwd][2][0] == 'h') {
    KmfWriteI32(msh, kw->Deg);
    KmfWriteI32(msh, kw->NmbNod);
  }
}

}  // namespace

int KmfSetKwd(KmfMeshFile *msh, int kwd, int64_t lines, ...) {
  if (!KmfUsable(msh, kwd, KmfWrite)) return 0;
  KmfKeyword *kw = &msh->KwdTab[kwd];
  int kind = KmfKeywordKind(kwd);
  if (kind == KmfKwdInfo) lines = 1;
  if (lines < 0 || (msh->Ver < KmfWideIntegers && lines > INT32_MAX)) {
    KmfError(msh, "KMFSETKWD", "INVALID LINE COUNT %lld FOR %s", static_cast<long long>(lines), KmfKwdFmt[kwd][0]);
    return 0;
  }
  kw->NmbTyp = 0;
  kw->Deg = 0;
  kw->NmbNod = 1;
  if (kind == KmfKwdSol) {
    va_list args;
    va_start(args, lines);
    int ntyp = va_arg(args, int);
    const int *types = va_arg(args, const int *);
    int deg = 0, nod = 1;
    if (KmfKwdFmt[kwd][2][0] == 'h') {
      deg = va_arg(args, int);
      nod = va_arg(args, int);
    }
    va_end(args);
    if (ntyp < 1 || ntyp > KmfMaxTyp || !types || deg < 0 || nod < 1) {
      KmfError(msh, "KMFSETKWD", "INVALID SOLUTION HEADER FOR %s", KmfKwdFmt[kwd][0]);
      return 0;
    }
    kw->NmbTyp = ntyp;
    std::memcpy(kw->TypTab, types, sizeof(int) * static_cast<size_t>(ntyp));
    kw->Deg = deg;
    kw->NmbNod = nod;
  }
  if (!KmfExpandKeyword(msh, kwd)) {
    KmfError(msh, "KMFSETKWD", "INVALID LINE SHAPE FOR %s", KmfKwdFmt[kwd][0]);
    kw->Typ = KmfKwdAbsent;
    return 0;
  }
  kw->NmbLin = lines;
  KmfFlush(msh);
  if (msh->Typ & KmfText)
    writeTextHeader(msh, kwd, kind, lines);
  else
    writeBinaryHeader(msh, kwd, kind, lines);
  KmfFlush(msh);
  return msh->WrtErr ? 0 : 1;
}

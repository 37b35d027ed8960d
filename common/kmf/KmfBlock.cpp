// Block transfers: whole ranges of lines between a section and the caller's records. A range
// of a keyword whose lines stand in several sections is cut where the sections end: a block of
// KmfBlockLines lines is read piece by piece, then converted and handed to the callback whole,
// as from one section.
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <type_traits>

#include "common/kmf/KmfInternal.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/kmf/KmfStream.h"
#include "common/base/Memory.h"
#include "common/pool/Parallel.h"

namespace {

// File types of a field.
enum { F32 = 1, F64 = 2, I32 = 3, I64 = 4 };

// Values of a text read from which it is parsed on the handle's pool.
const int64_t kMinPooledTextValues = 4 * KmfBlockLines;

int typeSize(int typ) { return typ == F32 || typ == I32 ? 4 : 8; }

int fileTypeOf(const KmfMeshFile *msh, char letter) {
  if (letter == 'r') return msh->FltSiz == 32 ? F32 : F64;
  return msh->Ver >= KmfWideIntegers ? I64 : I32;
}

// One column of the block: the values of field j in lines [0, n).
struct Column {
  const unsigned char *Src;  // first line's value in the file buffer
  int64_t SrcStride;         // line size
  char *Dst;                 // caller's field in record 0
  int64_t DstStride;
};

template <typename T>
inline T load(const unsigned char *p, bool swap) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  if (swap) KmfSwap(&v, sizeof(T));
  return v;
}

template <typename T>
inline void store(unsigned char *p, T v) {
  std::memcpy(p, &v, sizeof(T));
}

// Records of lines [0, n): record0 + l, or map[l] - 1.
struct Records {
  int64_t Record0;
  const void *Map;  // 1-based line numbers of the range: map[line index + 1]
  int MapTyp;
  int64_t MapBase;  // index in the map of line 0
  int64_t at(int64_t l) const {
    if (!Map) return Record0 + l;
    return (MapTyp == 3 ? static_cast<const int32_t *>(Map)[MapBase + l]
                        : static_cast<const int64_t *>(Map)[MapBase + l]) - 1;
  }
};

// Integers that do not fit the caller's type keep their low bits; reals convert.
template <typename FileT, typename CallT>
CallT convert(FileT v) {
  if constexpr (std::is_integral_v<FileT> && std::is_integral_v<CallT> && sizeof(CallT) < sizeof(FileT))
    return static_cast<CallT>(static_cast<std::make_unsigned_t<CallT>>(v));
  else
    return static_cast<CallT>(v);
}

template <typename FileT, typename CallT>
void readColumn(const Column &c, int64_t n, bool swap, const Records &rec) {
  const unsigned char *src = c.Src;
  if (!rec.Map) {
    char *dst = c.Dst + rec.Record0 * c.DstStride;
    for (int64_t l = 0; l < n; l++, src += c.SrcStride, dst += c.DstStride) {
      CallT v = convert<FileT, CallT>(load<FileT>(src, swap));
      std::memcpy(dst, &v, sizeof(CallT));
    }
  } else {
    for (int64_t l = 0; l < n; l++, src += c.SrcStride) {
      CallT v = convert<FileT, CallT>(load<FileT>(src, swap));
      std::memcpy(c.Dst + rec.at(l) * c.DstStride, &v, sizeof(CallT));
    }
  }
}

template <typename FileT>
void readColumnAs(int callTyp, const Column &c, int64_t n, bool swap, const Records &rec) {
  switch (callTyp) {
    case KmfFloat: readColumn<FileT, float>(c, n, swap, rec); break;
    case KmfDouble: readColumn<FileT, double>(c, n, swap, rec); break;
    case KmfInt: readColumn<FileT, int32_t>(c, n, swap, rec); break;
    default: readColumn<FileT, int64_t>(c, n, swap, rec); break;
  }
}

template <typename FileT, typename CallT>
void writeColumn(const Column &c, int64_t n, const Records &rec) {
  unsigned char *dst = const_cast<unsigned char *>(c.Src);
  for (int64_t l = 0; l < n; l++, dst += c.SrcStride) {
    CallT v;
    std::memcpy(&v, c.Dst + rec.at(l) * c.DstStride, sizeof(CallT));
    store<FileT>(dst, convert<CallT, FileT>(v));
  }
}

template <typename FileT>
void writeColumnAs(int callTyp, const Column &c, int64_t n, const Records &rec) {
  switch (callTyp) {
    case KmfFloat: writeColumn<FileT, float>(c, n, rec); break;
    case KmfDouble: writeColumn<FileT, double>(c, n, rec); break;
    case KmfInt: writeColumn<FileT, int32_t>(c, n, rec); break;
    default: writeColumn<FileT, int64_t>(c, n, rec); break;
  }
}

bool validCallType(int t) { return t >= KmfFloat && t <= KmfLong; }
int callSize(int t) { return t == KmfFloat || t == KmfInt ? 4 : 8; }

// Describes the fields of a variadic block call; false when the descriptions do not match
// the keyword's line.
bool parseFields(KmfMeshFile *msh, const KmfKeyword *kw, int64_t span, va_list args, KmfField *fields,
                 const char *fn) {
  int nfld = kw->SolSiz;
  if (kw->Typ == KmfKwdSol) {
    int typ = va_arg(args, int);
    char *a = va_arg(args, char *);
    char *b = va_arg(args, char *);
    if (typ != KmfFloat && typ != KmfDouble) {
      KmfError(msh, fn, "SOLUTION FIELDS MUST BE FLOAT OR DOUBLE, NOT TYPE %d", typ);
      return false;
    }
    int64_t stride = span ? (b - a) / span : 0;
    for (int j = 0; j < nfld; j++) fields[j] = {typ, a + j * callSize(typ), stride};
    return true;
  }
  int j = 0;
  for (int ndesc = 0; j < nfld; ndesc++) {
    int typ = va_arg(args, int);
    int n = 1;
    if (typ == KmfIntVec || typ == KmfLongVec) {
      n = va_arg(args, int);
      typ = typ == KmfIntVec ? KmfInt : KmfLong;
    }
    if (!validCallType(typ) || n < 1 || j + n > nfld || ndesc >= KmfMaxFields) {
      KmfError(msh, fn, "FIELD DESCRIPTIONS DO NOT MATCH THE %d VALUES OF A %s LINE", nfld, KmfKwdFmt[kw - msh->KwdTab][0]);
      return false;
    }
    char *a = va_arg(args, char *);
    char *b = va_arg(args, char *);
    int64_t stride = span ? (b - a) / span : 0;
    for (int t = 0; t < n; t++) fields[j++] = {typ, a + t * callSize(typ), stride};
  }
  return true;
}

// Letters of the line that carry a value, in order; false when the line holds a string,
// which block transfers do not move.
bool dataLetters(const KmfKeyword *kw, char *letters) {
  int n = 0;
  for (const char *c = kw->Fmt; *c; c++) {
    if (*c == 'c') return false;
    if (*c == 'i' || *c == 'r') letters[n++] = *c;
  }
  return true;
}

bool checkFields(KmfMeshFile *msh, const KmfKeyword *kw, int nfields, const KmfField *fields, const char *fn) {
  if (nfields != kw->SolSiz) {
    KmfError(msh, fn, "%d FIELDS GIVEN FOR A LINE OF %d VALUES", nfields, kw->SolSiz);
    return false;
  }
  for (int j = 0; j < nfields; j++)
    if (!validCallType(fields[j].Typ) || !fields[j].Adr) {
      KmfError(msh, fn, "INVALID FIELD %d", j + 1);
      return false;
    }
  return true;
}

// Reals go to float or double fields, integers to int32 or int64 fields.
bool checkFamilies(KmfMeshFile *msh, const char *letters, int nfields, const KmfField *fields, const char *fn) {
  for (int j = 0; j < nfields; j++) {
    bool real = fields[j].Typ == KmfFloat || fields[j].Typ == KmfDouble;
    if (real != (letters[j] == 'r')) {
      KmfError(msh, fn, "FIELD %d HAS TYPE %d, WHICH DOES NOT HOLD %s", j + 1, fields[j].Typ,
               letters[j] == 'r' ? "A REAL" : "AN INTEGER");
      return false;
    }
  }
  return true;
}

bool checkMap(KmfMeshFile *msh, int maptype, const void *map, int64_t n, const char *fn) {
  if (!map) return true;
  for (int64_t i = 1; i <= n; i++) {
    int64_t r = maptype == 3 ? static_cast<const int32_t *>(map)[i] : static_cast<const int64_t *>(map)[i];
    if (r < 1) {
      KmfError(msh, fn, "MAP ENTRY %lld IS %lld", static_cast<long long>(i), static_cast<long long>(r));
      return false;
    }
  }
  return true;
}

// Caller field that receives file field j: node-ordered keywords move the nodes, never the
// trailing reference.
int targetField(const KmfKeyword *kw, int j, int nfields) {
  return kw->OrdTab && j < nfields - 1 ? kw->OrdTab[j] : j;
}

struct Scratch {
  KmfField *Fields;
  char *Letters;
  Scratch() : Fields(nullptr), Letters(nullptr) {}
  bool make() {
    Fields = static_cast<KmfField *>(MEM_ALLOC(nullptr, Fields, sizeof(KmfField) * KmfMaxLetters));
    Letters = static_cast<char *>(MEM_ALLOC(nullptr, Letters, KmfMaxLetters + 1));
    return Fields && Letters;
  }
  ~Scratch() {
    MEM_FREE(nullptr, Fields);
    MEM_FREE(nullptr, Letters);
  }
};

template <typename T>
bool readText(KmfTextBuffer *rd, T *v) {
  if constexpr (std::is_same_v<T, float>) return KmfReaderFloat(rd, v);
  else if constexpr (std::is_same_v<T, double>) return KmfReaderReal(rd, v);
  else {
    int64_t x;
    if (!KmfReaderInt(rd, &x)) return false;
    if (std::is_same_v<T, int32_t> && (x < INT32_MIN || x > INT32_MAX)) return false;
    *v = static_cast<T>(x);
    return true;
  }
}

bool readTextField(KmfTextBuffer *rd, int typ, char *dst) {
  switch (typ) {
    case KmfFloat: { float v; if (!readText(rd, &v)) return false; std::memcpy(dst, &v, 4); return true; }
    case KmfDouble: { double v; if (!readText(rd, &v)) return false; std::memcpy(dst, &v, 8); return true; }
    case KmfInt: { int32_t v; if (!readText(rd, &v)) return false; std::memcpy(dst, &v, 4); return true; }
    default: { int64_t v; if (!readText(rd, &v)) return false; std::memcpy(dst, &v, 8); return true; }
  }
}

// The first and last line of section sec (1-based in it) that the joined lines first..last
// hold.
void piece(const KmfSection &sec, int64_t first, int64_t last, int64_t *lo, int64_t *hi) {
  *lo = first > sec.Lin0 ? first - sec.Lin0 : 1;
  *hi = last - sec.Lin0 < sec.NmbLin ? last - sec.Lin0 : sec.NmbLin;
}

// Records of the lines of a section from line lo on, line first of the range going to rec's
// first record.
Records pieceRecords(const Records &rec, const KmfSection &sec, int64_t lo, int64_t first) {
  Records r = rec;
  const int64_t off = sec.Lin0 + lo - first;
  r.Record0 += off;
  r.MapBase += off;
  return r;
}

// Line reads go on after line last of the keyword, in its section.
void linesAfter(KmfMeshFile *msh, int kwd, const KmfSectionList &secs, int64_t last) {
  const int s = secs.find(last);
  KmfLinesAt(msh, kwd, s, secs[s].Lin0 + secs[s].NmbLin - last);
}

// Reads lines 1..hi of a text section, those from lo on into rec's records from its first, the
// fields already in node order; false after the message (none when the seek failed).
bool readTextLines(KmfMeshFile *msh, int kwd, const KmfSection &sec, int64_t lo, int64_t hi, const Records &rec,
                   int nfields, const KmfField *order) {
  if (!KmfReaderSeek(msh->Rd, sec.Pos)) return false;
  char discard[8];
  for (int64_t line = 1; line <= hi; line++) {
    bool keep = line >= lo;
    int64_t r = keep ? rec.at(line - lo) : 0;
    for (int j = 0; j < nfields; j++) {
      const KmfField &f = order[j];
      if (!readTextField(msh->Rd, f.Typ, keep ? f.Adr + r * f.Stride : discard)) {
        KmfError(msh, "KMFGETBLOCK", "CANNOT READ LINE %lld OF %s", static_cast<long long>(sec.Lin0 + line),
                 KmfKwdFmt[kwd][0]);
        return false;
      }
    }
  }
  return true;
}

int getText(KmfMeshFile *msh, int kwd, const KmfKeyword *kw, const KmfSectionList &secs, int64_t first, int64_t last,
            const Records &rec, KmfBlockCallback cb, void *cbarg, int nfields, const KmfField *fields) {
  // The caller's field of every value of a line, node ordering applied once.
  KmfField *order = static_cast<KmfField *>(MEM_ALLOC(nullptr, order, sizeof(KmfField) * static_cast<size_t>(nfields)));
  if (!order) return 0;
  for (int j = 0; j < nfields; j++) order[j] = fields[targetField(kw, j, nfields)];
  int res = 1;
  for (int s = secs.find(first); res && s < secs.size() && secs[s].Lin0 < last; s++) {
    int64_t lo, hi;
    piece(secs[s], first, last, &lo, &hi);
    res = readTextLines(msh, kwd, secs[s], lo, hi, pieceRecords(rec, secs[s], lo, first), nfields, order) ? 1 : 0;
  }
  MEM_FREE(nullptr, order);
  if (!res) return 0;
  linesAfter(msh, kwd, secs, last);
  if (cb) cb(first, last, cbarg);
  return 1;
}

// The text lines first..last parsed on the handle's pool, section after section, each with
// the fields of its first line (sections too small for the pool are read here, silently: a
// fault is said by the serial read the caller then makes), then the callback on the pool.
// False when the pool gave up or no section was worth it.
bool getTextOnPool(KmfMeshFile *msh, int kwd, const KmfSectionList &secs, int64_t first, int64_t last,
                   KmfBlockCallback cb, void *cbarg, int nfields, const KmfField *order) {
  const int s0 = secs.find(first), s1 = secs.find(last);
  bool worth = false;
  for (int s = s0; s <= s1; s++) {
    int64_t lo, hi;
    piece(secs[s], first, last, &lo, &hi);
    worth = worth || hi * nfields >= kMinPooledTextValues;
  }
  if (!worth) return false;
  KmfField *shifted =
      static_cast<KmfField *>(MEM_ALLOC(nullptr, shifted, sizeof(KmfField) * static_cast<size_t>(nfields)));
  bool ok = shifted;
  const Records none{0, nullptr, 0, 1};
  for (int s = s0; ok && s <= s1; s++) {
    int64_t lo, hi;
    piece(secs[s], first, last, &lo, &hi);
    const int64_t off = secs[s].Lin0 + lo - first;
    for (int j = 0; j < nfields; j++) shifted[j] = {order[j].Typ, order[j].Adr + off * order[j].Stride, order[j].Stride};
    if (hi * nfields >= kMinPooledTextValues) {
      ok = KmfParseTextOnPool(msh, secs[s], lo, hi, nfields, shifted);
    } else {
      const int quiet = msh->Quiet;
      msh->Quiet = 1;
      ok = readTextLines(msh, kwd, secs[s], lo, hi, none, nfields, shifted);
      msh->Quiet = quiet;
    }
  }
  MEM_FREE(nullptr, shifted);
  if (!ok) return false;
  linesAfter(msh, kwd, secs, last);
  if (cb) KmfCallbackOnPool(msh, first, last, cb, cbarg);
  return true;
}

// Calls move(file offset, buffer, bytes) for the joined lines [line, line + n) of binary lines
// of lineBytes bytes, once per section they stand in, the buffer filling on; false as soon as
// one fails.
template <class Move>
bool eachPiece(const KmfSectionList &secs, int64_t line, int64_t n, int64_t lineBytes, unsigned char *buf, Move move) {
  for (int s = secs.find(line); n > 0 && s < secs.size(); s++) {
    const KmfSection &sec = secs[s];
    const int64_t at = line - sec.Lin0, k = sec.NmbLin - at + 1 < n ? sec.NmbLin - at + 1 : n;
    if (!move(sec.Pos + (at - 1) * lineBytes, buf, k * lineBytes)) return false;
    buf += k * lineBytes;
    line += k;
    n -= k;
  }
  return n == 0;
}

void convertBlock(const KmfMeshFile *msh, const KmfKeyword *kw, const unsigned char *buf, int64_t n,
                  int64_t lineBytes, const Records &rec, int nfields, const KmfField *fields, const char *letters) {
  bool swap = msh->Cod != 1;
  int64_t off = 0;
  for (int j = 0; j < nfields; j++) {
    int ft = fileTypeOf(msh, letters[j]);
    const KmfField &f = fields[targetField(kw, j, nfields)];
    Column c{buf + off, lineBytes, f.Adr, f.Stride};
    switch (ft) {
      case F32: readColumnAs<float>(f.Typ, c, n, swap, rec); break;
      case F64: readColumnAs<double>(f.Typ, c, n, swap, rec); break;
      case I32: readColumnAs<int32_t>(f.Typ, c, n, swap, rec); break;
      default: readColumnAs<int64_t>(f.Typ, c, n, swap, rec); break;
    }
    off += typeSize(ft);
  }
}

// Whether a block read may run on the handle's pool: no map (two lines could then go to one
// record), and fields of one stride that keep every record apart from the next.
bool onPool(const KmfMeshFile *msh, const Records &rec, int nfields, const KmfField *fields) {
  if (!msh->Pool || msh->Pool->NbrCpu < 2 || rec.Map || nfields < 1) return false;
  const int64_t stride = fields[0].Stride;
  const char *lo = fields[0].Adr, *hi = fields[0].Adr;
  for (int j = 0; j < nfields; j++) {
    if (fields[j].Stride != stride) return false;
    if (fields[j].Adr < lo) lo = fields[j].Adr;
    if (fields[j].Adr + callSize(fields[j].Typ) > hi) hi = fields[j].Adr + callSize(fields[j].Typ);
  }
  return stride > 0 && hi - lo <= stride;
}

void reportBlock(const KmfAioCb *cb, int64_t block, int64_t nblocks, int64_t lines, bool read) {
  if (read) {
    printf("block      = %lld / %lld\n", static_cast<long long>(block), static_cast<long long>(nblocks));
    printf("size       = %lld lines\n", static_cast<long long>(lines));
  }
  KmfAioReport(cb);
}

// One binary block read shared by the pool's threads: each reads its blocks with pread (the
// stream's position is not shared), converts them and calls the callback.
struct BinaryJob {
  const KmfMeshFile *Msh;
  const KmfKeyword *Kw;
  const KmfSectionList *Secs;
  int64_t First, Nlin, LineBytes, BlockBytes;
  Records Rec;
  int Nfields;
  const KmfField *Fields;
  const char *Letters;
  KmfBlockCallback Cb;
  void *CbArg;
  unsigned char *Bufs;  // one block buffer per thread
  int64_t Nblocks;
  int64_t Next;         // next block to take (atomic): a thread the system holds back
                        // delays its own block only
  int Failed;           // first failed block + 1, 0 when none (atomic)
  int FailErrno;
  int64_t FailOff, FailBytes;  // the transfer that failed
};

bool preadAll(int fd, unsigned char *buf, int64_t n, int64_t off) {
  while (n > 0) {
    ssize_t got = pread(fd, buf, static_cast<size_t>(n), static_cast<off_t>(off));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    buf += got;
    n -= got;
    off += got;
  }
  return true;
}

void binaryBlocks(int, int, int thread, void *arg) {
  auto *job = static_cast<BinaryJob *>(arg);
  unsigned char *buf = job->Bufs + static_cast<size_t>(thread) * static_cast<size_t>(job->BlockBytes);
  for (;;) {
    int64_t b = __atomic_fetch_add(&job->Next, 1, __ATOMIC_RELAXED);
    if (b >= job->Nblocks || __atomic_load_n(&job->Failed, __ATOMIC_RELAXED)) return;
    int64_t l0 = b * KmfBlockLines;
    int64_t n = job->Nlin - l0 < KmfBlockLines ? job->Nlin - l0 : int64_t(KmfBlockLines);
    int err = 0;
    int64_t failOff = 0, failBytes = 0;
    const int fd = fileno(job->Msh->hdl);
    if (!eachPiece(*job->Secs, job->First + l0, n, job->LineBytes, buf, [&](int64_t off, unsigned char *p, int64_t bytes) {
          if (preadAll(fd, p, bytes, off)) return true;
          err = errno, failOff = off, failBytes = bytes;
          return false;
        })) {
      int none = 0;
      if (__atomic_compare_exchange_n(&job->Failed, &none, static_cast<int>(b) + 1, false, __ATOMIC_RELAXED,
                                      __ATOMIC_RELAXED)) {
        job->FailErrno = err;
        job->FailOff = failOff;
        job->FailBytes = failBytes;
      }
      return;
    }
    Records r = job->Rec;
    r.Record0 += l0;
    convertBlock(job->Msh, job->Kw, buf, n, job->LineBytes, r, job->Nfields, job->Fields, job->Letters);
    if (job->Cb) job->Cb(job->First + l0, job->First + l0 + n - 1, job->CbArg);
  }
}

int getBinaryParallel(KmfMeshFile *msh, int kwd, int64_t nblocks, int64_t lineBytes, BinaryJob job) {
  job.BlockBytes = KmfBlockLines * lineBytes;
  size_t bytes = static_cast<size_t>(job.BlockBytes) * static_cast<size_t>(msh->Pool->NbrCpu);
  job.Bufs = static_cast<unsigned char *>(MEM_ALLOC(nullptr, job.Bufs, bytes));
  if (!job.Bufs) return 0;
  job.Nblocks = nblocks;
  job.Next = 0;
  LaunchRange(msh->Pool, msh->Pool->NbrCpu, binaryBlocks, &job);
  int res = 1;
  if (job.Failed) {
    int64_t b = job.Failed - 1;
    int64_t n = job.Nlin - b * KmfBlockLines < KmfBlockLines ? job.Nlin - b * KmfBlockLines : int64_t(KmfBlockLines);
    KmfAioCb aio{msh->hdl, job.FailOff, job.Bufs, job.FailBytes, -1};
    KmfError(msh, "KMFGETBLOCK", "READING %s FAILED", KmfKwdFmt[kwd][0]);
    errno = job.FailErrno;
    reportBlock(&aio, b + 1, nblocks, n, true);
    res = 0;
  }
  MEM_FREE(nullptr, job.Bufs);
  return res;
}

int getBinary(KmfMeshFile *msh, int kwd, const KmfKeyword *kw, const KmfSectionList &secs, int64_t first,
              int64_t last, const Records &rec, KmfBlockCallback cb, void *cbarg, int nfields, const KmfField *fields,
              const char *letters) {
  int64_t lineBytes = 0;
  for (int j = 0; j < nfields; j++) lineBytes += typeSize(fileTypeOf(msh, letters[j]));
  for (int s = secs.find(first), s1 = secs.find(last); s <= s1; s++)
    if (!KmfLinesFit(msh, kw, secs[s], lineBytes)) {
      KmfError(msh, "KMFGETBLOCK", "SECTION %s HOLDS FEWER LINES THAN IT DECLARES", KmfKwdFmt[kwd][0]);
      return 0;
    }
  int64_t nlin = last - first + 1;
  int64_t nblocks = (nlin + KmfBlockLines - 1) / KmfBlockLines;
  int res = 1;
  if (nblocks >= 2 && nblocks <= INT32_MAX && onPool(msh, rec, nfields, fields)) {
    BinaryJob job{msh, kw, &secs, first, nlin, lineBytes, 0, rec, nfields, fields, letters, cb, cbarg,
                  nullptr, 0, 0, 0, 0, 0, 0};
    res = getBinaryParallel(msh, kwd, nblocks, lineBytes, job);
  } else {
    int64_t blockLines = nlin < KmfBlockLines ? nlin : int64_t(KmfBlockLines);
    // One buffer: each block is read whole, then converted. Reading the next block on a thread
    // of its own while converting was measured slower than this on files the system caches.
    unsigned char *buf =
        static_cast<unsigned char *>(MEM_ALLOC(nullptr, buf, static_cast<size_t>(blockLines * lineBytes)));
    res = buf ? 1 : 0;
    for (int64_t b = 0; res && b < nblocks; b++) {
      int64_t n = b + 1 < nblocks ? int64_t(KmfBlockLines) : nlin - b * KmfBlockLines;
      int64_t l0 = first + b * KmfBlockLines;
      KmfAioCb aio{msh->hdl, 0, buf, 0, 0};
      if (!eachPiece(secs, l0, n, lineBytes, buf, [&](int64_t off, unsigned char *p, int64_t bytes) {
            aio = {msh->hdl, off, p, bytes, 0};
            return !KmfAioRead(&aio);
          })) {
        KmfError(msh, "KMFGETBLOCK", "READING %s FAILED", KmfKwdFmt[kwd][0]);
        reportBlock(&aio, b + 1, nblocks, n, true);
        res = 0;
        break;
      }
      Records r = rec;
      r.Record0 += b * KmfBlockLines;
      r.MapBase += b * KmfBlockLines;
      convertBlock(msh, kw, buf, n, lineBytes, r, nfields, fields, letters);
      if (cb) cb(l0, l0 + n - 1, cbarg);
    }
    MEM_FREE(nullptr, buf);
  }
  // The transfers moved the stream: line reads go on after the block, from the file.
  const KmfSection &end = secs[secs.find(last)];
  KmfReaderDrop(msh->Rd);
  KmfReaderSeek(msh->Rd, end.Pos + (last - end.Lin0) * lineBytes);
  linesAfter(msh, kwd, secs, last);
  return res;
}

void writeTextLine(KmfMeshFile *msh, int nfields, const KmfField *fields, int64_t r) {
  for (int j = 0; j < nfields; j++) {
    const char *src = fields[j].Adr + r * fields[j].Stride;
    switch (fields[j].Typ) {
      case KmfFloat: { float v; std::memcpy(&v, src, 4); KmfWriteReal(msh, v, true); break; }
      case KmfDouble: { double v; std::memcpy(&v, src, 8); KmfWriteReal(msh, v, false); break; }
      case KmfInt: { int32_t v; std::memcpy(&v, src, 4); KmfWriteInt(msh, v); break; }
      default: { int64_t v; std::memcpy(&v, src, 8); KmfWriteInt(msh, v); break; }
    }
  }
  KmfWriteText(msh, "\n");
}

// Converts the records of lines [0, n) into the file's layout in buf: the mirror of
// convertBlock (no node ordering on writing).
void packBlock(const KmfMeshFile *msh, unsigned char *buf, int64_t n, int64_t lineBytes, const Records &rec,
               int nfields, const KmfField *fields, const char *letters) {
  int64_t off = 0;
  for (int j = 0; j < nfields; j++) {
    int ft = fileTypeOf(msh, letters[j]);
    Column c{buf + off, lineBytes, fields[j].Adr, fields[j].Stride};
    switch (ft) {
      case F32: writeColumnAs<float>(fields[j].Typ, c, n, rec); break;
      case F64: writeColumnAs<double>(fields[j].Typ, c, n, rec); break;
      case I32: writeColumnAs<int32_t>(fields[j].Typ, c, n, rec); break;
      default: writeColumnAs<int64_t>(fields[j].Typ, c, n, rec); break;
    }
    off += typeSize(ft);
  }
}

int setBinary(KmfMeshFile *msh, const KmfKeyword *kw, const Records &rec, KmfBlockCallback cb, void *cbarg,
              int nfields, const KmfField *fields, const char *letters) {
  int64_t lineBytes = 0;
  for (int j = 0; j < nfields; j++) lineBytes += typeSize(fileTypeOf(msh, letters[j]));
  int64_t nlin = kw->NmbLin;
  int64_t nblocks = (nlin + KmfBlockLines - 1) / KmfBlockLines;
  int64_t blockLines = nlin < KmfBlockLines ? nlin : int64_t(KmfBlockLines);
  if (!KmfFlush(msh)) return 0;
  int64_t start = ftello(msh->hdl);
  if (start < 0) return 0;
  size_t bufBytes = static_cast<size_t>(blockLines * lineBytes);
  unsigned char *buf = static_cast<unsigned char *>(MEM_ALLOC(nullptr, buf, bufBytes ? bufBytes : 1));
  int res = buf ? 1 : 0;
  for (int64_t b = 0; res && b < nblocks; b++) {
    int64_t l0 = b * KmfBlockLines;
    int64_t n = b + 1 < nblocks ? int64_t(KmfBlockLines) : nlin - l0;
    if (cb) cb(l0 + 1, l0 + n, cbarg);
    Records r = rec;
    r.Record0 += l0;
    r.MapBase += l0;
    packBlock(msh, buf, n, lineBytes, r, nfields, fields, letters);
    KmfAioCb aio{msh->hdl, start + l0 * lineBytes, buf, n * lineBytes, 0};
    if (KmfAioWrite(&aio)) {
      KmfWriteFailed(msh);
      KmfError(msh, "KMFSETBLOCK", "WRITING FAILED");
      reportBlock(&aio, b + 1, nblocks, n, false);
      res = 0;
    }
  }
  MEM_FREE(nullptr, buf);
  if (res && fseeko(msh->hdl, static_cast<off_t>(start + nlin * lineBytes), SEEK_SET)) res = 0;
  return res;
}

}  // namespace

int KmfGetBlockFields(KmfMeshFile *msh, int kwd, int64_t first, int64_t last, int maptype, void *map,
                      KmfBlockCallback cb, void *cbarg, int nfields, const KmfField *fields) {
  if (!KmfUsable(msh, kwd, KmfRead)) return 0;
  const KmfKeyword *kw = &msh->KwdTab[kwd];
  if (!kw->NmbLin || (kw->Typ != KmfKwdData && kw->Typ != KmfKwdSol) || first < 1 || first > last ||
      last > kw->NmbLin)
    return 0;
  if (!checkFields(msh, kw, nfields, fields, "KMFGETBLOCK")) return 0;
  if (maptype != 3 && maptype != 4) map = nullptr;
  if (!checkMap(msh, maptype, map, last - first + 1, "KMFGETBLOCK")) return 0;
  Scratch s;
  if (!s.make()) return 0;
  if (!dataLetters(kw, s.Letters)) {
    KmfError(msh, "KMFGETBLOCK", "SECTION %s HOLDS STRINGS: READ IT LINE BY LINE", KmfKwdFmt[kwd][0]);
    return 0;
  }
  for (int j = 0; j < nfields; j++) s.Fields[j] = fields[targetField(kw, j, nfields)];
  if (!checkFamilies(msh, s.Letters, nfields, s.Fields, "KMFGETBLOCK")) return 0;
  Records rec{0, map, maptype, 1};
  const KmfSectionList secs(kw);
  if (msh->Typ & KmfText) {
    // Small sections are not worth the pool.
    if (onPool(msh, rec, nfields, s.Fields) && getTextOnPool(msh, kwd, secs, first, last, cb, cbarg, nfields, s.Fields))
      return 1;
    return getText(msh, kwd, kw, secs, first, last, rec, cb, cbarg, nfields, fields);
  }
  return getBinary(msh, kwd, kw, secs, first, last, rec, cb, cbarg, nfields, fields, s.Letters);
}

int KmfSetBlockFields(KmfMeshFile *msh, int kwd, int maptype, void *map, KmfBlockCallback cb, void *cbarg,
                      int nfields, const KmfField *fields) {
  if (!KmfUsable(msh, kwd, KmfWrite)) return 0;
  const KmfKeyword *kw = &msh->KwdTab[kwd];
  if (kw->Typ != KmfKwdData && kw->Typ != KmfKwdSol) return 0;
  if (!checkFields(msh, kw, nfields, fields, "KMFSETBLOCK")) return 0;
  if (maptype != 3 && maptype != 4) map = nullptr;
  if (!checkMap(msh, maptype, map, kw->NmbLin, "KMFSETBLOCK")) return 0;
  Scratch s;
  if (!s.make()) return 0;
  if (!dataLetters(kw, s.Letters)) {
    KmfError(msh, "KMFSETBLOCK", "SECTION %s HOLDS STRINGS: WRITE IT LINE BY LINE", KmfKwdFmt[kwd][0]);
    return 0;
  }
  if (!checkFamilies(msh, s.Letters, nfields, fields, "KMFSETBLOCK")) return 0;
  Records rec{0, map, maptype, 1};
  if (msh->Typ & KmfText) {
    if (cb) cb(1, kw->NmbLin, cbarg);
    for (int64_t l = 0; l < kw->NmbLin; l++) writeTextLine(msh, nfields, fields, rec.at(l));
    return msh->WrtErr ? 0 : 1;
  }
  return setBinary(msh, kw, rec, cb, cbarg, nfields, fields, s.Letters);
}

int KmfGetBlock(KmfMeshFile *msh, int kwd, int64_t first, int64_t last, int maptype, void *map,
                KmfBlockCallback cb, ...) {
  if (!KmfUsable(msh, kwd, KmfRead) || !msh->KwdTab[kwd].NmbLin) return 0;
  Scratch s;
  if (!s.make()) return 0;
  va_list args;
  va_start(args, cb);
  void *cbarg = cb ? va_arg(args, void *) : nullptr;
  bool ok = parseFields(msh, &msh->KwdTab[kwd], last - first, args, s.Fields, "KMFGETBLOCK");
  va_end(args);
  if (!ok) return 0;
  return KmfGetBlockFields(msh, kwd, first, last, maptype, map, cb, cbarg, msh->KwdTab[kwd].SolSiz, s.Fields);
}

int KmfSetBlock(KmfMeshFile *msh, int kwd, int64_t, int64_t, int maptype, void *map, KmfBlockCallback cb, ...) {
  if (!KmfUsable(msh, kwd, KmfWrite) || msh->KwdTab[kwd].Typ == KmfKwdAbsent) return 0;
  Scratch s;
  if (!s.make()) return 0;
  va_list args;
  va_start(args, cb);
  void *cbarg = cb ? va_arg(args, void *) : nullptr;
  bool ok = parseFields(msh, &msh->KwdTab[kwd], msh->KwdTab[kwd].NmbLin - 1, args, s.Fields, "KMFSETBLOCK");
  va_end(args);
  if (!ok) return 0;
  return KmfSetBlockFields(msh, kwd, maptype, map, cb, cbarg, msh->KwdTab[kwd].SolSiz, s.Fields);
}

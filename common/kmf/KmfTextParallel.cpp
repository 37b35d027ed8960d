// Text sections parsed on the worker pool.
//
// The section's bytes are read in chunks (by the pool's threads, a piece each); each chunk is
// cut at line starts into small ranges that the threads take one by one. They first count the
// values (words) of their ranges; the counts give every range the place of its first value in
// the section, and the threads then convert each value of their ranges straight into its
// record: the i-th value of the section belongs to line i / fields + 1, field i % fields,
// whatever the lines look like. Words are split and comments (a word starting with '#' runs to
// the end of its line) skipped as the serial reader does, and numbers are converted by the
// same routine, so the records get the same bits. Cutting at line starts keeps every word and
// every comment inside one range.
//
// Whatever this pass cannot vouch for (a word that is not a number of its field's type, a
// word too long, a line longer than a chunk, fewer values than the section declares) makes it
// give up; the caller then reads the section again on its own thread, which reports what is
// wrong exactly as it always does.
#include <cstdint>
#include <cstring>

#include "common/base/Memory.h"
#include "common/kmf/KmfInternal.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/kmf/KmfStream.h"
#include "common/pool/Parallel.h"

namespace {

// Bytes of a chunk per thread, and ranges per thread in a chunk: small ranges taken one by one
// keep every thread busy when the system holds one of them back.
const int64_t kChunkPerThread = 512 * 1024;
const int kRangesPerThread = 8;

inline bool isSpace(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The start of the next word at or after p (end when there is none), comments skipped.
inline const char *wordStart(const char *p, const char *end, bool comments) {
  for (;;) {
    while (p < end && isSpace(*p)) p++;
    if (p == end || *p != '#' || !comments) return p;
    p = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    if (!p) return end;
    p++;
  }
}

// The next word at or after p before end, blanks and comments skipped: its start (end when
// there is none); *stop receives its end.
inline const char *nextWord(const char *p, const char *end, bool comments, const char **stop) {
  p = wordStart(p, end, comments);
  const char *q = p;
  while (q < end && !isSpace(*q)) q++;
  *stop = q;
  return p;
}

// A word of fewer than 18 digits ending at a blank or at end, converted in the same pass:
// most values of a mesh. Its end, or null for any other word.
inline const char *plainInteger(const char *p, const char *end, int64_t *val) {
  int64_t v = 0;
  const char *q = p;
  for (; q < end && q - p < 18 && static_cast<unsigned>(*q - '0') < 10; q++) v = 10 * v + (*q - '0');
  if (q == p || q - p >= 18 || (q < end && !isSpace(*q))) return nullptr;
  *val = v;
  return q;
}

// One value into a field of the caller's type: the whole word must be the number.
bool convertWord(const char *p, const char *e, int typ, char *dst) {
  switch (typ) {
    case KmfFloat: {
      float v;
      if (KmfParseFloat(p, e, &v) != e) return false;
      std::memcpy(dst, &v, 4);
      return true;
    }
    case KmfDouble: {
      double v;
      if (KmfParseReal(p, e, &v) != e) return false;
      std::memcpy(dst, &v, 8);
      return true;
    }
    default: {
      int64_t v = 0;
      // Plain decimal integers, most of a mesh, are converted here; signs, long ones and
      // anything else by the readers' routine.
      const char *q = p;
      if (e - p < 18)
        for (; q < e && static_cast<unsigned>(*q - '0') < 10; q++) v = 10 * v + (*q - '0');
      if (q != e && KmfParseInt(p, e, &v) != e) return false;
      if (typ == KmfInt) {
        if (v < INT32_MIN || v > INT32_MAX) return false;
        int32_t w = static_cast<int32_t>(v);
        std::memcpy(dst, &w, 4);
      } else {
        std::memcpy(dst, &v, 8);
      }
      return true;
    }
  }
}

struct Range {
  const char *Beg, *End;
  int64_t Count;  // values in the range
  int64_t First;  // place in the section of its first value
};

struct TextJob {
  bool Comments;
  int Nfields;
  const KmfField *Order;  // the caller's field of each value of a line
  int64_t FirstLine;      // lines before it are converted and dropped
  int64_t Skip, Need;     // values before the first line kept, values up to the last line
  Range *Ranges;
  int NbrRanges;
  int64_t ChunkPos;       // file offset of the chunk's first byte
  const char *Chunk;
  int Next;               // next range to take (atomic)
  int Failed;             // atomic
  int64_t EndPos;         // file offset just after the last value, once it was converted
};

// The next range of the chunk for a thread, or -1.
int takeRange(TextJob *job) {
  int k = __atomic_fetch_add(&job->Next, 1, __ATOMIC_RELAXED);
  return k < job->NbrRanges ? k : -1;
}

void countRanges(int, int, int, void *arg) {
  auto *job = static_cast<TextJob *>(arg);
  for (int k; (k = takeRange(job)) >= 0;) {
    Range &r = job->Ranges[k];
    // Word starts: a byte that is no blank after one that is. A range without '#' has no
    // comment and is counted eight bytes at a time; one with it word by word.
    int64_t n = 0;
    if (!job->Comments || !std::memchr(r.Beg, '#', static_cast<size_t>(r.End - r.Beg))) {
      const uint64_t high = 0x8080808080808080ull, low = 0x2121212121212121ull;
      uint64_t prev = 0;  // high bit of the last byte: the byte before the range is a blank
      const char *p = r.Beg;
      for (; r.End - p >= 8; p += 8) {
        uint64_t x;
        std::memcpy(&x, p, 8);
        // High bit of each byte set when the byte is no blank (above ' ', or from 0x80 on).
        uint64_t word = (((x | high) - low) | x) & high;
        uint64_t starts = word & ~((word << 8) | prev);
        n += static_cast<int64_t>(((starts >> 7) * 0x0101010101010101ull) >> 56);
        prev = word >> 56;
      }
      for (bool blank = !prev; p < r.End; p++) {
        bool b = isSpace(*p);
        n += blank & !b;
        blank = b;
      }
    } else {
      const char *stop = nullptr;
      for (const char *p = nextWord(r.Beg, r.End, job->Comments, &stop); p < r.End;
           p = nextWord(stop, r.End, job->Comments, &stop))
        n++;
    }
    r.Count = n;
  }
}

void convertRanges(int, int, int, void *arg) {
  auto *job = static_cast<TextJob *>(arg);
  // Held apart from the job: the stores into the records could otherwise alias it.
  const int nf = job->Nfields;
  const int64_t need = job->Need, skip = job->Skip, first = job->FirstLine;
  const bool comments = job->Comments;
  const KmfField *order = job->Order;
  char drop[8];
  for (int k; (k = takeRange(job)) >= 0;) {
    const Range &r = job->Ranges[k];
    int64_t g = r.First;
    if (g >= need) continue;
    int64_t line = g / nf, j = g % nf;  // line counted from 0 in the section
    const char *stop = nullptr;
    for (const char *p = wordStart(r.Beg, r.End, comments); p < r.End && g < need;
         p = wordStart(stop, r.End, comments), g++) {
      const KmfField &f = order[j];
      char *dst = g >= skip ? f.Adr + (line + 1 - first) * f.Stride : drop;
      int64_t v;
      if ((f.Typ == KmfLong || f.Typ == KmfInt) && (stop = plainInteger(p, r.End, &v)) &&
          (f.Typ == KmfLong || v <= INT32_MAX)) {
        if (f.Typ == KmfLong) {
          std::memcpy(dst, &v, 8);
        } else {
          int32_t w = static_cast<int32_t>(v);
          std::memcpy(dst, &w, 4);
        }
      } else {
        nextWord(p, r.End, comments, &stop);
        // The serial reader sees at most its window of a word: longer ones are left to it.
        if (stop - p >= KmfWordWindow || !convertWord(p, stop, f.Typ, dst)) {
          __atomic_store_n(&job->Failed, 1, __ATOMIC_RELAXED);
          return;
        }
      }
      if (g == need - 1) job->EndPos = job->ChunkPos + (stop - job->Chunk);
      if (++j == nf) {
        j = 0;
        line++;
      }
    }
  }
}

// Cuts [0, len) of the chunk into at most n ranges ending at line ends; returns their count.
int cutRanges(const char *chunk, int64_t len, int n, Range *ranges) {
  int cnt = 0;
  const char *beg = chunk, *end = chunk + len;
  for (int k = 1; k <= n && beg < end; k++) {
    const char *cut = k == n ? end : chunk + len * k / n;
    if (cut < beg) cut = beg;
    if (cut < end) {
      const char *nl = static_cast<const char *>(std::memchr(cut, '\n', static_cast<size_t>(end - cut)));
      cut = nl ? nl + 1 : end;
    }
    if (cut > beg) ranges[cnt++] = {beg, cut, 0, 0};
    beg = cut;
  }
  return cnt;
}

// The bytes of a chunk, read by the pool's threads one piece each (copying from the system's
// cache is work worth sharing too).
const int kReadPieces = 4;  // pieces of a chunk read per thread, taken one by one

struct ReadJob {
  int Fd;
  char *Buf;
  int64_t Off, N, Piece;
  int NbrPieces, Next;  // Next: the next piece to take (atomic)
  int64_t Got[kReadPieces * PoolMaxThreads];
  int Err;  // atomic
};

void readPieces(int, int, int, void *arg) {
  auto *job = static_cast<ReadJob *>(arg);
  for (int k; (k = __atomic_fetch_add(&job->Next, 1, __ATOMIC_RELAXED)) < job->NbrPieces;) {
    int64_t at = k * job->Piece, n = job->N - at < job->Piece ? job->N - at : job->Piece;
    job->Got[k] = 0;
    if (n > 0 && !KmfReadAt(job->Fd, job->Buf + at, n, job->Off + at, &job->Got[k]))
      __atomic_store_n(&job->Err, 1, __ATOMIC_RELAXED);
  }
}

// Reads n bytes at off into buf on the pool; false on a read error, *got the bytes read (fewer
// than n at the end of the file).
bool readChunk(ParallelPool *pool, int fd, char *buf, int64_t n, int64_t off, int64_t *got) {
  ReadJob job;
  job.Fd = fd;
  job.Buf = buf;
  job.Off = off;
  job.N = n;
  job.NbrPieces = kReadPieces * pool->NbrCpu;
  job.Piece = (n + job.NbrPieces - 1) / job.NbrPieces;
  job.Next = 0;
  job.Err = 0;
  LaunchRange(pool, pool->NbrCpu, readPieces, &job);
  // The file's bytes are contiguous up to the first short piece.
  *got = 0;
  for (int k = 0; k < job.NbrPieces; k++) {
    *got += job.Got[k];
    if (job.Got[k] < job.Piece) break;
  }
  return !job.Err;
}

// Converts the values of lines 1..last of the section at pos, chunk after chunk; false when
// it gave up (the records it filled are then read again by the caller).
bool parseSection(const KmfMeshFile *msh, int64_t pos, TextJob *job) {
  ParallelPool *pool = msh->Pool;
  const int nthr = pool->NbrCpu;
  const int64_t cap = kChunkPerThread * nthr;
  char *buf = static_cast<char *>(MEM_ALLOC(nullptr, buf, static_cast<size_t>(cap)));
  const int maxRanges = kRangesPerThread * nthr;
  Range *ranges = static_cast<Range *>(MEM_ALLOC(nullptr, ranges, sizeof(Range) * static_cast<size_t>(maxRanges)));
  bool ok = buf && ranges;
  int fd = fileno(msh->hdl);
  int64_t have = 0, seen = 0;
  job->Chunk = buf;
  job->Ranges = ranges;
  while (ok) {
    int64_t got = 0;
    ok = readChunk(pool, fd, buf + have, cap - have, pos + have, &got);
    if (!ok) break;
    bool eof = have + got < cap;
    int64_t len = have + got;
    // Whole lines only, unless the file ends here.
    int64_t use = len;
    if (!eof) {
      while (use > 0 && buf[use - 1] != '\n') use--;
      if (use == 0) {
        ok = false;  // a line longer than a chunk
        break;
      }
    }
    job->ChunkPos = pos;
    job->NbrRanges = cutRanges(buf, use, maxRanges, ranges);
    job->Next = 0;
    LaunchRange(pool, nthr, countRanges, job);
    for (int k = 0; k < job->NbrRanges; k++) {
      ranges[k].First = seen;
      seen += ranges[k].Count;
    }
    job->Next = 0;
    LaunchRange(pool, nthr, convertRanges, job);
    if (__atomic_load_n(&job->Failed, __ATOMIC_RELAXED)) ok = false;
    if (!ok || seen >= job->Need) break;
    if (eof) {
      ok = false;  // fewer values than declared
      break;
    }
    std::memmove(buf, buf + use, static_cast<size_t>(len - use));
    have = len - use;
    pos += use;
  }
  MEM_FREE(nullptr, ranges);
  MEM_FREE(nullptr, buf);
  return ok;
}

struct CallbackJob {
  int64_t First, Last, Next;
  KmfBlockCallback Cb;
  void *Arg;
};

void callbackBlocks(int, int, int, void *arg) {
  auto *job = static_cast<CallbackJob *>(arg);
  for (;;) {
    int64_t l0 = job->First + __atomic_fetch_add(&job->Next, 1, __ATOMIC_RELAXED) * KmfBlockLines;
    if (l0 > job->Last) return;
    int64_t l1 = job->Last - l0 < KmfBlockLines ? job->Last : l0 + KmfBlockLines - 1;
    job->Cb(l0, l1, job->Arg);
  }
}

}  // namespace

bool KmfParseTextOnPool(KmfMeshFile *msh, const KmfSection &sec, int64_t first, int64_t last, int nfields,
                        const KmfField *order) {
  TextJob job{};
  job.Comments = !msh->Rd->NoComments;
  job.Nfields = nfields;
  job.Order = order;
  job.FirstLine = first;
  job.Skip = (first - 1) * nfields;
  job.Need = last * nfields;
  job.EndPos = -1;
  if (!parseSection(msh, sec.Pos, &job) || job.EndPos < 0) return false;
  // The line reads that may follow go on after the last value, as after a serial read.
  KmfReaderSeek(msh->Rd, job.EndPos);
  return true;
}

void KmfCallbackOnPool(KmfMeshFile *msh, int64_t first, int64_t last, KmfBlockCallback cb, void *cbarg) {
  CallbackJob c{first, last, 0, cb, cbarg};
  LaunchRange(msh->Pool, msh->Pool->NbrCpu, callbackBlocks, &c);
}

// Text sections parsed on the worker pool.
//
// The section's bytes are read in chunks; each chunk is cut at line starts into one range
// per thread. The threads first count the values (words) of their ranges; the counts give
// every range the place of its first value in the section, and the threads then convert each
// value of their range straight into its record: the i-th value of the section belongs to
// line i / fields + 1, field i % fields, whatever the lines look like. Words are split and
// comments (a word starting with '#' runs to the end of its line) skipped as the serial
// reader does, and numbers are converted by the same routine, so the records get the same
// bits. Cutting at line starts keeps every word and every comment inside one range.
//
// Whatever this pass cannot vouch for (a word that is not a number of its field's type, a
// word too long, a line longer than a chunk, fewer values than the section declares) makes it
// give up; the caller then reads the section again on its own thread, which reports what is
// wrong exactly as it always does.
#include <unistd.h>

#include <cerrno>
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

// The next word at or after p before end, blanks and comments skipped: its start (end when
// there is none); *stop receives its end.
inline const char *nextWord(const char *p, const char *end, bool comments, const char **stop) {
  for (;;) {
    while (p < end && isSpace(*p)) p++;
    if (p == end) return end;
    if (*p == '#' && comments) {
      p = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      if (!p) return end;
      p++;
      continue;
    }
    const char *q = p + 1;
    while (q < end && !isSpace(*q)) q++;
    *stop = q;
    return p;
  }
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
    // comment and is counted without looking at words; one with it word by word.
    int64_t n = 0;
    if (!job->Comments || !std::memchr(r.Beg, '#', static_cast<size_t>(r.End - r.Beg))) {
      bool blank = true;  // ranges start at line starts
      for (const char *p = r.Beg; p < r.End; p++) {
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
  const int nf = job->Nfields;
  char drop[8];
  for (int k; (k = takeRange(job)) >= 0;) {
    const Range &r = job->Ranges[k];
    int64_t g = r.First;
    if (g >= job->Need) continue;
    int64_t line = g / nf, j = g % nf;  // line counted from 0 in the section
    const char *stop = nullptr;
    for (const char *p = nextWord(r.Beg, r.End, job->Comments, &stop); p < r.End && g < job->Need;
         p = nextWord(stop, r.End, job->Comments, &stop), g++) {
      const KmfField &f = job->Order[j];
      char *dst = g >= job->Skip ? f.Adr + (line + 1 - job->FirstLine) * f.Stride : drop;
      // The serial reader sees at most its window of a word: longer ones are left to it.
      if (stop - p >= KmfWordWindow || !convertWord(p, stop, f.Typ, dst)) {
        __atomic_store_n(&job->Failed, 1, __ATOMIC_RELAXED);
        return;
      }
      if (g == job->Need - 1) job->EndPos = job->ChunkPos + (stop - job->Chunk);
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

bool readAt(int fd, char *buf, int64_t n, int64_t off, int64_t *got) {
  *got = 0;
  while (*got < n) {
    ssize_t r = pread(fd, buf + *got, static_cast<size_t>(n - *got), static_cast<off_t>(off + *got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) break;
    *got += r;
  }
  return true;
}

// The bytes of a chunk, read by the pool's threads one piece each (copying from the system's
// cache is work worth sharing too).
struct ReadJob {
  int Fd;
  char *Buf;
  int64_t Off, N, Piece;
  int64_t Got[PoolMaxThreads];
  int Err;  // atomic
};

void readPieces(int beg, int end, int, void *arg) {
  auto *job = static_cast<ReadJob *>(arg);
  for (int k = beg - 1; k < end; k++) {
    int64_t at = k * job->Piece, n = job->N - at < job->Piece ? job->N - at : job->Piece;
    job->Got[k] = 0;
    if (n > 0 && !readAt(job->Fd, job->Buf + at, n, job->Off + at, &job->Got[k]))
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
  job.Piece = (n + pool->NbrCpu - 1) / pool->NbrCpu;
  job.Err = 0;
  LaunchRange(pool, pool->NbrCpu, readPieces, &job);
  // The file's bytes are contiguous up to the first short piece.
  *got = 0;
  for (int k = 0; k < pool->NbrCpu; k++) {
    *got += job.Got[k];
    if (job.Got[k] < job.Piece) break;
  }
  return !job.Err;
}

// Converts the values of lines 1..last of the section, chunk after chunk; false when it gave
// up (the records it filled are then read again by the caller).
bool parseSection(const KmfMeshFile *msh, const KmfKeyword *kw, TextJob *job) {
  ParallelPool *pool = msh->Pool;
  const int nthr = pool->NbrCpu;
  const int64_t cap = kChunkPerThread * nthr;
  char *buf = static_cast<char *>(MEM_ALLOC(nullptr, buf, static_cast<size_t>(cap)));
  const int maxRanges = kRangesPerThread * nthr;
  Range *ranges = static_cast<Range *>(MEM_ALLOC(nullptr, ranges, sizeof(Range) * static_cast<size_t>(maxRanges)));
  bool ok = buf && ranges;
  int fd = fileno(msh->hdl);
  int64_t pos = kw->Pos, have = 0, seen = 0;
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

bool KmfGetTextOnPool(KmfMeshFile *msh, const KmfKeyword *kw, int64_t first, int64_t last, KmfBlockCallback cb,
                      void *cbarg, int nfields, const KmfField *order) {
  TextJob job{};
  job.Comments = !msh->Rd->NoComments;
  job.Nfields = nfields;
  job.Order = order;
  job.FirstLine = first;
  job.Skip = (first - 1) * nfields;
  job.Need = last * nfields;
  job.EndPos = -1;
  if (!parseSection(msh, kw, &job) || job.EndPos < 0) return false;
  // The line reads that may follow go on after the last value, as after a serial read.
  KmfReaderSeek(msh->Rd, job.EndPos);
  if (cb) {
    CallbackJob c{first, last, 0, cb, cbarg};
    LaunchRange(msh->Pool, msh->Pool->NbrCpu, callbackBlocks, &c);
  }
  return true;
}

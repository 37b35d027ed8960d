// Finding the section names of a large text file on the worker pool.
//
// Opening a text file reads all of it once to find the words that name sections. A word starts
// after a blank, so whether a byte starts one is known from the byte before it; a comment (a
// word starting with '#') runs to the end of its line, which is all that a byte's place in its
// line decides. The file is cut into pieces of fixed size, which the pool's threads take one by
// one, a window of them at a time, in two passes. The first finds, for each piece, whether it
// holds a newline and whether a comment opens on its last line: from these, in file order,
// whether a comment runs into each piece. The second searches each piece for names knowing
// that (the first has searched a piece of long lines from its first newline on already, where
// no comment runs in), reading it with the byte before it and the few bytes after it that
// finish a name started in it. So a thread holds one piece whatever the lengths of the lines,
// each byte is searched once and read at most twice, and a comment line of gigabytes is passed
// over as fast as the system hands its bytes. The caller walks the names in file order and starts each
// section itself, as the serial reader does (see indexText).
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "common/kmf/KmfFormat.h"
#include "common/kmf/KmfInternal.h"
#include "common/kmf/KmfStream.h"
#include "common/pool/Parallel.h"

namespace {

// Bytes of file a piece holds: small enough that every thread takes several.
const int64_t kPiece = 2 << 20;
// The bytes of a piece that the first pass reads first: they hold its last line start unless
// its lines are long.
const int64_t kPieceTail = 64 << 10;
// Longest name looked up: longer words name no keyword.
const int64_t kLongestName = 64;
// Pieces of a window per thread: enough to even out the threads' shares.
const int kPiecesPerThread = 8;

inline bool blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Names of the words starting in [p, stop) of a buffer that holds file bytes from bufPos to
// end: a word is measured up to end, and the byte before buf is taken as a blank. Only bytes
// that may lead a word worth a look (a letter, or '#' when comments count) are examined one by
// one: most of a mesh is digits, blanks and signs, passed eight at a time. True when a comment
// started in [p, stop) runs on past stop.
bool scanNames(const char *buf, const char *p, const char *stop, const char *end, int64_t bufPos, bool comments,
               std::vector<KmfNameAt> *out) {
  const uint64_t ones = 0x0101010101010101ull, hash = 0x2323232323232323ull;
  while (p < stop) {
    if (stop - p >= 8) {
      uint64_t x;
      std::memcpy(&x, p, 8);
      uint64_t h = x ^ hash;
      uint64_t maybe = (x & 0x4040404040404040ull) | (comments ? (h - ones) & ~h & 0x8080808080808080ull : 0);
      if (!maybe) {
        p += 8;
        continue;
      }
    }
    unsigned char c = static_cast<unsigned char>(*p);
    bool lead = (c == '#' && comments) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
    if (!lead || (p > buf && !blank(p[-1]))) {
      p++;
      continue;
    }
    if (c == '#') {
      const char *nl = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(stop - p)));
      if (!nl) return true;
      p = nl + 1;
      continue;
    }
    // One byte past the longest name tells a name from a longer word.
    const char *lim = end - p > kLongestName ? p + kLongestName + 1 : end, *q = p;
    while (q < lim && !blank(*q)) q++;
    size_t len = static_cast<size_t>(q - p);
    if (len <= static_cast<size_t>(kLongestName))
      if (int kwd = KmfFindKeyword(p, len)) out->push_back({bufPos + (p - buf), kwd, static_cast<int>(len)});
    // The rest of a long word starts no other.
    while (q < stop && !blank(*q)) q++;
    p = q;
  }
  return false;
}

// What the two passes found of one piece.
struct PieceFound {
  bool Newline;          // the piece holds a newline
  bool CommentOpens;     // a comment opens on its last line, within the piece
  bool StartsInComment;  // a comment runs into it from the pieces before
  int64_t HeadEnd;       // the first pass searched the piece after this offset, its first
                         // newline or its end, leaving the bytes before to the second; -1:
                         // the second searches it all
  std::vector<KmfNameAt> Head, Body;  // names before and after HeadEnd
};

struct WindowJob {
  int Fd;
  bool Comments;
  int64_t From;        // first byte of the window's first piece
  int64_t Size;        // of the file
  int NbrPieces;
  int Next;            // next piece to take (atomic)
  int Err;             // atomic
  int64_t Read, Held;  // atomic: bytes read, the most one thread held
  PieceFound *Found;
  std::unique_ptr<char[]> *Bufs;  // one buffer of kBufferBytes per thread
};

// A piece with the byte before it and the bytes that finish a name started in it.
const int64_t kBufferBytes = kPiece + kLongestName + 2;

// Reads n bytes at off into buf (at most kBufferBytes): false after noting the error. *got
// receives the bytes read, fewer at the end of a file cut shorter since it was opened.
bool readBytes(WindowJob *job, char *buf, int64_t off, int64_t n, int64_t *got) {
  if (!KmfReadAt(job->Fd, buf, n, off, got)) {
    __atomic_store_n(&job->Err, 1, __ATOMIC_RELAXED);
    return false;
  }
  __atomic_fetch_add(&job->Read, *got, __ATOMIC_RELAXED);
  for (int64_t held = __atomic_load_n(&job->Held, __ATOMIC_RELAXED);
       *got > held && !__atomic_compare_exchange_n(&job->Held, &held, *got, true, __ATOMIC_RELAXED, __ATOMIC_RELAXED);) {
  }
  return true;
}

// Whether a '#' in [p, e) starts a word (the byte before b is taken as a blank).
bool opensComment(const char *b, const char *p, const char *e) {
  for (; p < e; p++) {
    p = static_cast<const char *>(std::memchr(p, '#', static_cast<size_t>(e - p)));
    if (!p) return false;
    if (p == b || blank(p[-1])) return true;
  }
  return false;
}

// The first pass over piece k: whether it holds a newline, and whether a comment opens on its
// last line (after its last newline, or anywhere in it when it holds none). Most pieces end with
// short lines, found in their last bytes; a piece whose last line is long is read whole, and
// searched for names from its first newline on, where no comment runs in.
void endOfPiece(WindowJob *job, int k, char *buf) {
  PieceFound &f = job->Found[k];
  const int64_t beg = job->From + k * kPiece, end = std::min(beg + kPiece, job->Size);
  // With the byte before the piece, which tells whether a '#' at its start starts a word.
  const int64_t first = beg > 0 ? beg - 1 : 0;
  int64_t got = 0;
  if (end - kPieceTail > first) {
    const int64_t at = end - kPieceTail;
    if (!readBytes(job, buf, at, end - at, &got)) return;
    const char *b = buf, *e = b + got;
    if (const char *nl = static_cast<const char *>(memrchr(b, '\n', static_cast<size_t>(e - b)))) {
      f.Newline = true;
      f.CommentOpens = opensComment(b, nl + 1, e);
      return;
    }
  }
  // With the bytes after it that finish a name started in it.
  if (!readBytes(job, buf, first, std::min(end + kLongestName + 1, job->Size) - first, &got)) return;
  const char *b = buf, *e = b + got, *p = std::min(b + (beg - first), e), *stop = std::min(b + (end - first), e);
  const char *nl = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(stop - p)));
  f.Newline = nl != nullptr;
  f.HeadEnd = nl ? first + (nl - b) : end;
  f.CommentOpens = nl ? scanNames(b, nl + 1, stop, e, first, true, &f.Body) : opensComment(b, p, stop);
}

// The second pass: the names of the words starting in piece k that the first left.
void searchPiece(WindowJob *job, int k, char *buf) {
  PieceFound &f = job->Found[k];
  const int64_t beg = job->From + k * kPiece, end = f.HeadEnd >= 0 ? f.HeadEnd : std::min(beg + kPiece, job->Size);
  if (f.HeadEnd >= 0 && (f.StartsInComment || end == beg)) return;
  // The byte before the piece tells whether its first byte starts a word; those after it finish
  // the name of a word starting in it.
  const int64_t at = beg > 0 ? beg - 1 : beg;
  int64_t got = 0;
  if (!readBytes(job, buf, at, std::min(end + kLongestName + 1, job->Size) - at, &got)) return;
  const char *b = buf, *e = b + got, *p = std::min(b + (beg - at), e), *stop = std::min(b + (end - at), e);
  if (f.StartsInComment) {
    const char *nl = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(stop - p)));
    if (!nl) return;
    p = nl + 1;
  }
  scanNames(b, p, stop, e, at, job->Comments, f.HeadEnd >= 0 ? &f.Head : &f.Body);
}

template <void (*pass)(WindowJob *, int, char *)>
void passOverPieces(int, int, int thread, void *arg) {
  auto *job = static_cast<WindowJob *>(arg);
  // Made by the thread that uses it, and kept from window to window.
  std::unique_ptr<char[]> &buf = job->Bufs[thread];
  for (int k; (k = __atomic_fetch_add(&job->Next, 1, __ATOMIC_RELAXED)) < job->NbrPieces;) {
    if (!buf) buf.reset(new (std::nothrow) char[kBufferBytes]);
    if (!buf) {
      __atomic_store_n(&job->Err, 1, __ATOMIC_RELAXED);
      return;
    }
    pass(job, k, buf.get());
  }
}

}  // namespace

KmfNameSearch::KmfNameSearch(KmfMeshFile *msh, int64_t from) : Msh(msh), Next(from) {}

bool KmfNameSearch::searchWindow() {
  const int threads = Msh->Pool ? Msh->Pool->NbrCpu : 1;
  const int64_t left = (Msh->FilSiz - Next + kPiece - 1) / kPiece;
  WindowJob job;
  job.Fd = fileno(Msh->hdl);
  job.Comments = !Msh->Rd->NoComments;
  job.From = Next;
  job.Size = Msh->FilSiz;
  job.NbrPieces = static_cast<int>(std::min<int64_t>(left, static_cast<int64_t>(kPiecesPerThread) * threads));
  job.Err = 0;
  job.Read = job.Held = 0;
  std::vector<PieceFound> found(static_cast<size_t>(job.NbrPieces), PieceFound{false, false, false, -1, {}, {}});
  job.Found = found.data();
  Bufs.resize(static_cast<size_t>(threads));
  job.Bufs = Bufs.data();
  // Where comments run is settled in file order between the two passes.
  if (job.Comments) {
    job.Next = 0;
    LaunchRange(Msh->Pool, threads, passOverPieces<endOfPiece>, &job);
    for (PieceFound &f : found) {
      f.StartsInComment = InComment;
      InComment = f.CommentOpens || (InComment && !f.Newline);
    }
  }
  job.Next = 0;
  if (!job.Err) LaunchRange(Msh->Pool, threads, passOverPieces<searchPiece>, &job);
  Read += job.Read;
  Held = std::max(Held, job.Held);
  if (job.Err) return false;
  Names.clear();
  Taken = 0;
  for (const PieceFound &f : found) {
    Names.insert(Names.end(), f.Head.begin(), f.Head.end());
    Names.insert(Names.end(), f.Body.begin(), f.Body.end());
  }
  Next = std::min(Next + job.NbrPieces * kPiece, Msh->FilSiz);
  return true;
}

bool KmfNameSearch::next(int64_t pos, KmfNameAt *name) {
  for (;;) {
    while (Taken < Names.size() && Names[Taken].Pos < pos) Taken++;
    if (Taken < Names.size()) {
      *name = Names[Taken++];
      return true;
    }
    if (Failed || Next >= Msh->FilSiz) return false;
    // Lines the caller has passed need no search: a line start is outside every comment.
    if (pos > Next) {
      Next = pos;
      InComment = false;
    }
    if (!searchWindow()) Failed = true;
  }
}

int64_t KmfNextLineStart(KmfMeshFile *msh, int64_t pos, int64_t most) {
  char buf[4096];
  for (int64_t at = pos; at < msh->FilSiz;) {
    if (at - pos >= most) return -1;
    int64_t got = 0;
    if (!KmfReadAt(fileno(msh->hdl), buf, sizeof(buf), at, &got) || got == 0) return -1;
    if (const char *nl = static_cast<const char *>(std::memchr(buf, '\n', static_cast<size_t>(got))))
      return at + (nl - buf) + 1;
    at += got;
  }
  return msh->FilSiz;
}

bool KmfFirstNameIn(KmfMeshFile *msh, int64_t from, int64_t to, KmfNameAt *name) {
  if (to <= from) return false;
  std::vector<char> buf(static_cast<size_t>(to - from));
  int64_t got = 0;
  if (!KmfReadAt(fileno(msh->hdl), buf.data(), to - from, from, &got)) return false;
  std::vector<KmfNameAt> found;
  const char *b = buf.data();
  scanNames(b, b, b + got, b + got, from, !msh->Rd->NoComments, &found);
  if (found.empty()) return false;
  *name = found.front();
  return true;
}

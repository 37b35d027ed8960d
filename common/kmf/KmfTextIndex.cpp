// Finding the section names of a large text file on the worker pool.
//
// Opening a text file reads all of it once to find the words that name sections. The words of
// a line never reach into the next one, and a comment (a word starting with '#') ends with its
// line, so lines can be searched apart: the file is cut into pieces, each piece owns the lines
// that start in it, and the pool's threads read and search pieces one by one. A word starts
// after a blank; one that starts with a letter and is the name of a keyword is kept, with its
// place. The caller walks the names in file order and starts each section itself, as the
// serial reader does (see indexText).
#include <cstring>

#include "common/kmf/KmfFormat.h"
#include "common/kmf/KmfInternal.h"
#include "common/kmf/KmfStream.h"
#include "common/pool/Parallel.h"

namespace {

// Bytes of file a piece holds: small enough that every thread takes several.
const int64_t kPiece = 2 << 20;
// Longest name looked up: longer words name no keyword.
const size_t kLongestName = 64;

inline bool blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Names of the words of [p, end), the byte before p taken as a blank; base is the file offset
// of p. Only bytes that may lead a word worth a look (a letter, or '#' when comments count)
// are examined one by one: most of a mesh is digits, blanks and signs, passed eight at a time.
void scanNames(const char *p, const char *end, int64_t base, bool comments, std::vector<KmfNameAt> *out) {
  const char *const start = p;
  const uint64_t ones = 0x0101010101010101ull, hash = 0x2323232323232323ull;
  while (p < end) {
    if (end - p >= 8) {
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
    if (!lead || (p > start && !blank(p[-1]))) {
      p++;
      continue;
    }
    if (c == '#') {
      const char *nl = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      p = nl ? nl + 1 : end;
      continue;
    }
    const char *q = p;
    while (q < end && !blank(*q)) q++;
    size_t len = static_cast<size_t>(q - p);
    if (len <= kLongestName)
      if (int kwd = KmfFindKeyword(p, len)) out->push_back({base + (p - start), kwd, static_cast<int>(len)});
    p = q;
  }
}

struct IndexJob {
  int Fd;
  bool Comments;
  int64_t From, Size;
  int NbrPieces;
  int Next;  // next piece to take (atomic)
  int Err;   // atomic
  std::vector<std::vector<KmfNameAt>> Found;  // per piece
};

// The lines that start in piece k: from its first line start to the first one at or after its
// end (the byte after the file's last newline counts as one).
void searchPiece(IndexJob *job, int k, std::vector<char> *buf) {
  int64_t beg = job->From + k * kPiece, end = beg + kPiece < job->Size ? beg + kPiece : job->Size;
  // One byte before the piece tells whether it starts a line; bytes after it finish its last
  // line, read further while no newline comes.
  int64_t at = beg > job->From ? beg - 1 : beg, want = end - at + 4096, got = 0;
  for (;;) {
    buf->resize(static_cast<size_t>(want));
    if (!KmfReadAt(job->Fd, buf->data(), want, at, &got)) {
      __atomic_store_n(&job->Err, 1, __ATOMIC_RELAXED);
      return;
    }
    // Read to the file's end, or a newline at or after the piece's last byte.
    const char *tail = buf->data() + (end - at);
    if (got < want || at + got <= end || std::memchr(tail - 1, '\n', static_cast<size_t>(got - (end - at) + 1)))
      break;
    want *= 2;
  }
  const char *b = buf->data(), *stop = b + got;
  const char *first = b + (beg - at);
  if (beg > job->From && first[-1] != '\n') {
    const char *nl = static_cast<const char *>(std::memchr(first, '\n', static_cast<size_t>(stop - first)));
    first = nl ? nl + 1 : stop;
  }
  if (first >= b + (end - at)) return;  // no line starts in the piece
  // The first line start at or after the piece's end.
  const char *last = b + (end - at);
  if (last >= stop) {
    last = stop;
  } else if (last[-1] != '\n') {
    const char *nl = static_cast<const char *>(std::memchr(last, '\n', static_cast<size_t>(stop - last)));
    last = nl ? nl + 1 : stop;
  }
  scanNames(first, last, at + (first - b), job->Comments, &job->Found[static_cast<size_t>(k)]);
}

void searchPieces(int, int, int, void *arg) {
  auto *job = static_cast<IndexJob *>(arg);
  std::vector<char> buf;
  for (int k; (k = __atomic_fetch_add(&job->Next, 1, __ATOMIC_RELAXED)) < job->NbrPieces;) searchPiece(job, k, &buf);
}

}  // namespace

bool KmfFindNamesOnPool(KmfMeshFile *msh, int64_t from, std::vector<KmfNameAt> *names) {
  names->clear();
  if (from >= msh->FilSiz) return true;
  IndexJob job;
  job.Fd = fileno(msh->hdl);
  job.Comments = !msh->Rd->NoComments;
  job.From = from;
  job.Size = msh->FilSiz;
  job.NbrPieces = static_cast<int>((job.Size - from + kPiece - 1) / kPiece);
  job.Next = 0;
  job.Err = 0;
  job.Found.resize(static_cast<size_t>(job.NbrPieces));
  LaunchRange(msh->Pool, msh->Pool->NbrCpu, searchPieces, &job);
  if (job.Err) return false;
  for (const auto &f : job.Found) names->insert(names->end(), f.begin(), f.end());
  return true;
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
  scanNames(buf.data(), buf.data() + got, from, !msh->Rd->NoComments, &found);
  if (found.empty()) return false;
  *name = found.front();
  return true;
}

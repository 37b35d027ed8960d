#include "common/kmf/KmfStream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "common/kmf/KmfMeshFile.h"
#include "common/base/Memory.h"

namespace {

inline bool isSpace(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Moves the unread bytes to the front and fills the rest of the buffer.
void refill(KmfTextBuffer *rd) {
  if (rd->Eof || rd->Err) return;
  // Cur never passes End; the bound keeps the compiler from assuming otherwise.
  size_t left = rd->End > rd->Cur ? static_cast<size_t>(rd->End - rd->Cur) : 0;
  if (left > rd->Cap) left = rd->Cap;
  if (left && rd->Cur != rd->Buf) std::memmove(rd->Buf, rd->Cur, left);
  rd->BufPos += rd->Cur - rd->Buf;
  rd->Cur = rd->Buf;
  rd->End = rd->Buf + left;
  size_t want = rd->Cap - left;
  // A file that grows while it is read ends where it ended when it was opened.
  bool capped = false;
  if (rd->Limit >= 0) {
    int64_t room = rd->Limit - rd->BufPos - static_cast<int64_t>(left);
    if (room < static_cast<int64_t>(want)) {
      want = room > 0 ? static_cast<size_t>(room) : 0;
      capped = true;
    }
  }
  size_t got = want ? std::fread(rd->End, 1, want, rd->Hdl) : 0;
  if (got < want || capped) {
    if (got < want && std::ferror(rd->Hdl)) rd->Err = true;
    rd->Eof = true;
  }
  rd->End += got;
  *rd->End = '\0';
}

// Makes at least n bytes visible after Cur unless the file ends first.
inline void ensure(KmfTextBuffer *rd, size_t n) {
  if (static_cast<size_t>(rd->End - rd->Cur) < n) refill(rd);
}

// Token starting at Cur, which must not be white space; null at end of file. The token is
// complete when it ends before End or the file ends there.
const char *token(KmfTextBuffer *rd, size_t *len) {
  if (!KmfReaderSkipSpace(rd)) return nullptr;
  ensure(rd, KmfWordWindow);
  const char *p = rd->Cur;
  while (p < rd->End && !isSpace(*p)) p++;
  *len = static_cast<size_t>(p - rd->Cur);
  return rd->Cur;
}

// The number at the start of [p, end): the end of its text, or null when there is none or an
// integer overflows. Every text reader converts through here, so that the serial and the
// parallel readers give the same bits.
template <typename T>
const char *numberAt(const char *p, const char *end, T *val) {
  const char *q = p;
  if (q < end && *q == '+' && q + 1 < end && q[1] != '-') q++;
  auto res = std::from_chars(q, end, *val);
  if (res.ptr == q) return nullptr;
  if (res.ec == std::errc::result_out_of_range) {
    if constexpr (std::is_floating_point_v<T>) {
      // Beyond the type's range: underflow goes to zero, overflow to infinity, as scanf does.
      const char *e = std::find_if(q, res.ptr, [](char c) { return c == 'e' || c == 'E'; });
      bool neg = *q == '-';
      bool under = e + 1 < res.ptr && e[1] == '-';
      T mag = under ? T(0) : std::numeric_limits<T>::infinity();
      *val = neg ? -mag : mag;
    } else {
      return nullptr;
    }
  } else if (res.ec != std::errc()) {
    return nullptr;
  }
  return res.ptr;
}

template <typename T>
bool readNumber(KmfTextBuffer *rd, T *val) {
  // Fast path: blanks, then the number straight from the buffer.
  const char *p = rd->Cur;
  while (p < rd->End && isSpace(*p)) p++;
  rd->Cur = const_cast<char *>(p);
  if (rd->End - p < KmfWordWindow || *p == '#') {
    if (!KmfReaderSkipSpace(rd)) return false;
    ensure(rd, KmfWordWindow);
    p = rd->Cur;
  }
  const char *end = rd->End;
  const char *stop = numberAt(p, end, val);
  // The number must end the word, and a word cut by the window is longer than any number.
  if (!stop || (stop < end && !isSpace(*stop)) || (stop == end && !rd->Eof)) return false;
  rd->Cur = const_cast<char *>(stop);
  return true;
}

// Significant digits of the shortest decimal that reads back as v.
template <typename T>
int shortestDigits(T v) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::scientific);
  int d = 0;
  for (const char *p = buf; p < res.ptr && *p != 'e'; p++) d += static_cast<unsigned>(*p - '0') < 10;
  return d;
}

// v as printf "%.<p>g" in the C locale would write it, p being the usual precision when that
// reads back exactly, else the fewest digits that do: text files keep every bit of a value
// and look as they always did when the usual digits are enough.
template <typename T>
char *writeReal(char *buf, char *end, T v, int usual) {
  int d = std::isfinite(v) ? shortestDigits(v) : 0;
  if (d <= usual) return std::to_chars(buf, end, v, std::chars_format::general, usual).ptr;
  // Rounding to d digits may miss by one next to a power of two: check, and add a digit.
  for (int p = d;; p++) {
    char *e = std::to_chars(buf, end, v, std::chars_format::general, p).ptr;
    T back;
    if (p >= std::numeric_limits<T>::max_digits10 || (std::from_chars(buf, e, back).ec == std::errc() && back == v))
      return e;
  }
}

char *appendChars(char *dst, const char *src, size_t n) {
  std::memcpy(dst, src, n);
  return dst + n;
}

}  // namespace

KmfTextBuffer *KmfNewReader(FILE *hdl, size_t capacity) {
  auto *rd = static_cast<KmfTextBuffer *>(MEM_ALLOC(nullptr, rd, sizeof(KmfTextBuffer)));
  if (!rd) return nullptr;
  std::memset(rd, 0, sizeof(*rd));
  if (capacity < 2 * KmfWordWindow) capacity = 2 * KmfWordWindow;
  rd->Buf = static_cast<char *>(MEM_ALLOC(nullptr, rd->Buf, capacity + 1));
  if (!rd->Buf) return static_cast<KmfTextBuffer *>(MEM_FREE(nullptr, rd));
  rd->Hdl = hdl;
  rd->Cap = capacity;
  rd->Limit = -1;
  rd->Cur = rd->End = rd->Buf;
  *rd->End = '\0';
  return rd;
}

KmfTextBuffer *KmfFreeReader(KmfTextBuffer *rd) {
  if (!rd) return nullptr;
  rd->Buf = static_cast<char *>(MEM_FREE(nullptr, rd->Buf));
  return static_cast<KmfTextBuffer *>(MEM_FREE(nullptr, rd));
}

bool KmfReaderSeek(KmfTextBuffer *rd, int64_t pos) {
  if (pos < 0) return false;
  // Inside the bytes already buffered: move the cursor only.
  if (!rd->Err && pos >= rd->BufPos && pos <= rd->BufPos + (rd->End - rd->Buf)) {
    rd->Cur = rd->Buf + (pos - rd->BufPos);
    return true;
  }
  rd->Cur = rd->End = rd->Buf;
  *rd->End = '\0';
  rd->BufPos = pos;
  rd->Eof = false;
  rd->Err = false;
  if (fseeko(rd->Hdl, static_cast<off_t>(pos), SEEK_SET)) {
    rd->Err = rd->Eof = true;
    return false;
  }
  return true;
}

void KmfReaderDrop(KmfTextBuffer *rd) {
  rd->Cur = rd->End = rd->Buf;
  *rd->End = '\0';
  rd->BufPos = -1;
}

int64_t KmfReaderTell(const KmfTextBuffer *rd) { return rd->BufPos + (rd->Cur - rd->Buf); }

bool KmfReaderBytes(KmfTextBuffer *rd, void *dst, size_t n) {
  char *out = static_cast<char *>(dst);
  while (n) {
    if (rd->Cur == rd->End) {
      refill(rd);
      if (rd->Cur == rd->End) return false;
    }
    size_t k = static_cast<size_t>(rd->End - rd->Cur);
    if (k > n) k = n;
    out = appendChars(out, rd->Cur, k);
    rd->Cur += k;
    n -= k;
  }
  return true;
}

bool KmfReaderSkipLine(KmfTextBuffer *rd) {
  for (;;) {
    char *nl = static_cast<char *>(std::memchr(rd->Cur, '\n', static_cast<size_t>(rd->End - rd->Cur)));
    if (nl) {
      rd->Cur = nl + 1;
      return true;
    }
    rd->Cur = rd->End;
    refill(rd);
    if (rd->Cur == rd->End) return false;
  }
}

bool KmfReaderSkipSpace(KmfTextBuffer *rd) {
  for (;;) {
    while (rd->Cur < rd->End && isSpace(*rd->Cur)) rd->Cur++;
    if (rd->Cur == rd->End) {
      refill(rd);
      if (rd->Cur == rd->End) return false;
      continue;
    }
    if (*rd->Cur != '#' || rd->NoComments) return true;
    // A comment: skip to the end of the line.
    if (!KmfReaderSkipLine(rd)) return false;
  }
}

const char *KmfReaderNextName(KmfTextBuffer *rd, size_t *len) {
  // Only a word that starts with a letter or '#' matters, and such bytes are rare in the data
  // of a mesh: look for them eight bytes at a time (any byte with bit 6 set covers the
  // letters), and take one only when a blank comes before it.
  const uint64_t ones = 0x0101010101010101ull, hash = 0x2323232323232323ull;
  bool inWord = false;  // the unread bytes start inside a word
  for (;;) {
    const char *p = rd->Cur, *start = p;
    const char *end = rd->End;
    // A name found must lie whole in the buffer.
    const char *safe = rd->Eof ? end : end - KmfWordWindow;
    const char *found = nullptr;
    while (p < safe) {
      if (safe - p >= 8) {
        uint64_t x;
        std::memcpy(&x, p, 8);
        uint64_t h = x ^ hash;
        uint64_t maybe = (x & 0x4040404040404040ull) | (rd->NoComments ? 0 : (h - ones) & ~h & 0x8080808080808080ull);
        if (!maybe) {
          p += 8;
          continue;
        }
      }
      unsigned char c = static_cast<unsigned char>(*p);
      bool lead = (c == '#' && !rd->NoComments) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
      if (lead && (p == start ? !inWord : isSpace(p[-1]))) {
        found = p;
        break;
      }
      p++;
    }
    if (found) {
      rd->Cur = const_cast<char *>(found);
      if (*found != '#' || rd->NoComments) return KmfReaderWord(rd, len);
      if (!KmfReaderSkipSpace(rd)) return nullptr;
      inWord = false;
      continue;
    }
    if (p > start) inWord = !isSpace(p[-1]);
    rd->Cur = const_cast<char *>(p);
    if (rd->Eof) return nullptr;
    refill(rd);
  }
}

const char *KmfReaderWord(KmfTextBuffer *rd, size_t *len) {
  const char *p = token(rd, len);
  if (!p) return nullptr;
  if (rd->Cur + *len < rd->End || rd->Eof) {
    rd->Cur += *len;
    return p;
  }
  // Longer than the window: consume it in pieces and report it as too long.
  for (;;) {
    while (rd->Cur < rd->End && !isSpace(*rd->Cur)) rd->Cur++;
    if (rd->Cur < rd->End) break;
    refill(rd);
    if (rd->Cur == rd->End) break;
  }
  *len = SIZE_MAX;
  return rd->Cur;
}

const char *KmfParseInt(const char *p, const char *end, int64_t *val) { return numberAt(p, end, val); }
const char *KmfParseReal(const char *p, const char *end, double *val) { return numberAt(p, end, val); }
const char *KmfParseFloat(const char *p, const char *end, float *val) { return numberAt(p, end, val); }

bool KmfReaderIntSlow(KmfTextBuffer *rd, int64_t *val) { return readNumber(rd, val); }
bool KmfReaderReal(KmfTextBuffer *rd, double *val) { return readNumber(rd, val); }
bool KmfReaderFloat(KmfTextBuffer *rd, float *val) { return readNumber(rd, val); }

bool KmfReaderRestOfLine(KmfTextBuffer *rd, char *dst, size_t cap) {
  // Skip blanks and empty lines up to the first character of the string.
  for (;;) {
    ensure(rd, 1);
    if (rd->Cur == rd->End) return false;
    if (!isSpace(*rd->Cur)) break;
    rd->Cur++;
  }
  size_t n = 0;
  for (;;) {
    ensure(rd, 1);
    if (rd->Cur == rd->End) break;
    char c = *rd->Cur++;
    if (c == '\n') break;
    if (n + 1 < cap) dst[n++] = c;
  }
  while (n && isSpace(dst[n - 1])) n--;
  dst[n] = '\0';
  return true;
}

bool KmfReadAt(int fd, char *buf, int64_t n, int64_t off, int64_t *got) {
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

void KmfSwap(void *val, int bytes) {
  unsigned char *b = static_cast<unsigned char *>(val);
  for (int i = 0, j = bytes - 1; i < j; i++, j--) {
    unsigned char t = b[i];
    b[i] = b[j];
    b[j] = t;
  }
}

void KmfWriteFailed(KmfMeshFile *msh) {
  msh->WrtErr = 1;
  if (msh->Mod == KmfWrite) NoteUserFileWriteError(&msh->Out);
}

bool KmfFlush(KmfMeshFile *msh) {
  if (msh->NmbByt > 0) {
    size_t n = static_cast<size_t>(msh->NmbByt);
    if (std::fwrite(msh->WrtBlk, 1, n, msh->hdl) != n) KmfWriteFailed(msh);
  }
  msh->NmbByt = 0;
  return !msh->WrtErr;
}

void KmfWriteBytes(KmfMeshFile *msh, const void *data, size_t n) {
  if (static_cast<size_t>(msh->NmbByt) + n > KmfWriteBlockSize + 1000) KmfFlush(msh);
  if (n > KmfWriteBlockSize) {
    // Larger than the block itself: straight to the stream.
    if (std::fwrite(data, 1, n, msh->hdl) != n) KmfWriteFailed(msh);
    return;
  }
  std::memcpy(msh->WrtBlk + msh->NmbByt, data, n);
  msh->NmbByt += static_cast<int64_t>(n);
  if (msh->NmbByt > KmfWriteBlockSize) KmfFlush(msh);
}

void KmfWriteInt(KmfMeshFile *msh, int64_t val) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof(buf) - 1, static_cast<long long>(val));
  *res.ptr++ = ' ';
  KmfWriteBytes(msh, buf, static_cast<size_t>(res.ptr - buf));
}

void KmfWriteReal(KmfMeshFile *msh, double val, bool single) {
  char buf[64];
  char *end = single ? writeReal(buf, buf + sizeof(buf) - 1, static_cast<float>(val), 6)
                     : writeReal(buf, buf + sizeof(buf) - 1, val, 15);
  *end++ = ' ';
  KmfWriteBytes(msh, buf, static_cast<size_t>(end - buf));
}

void KmfWriteText(KmfMeshFile *msh, const char *text) { KmfWriteBytes(msh, text, std::strlen(text)); }

int KmfAioRead(KmfAioCb *cb) {
  cb->Status = 0;
  if (fseeko(cb->Fildes, static_cast<off_t>(cb->Offset), SEEK_SET) ||
      std::fread(cb->Buf, 1, static_cast<size_t>(cb->Nbytes), cb->Fildes) != static_cast<size_t>(cb->Nbytes))
    cb->Status = -1;
  return cb->Status;
}

int KmfAioWrite(KmfAioCb *cb) {
  cb->Status = 0;
  if (fseeko(cb->Fildes, static_cast<off_t>(cb->Offset), SEEK_SET) ||
      std::fwrite(cb->Buf, 1, static_cast<size_t>(cb->Nbytes), cb->Fildes) != static_cast<size_t>(cb->Nbytes))
    cb->Status = -1;
  return cb->Status;
}

int KmfAioError(const KmfAioCb *cb) { return cb->Status; }
int64_t KmfAioReturn(const KmfAioCb *cb) { return cb->Nbytes; }

void KmfAioReport(const KmfAioCb *cb) {
  printf("aio_fildes = %p\n", static_cast<void *>(cb->Fildes));
  printf("aio_buf    = %p\n", cb->Buf);
  printf("aio_offset = %lld\n", static_cast<long long>(cb->Offset));
  printf("aio_nbytes = %lld\n", static_cast<long long>(cb->Nbytes));
  printf("errno      = %d\n", errno);
}

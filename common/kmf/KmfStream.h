// The byte level of the keyword-file access: a buffered reader that scans words and numbers
// without the C library's scanf (locale-free, through large buffers), the write block, byte
// reversal and the block transfer primitive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct KmfMeshFile;

// Bytes a word may span and still be converted; longer words are skipped or refused.
enum { KmfWordWindow = 4096 };

struct KmfTextBuffer {
  FILE *Hdl;
  char *Buf;         // Cap bytes plus one for a terminating zero
  size_t Cap;
  char *Cur, *End;   // unread bytes
  int64_t BufPos;    // file offset of Buf[0]
  int64_t Limit;     // no byte at or after this offset is read; negative: read to the end
  bool Eof;          // the file has no bytes after End
  bool Err;          // a seek or a read failed
  bool NoComments;   // '#' is an ordinary character (formats without comments)
};

KmfTextBuffer *KmfNewReader(FILE *hdl, size_t capacity);
KmfTextBuffer *KmfFreeReader(KmfTextBuffer *rd);
bool KmfReaderSeek(KmfTextBuffer *rd, int64_t pos);
// Forgets the buffered bytes: to be called when the stream was moved behind the reader's back.
void KmfReaderDrop(KmfTextBuffer *rd);
int64_t KmfReaderTell(const KmfTextBuffer *rd);
// Copies n raw bytes; false at end of file.
bool KmfReaderBytes(KmfTextBuffer *rd, void *dst, size_t n);
// Skips white space and comments (a word starting with '#' runs to the end of its line);
// false at end of file.
bool KmfReaderSkipSpace(KmfTextBuffer *rd);
// Skips to the character after the next newline; false when the file ends first.
bool KmfReaderSkipLine(KmfTextBuffer *rd);
// Next word; *len is its length (words longer than the window are consumed and reported
// with *len = SIZE_MAX). Returns a pointer into the buffer valid until the next call, or null
// at end of file.
const char *KmfReaderWord(KmfTextBuffer *rd, size_t *len);
// Next word that starts with a letter, skipping every other word and the comments.
const char *KmfReaderNextName(KmfTextBuffer *rd, size_t *len);
bool KmfReaderIntSlow(KmfTextBuffer *rd, int64_t *val);
// Integers are most of a text mesh: plain decimal ones are converted here, anything else
// (comments, the end of the buffer, signs, overflow, garbage) by the general path.
inline bool KmfReaderInt(KmfTextBuffer *rd, int64_t *val) {
  const char *p = rd->Cur;
  while (p < rd->End && static_cast<unsigned char>(*p) <= ' ') p++;
  if (rd->End - p >= 32) {
    bool neg = *p == '-';
    const char *q = p + neg;
    uint64_t v = 0;
    int n = 0;
    for (; n < 18 && static_cast<unsigned>(*q - '0') < 10; q++, n++) v = 10 * v + static_cast<unsigned>(*q - '0');
    // The buffer ends with a zero byte, so q never passes its end.
    if (n && n < 18 && static_cast<unsigned char>(*q) <= ' ') {
      *val = neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
      rd->Cur = const_cast<char *>(q);
      return true;
    }
  }
  rd->Cur = const_cast<char *>(p);
  return KmfReaderIntSlow(rd, val);
}
bool KmfReaderReal(KmfTextBuffer *rd, double *val);
// The number at the start of [p, end), converted as the readers above convert it (a leading
// '+' is taken; reals beyond their type's range go to zero or infinity): the end of its
// text, or null when there is no number or an integer overflows. The caller checks that the
// number ends the word.
const char *KmfParseInt(const char *p, const char *end, int64_t *val);
const char *KmfParseReal(const char *p, const char *end, double *val);
const char *KmfParseFloat(const char *p, const char *end, float *val);
bool KmfReaderFloat(KmfTextBuffer *rd, float *val);
// Rest of the current text line after leading blanks (at most cap - 1 characters kept);
// a line that holds nothing but blanks is skipped.
bool KmfReaderRestOfLine(KmfTextBuffer *rd, char *dst, size_t cap);

// Reads n bytes at offset off of a file descriptor into buf without moving its position (for
// readers sharing one file); *got the bytes read, fewer than n at the end of the file. False on
// a read error.
bool KmfReadAt(int fd, char *buf, int64_t n, int64_t off, int64_t *got);

// Reverses the bytes of one 4- or 8-byte value in place.
void KmfSwap(void *val, int bytes);

// Write block of a file opened for writing: bytes go out once more than KmfWriteBlockSize
// wait. Failures are remembered in the handle.
void KmfWriteBytes(KmfMeshFile *msh, const void *data, size_t n);
void KmfWriteInt(KmfMeshFile *msh, int64_t val);               // "%lld " text
// A real and a blank in text: as "%g " (single) or "%.15g " when those digits read back as
// the value, else with the fewest digits that do.
void KmfWriteReal(KmfMeshFile *msh, double val, bool single);
void KmfWriteText(KmfMeshFile *msh, const char *text);
bool KmfFlush(KmfMeshFile *msh);
// Marks the file being written as damaged after a failed write or seek, keeping errno as the
// reason the write is reported with.
void KmfWriteFailed(KmfMeshFile *msh);

// The block transfer primitive: an emulation of the POSIX asynchronous calls over the stdio
// stream, which moves the whole count at once before it returns: KmfAioRead and KmfAioWrite
// return the status (0, or -1 when the seek failed or fewer bytes moved), KmfAioError the
// same, KmfAioReturn the count asked for.
struct KmfAioCb {
  FILE *Fildes;
  int64_t Offset;
  void *Buf;
  int64_t Nbytes;
  int Status;
};
int KmfAioRead(KmfAioCb *cb);
int KmfAioWrite(KmfAioCb *cb);
int KmfAioError(const KmfAioCb *cb);
int64_t KmfAioReturn(const KmfAioCb *cb);
// Prints a failed transfer's control block on standard output.
void KmfAioReport(const KmfAioCb *cb);

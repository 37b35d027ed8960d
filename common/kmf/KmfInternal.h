// Helpers shared by the files of the keyword-file access; not for callers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/kmf/KmfMeshFile.h"

// Keyword kwd may be used: valid number and the handle is open in the right mode.
bool KmfUsable(const KmfMeshFile *msh, int kwd, int mode);

// The letters of one line of kwd with the solution header (ntyp types, nod nodes; 0, null
// and 1 for other keywords) written into letters (KmfMaxLetters + 1 bytes), with the handle's
// dimension: their count, or -1 when the line would exceed the descriptor's limits or a
// solution line would carry no value.
int KmfLineLetters(const KmfMeshFile *msh, int kwd, int ntyp, const int *types, int nod, char *letters);

// Fills the keyword's kind, letters, SolSiz, NmbWrd and NmbRea from the table, the
// dimension, the version and the type list already stored; false when the line would exceed
// the descriptor's limits or carry no value.
bool KmfExpandKeyword(KmfMeshFile *msh, int kwd);

// Bytes of one binary line of kwd with the handle's current width of reals.
int64_t KmfLineBytes(const KmfMeshFile *msh, const KmfKeyword *kw);

// The sections of a keyword being read, in file order, as one table: the keyword's own table,
// or one entry made from Pos, EndPos and NmbLin when a single section holds its lines.
class KmfSectionList {
 public:
  explicit KmfSectionList(const KmfKeyword *kw);
  KmfSectionList(const KmfSectionList &) = delete;
  KmfSectionList &operator=(const KmfSectionList &) = delete;
  const KmfSection &operator[](int s) const { return Tab[s]; }
  int size() const { return Nbr; }
  // The section that holds line (1 to the keyword's line count).
  int find(int64_t line) const;

 private:
  KmfSection One;
  const KmfSection *Tab;
  int Nbr;
};

// Whether the declared lines of a section of kw fit between its first line and its end, with
// lines of lineBytes bytes (binary) or at least two characters per value (text).
bool KmfLinesFit(const KmfMeshFile *msh, const KmfKeyword *kw, const KmfSection &sec, int64_t lineBytes);

// The line reads of kwd go on in section sec of its list, with left lines left there.
void KmfLinesAt(KmfMeshFile *msh, int kwd, int sec, int64_t left);
// Before a line of kwd is read: when the section being read has no line left, the stream
// moves to the first line of the next one. False when that seek failed.
bool KmfNextLine(KmfMeshFile *msh, int kwd);

// Binary values of the file being read, byte-reversed when needed.
bool KmfReadI32(KmfMeshFile *msh, int32_t *val);
bool KmfReadI64(KmfMeshFile *msh, int64_t *val);
// Versions from which a binary value is 8 bytes wide: next-section positions from version 3,
// line counts and integer fields from version 4, the header words (version, dimension,
// solution types, degree and nodes) never.
enum { KmfWidePositions = 3, KmfWideIntegers = 4, KmfNeverWide = 99 };

// A value that is 4 bytes below version `wide` and 8 bytes from it on (sign-extended).
bool KmfReadSized(KmfMeshFile *msh, int wide, int64_t *val);

void KmfWriteI32(KmfMeshFile *msh, int32_t val);
void KmfWriteSized(KmfMeshFile *msh, int wide, int64_t val);

// Prints "  ## ERROR: <fn>: <message>" on standard error with the file name.
void KmfError(const KmfMeshFile *msh, const char *fn, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// Reads lines first..last (1-based in it) of one text section on the handle's pool into the
// fields (one per value of a line, node ordering applied; line first goes to their
// addresses), leaving the reader after the last value. False when the parallel pass gave up
// (see KmfTextParallel.cpp): the caller then reads the lines on its own thread, which
// rewrites every value this pass wrote.
bool KmfParseTextOnPool(KmfMeshFile *msh, const KmfSection &sec, int64_t first, int64_t last, int nfields,
                        const KmfField *order);
// Calls the callback of a block read of lines first..last on the handle's pool, once per
// block of KmfBlockLines lines counted from first.
void KmfCallbackOnPool(KmfMeshFile *msh, int64_t first, int64_t last, KmfBlockCallback cb, void *cbarg);

// A word of a text file that names a keyword: its place, the keyword and the word's length.
struct KmfNameAt {
  int64_t Pos;
  int Kwd;
  int Len;
};
// The names in the words of a text file from a line start on, found as the reader finds them
// (a word starts after a blank, a comment, a word starting with '#' unless the reader takes
// none, runs to the end of its line) by the threads of the handle's pool, or by the calling
// thread when it has none. The file is searched a window of pieces at a time: a thread holds
// one piece of a few megabytes and the search the names of one window, whatever the lengths of
// the lines, and each byte is read at most twice, with a few on either side of each piece. Only
// the thread that controls the pool may use it.
class KmfNameSearch {
 public:
  KmfNameSearch(KmfMeshFile *msh, int64_t from);
  // The first name at or after pos, in file order. pos never decreases from one call to the
  // next, and is a line start when it lies past the bytes searched so far. False when the file
  // holds no more, or could not be read (failed()).
  bool next(int64_t pos, KmfNameAt *name);
  bool failed() const { return Failed; }
  // Bytes of the file read so far, and the most one thread held at once.
  int64_t bytesRead() const { return Read; }
  int64_t mostHeld() const { return Held; }

 private:
  bool searchWindow();
  KmfMeshFile *Msh;
  int64_t Next;                  // the first byte not searched yet
  bool InComment = false;        // a comment runs on at Next
  std::vector<KmfNameAt> Names;  // those of the last window searched
  size_t Taken = 0;              // of them, those handed out or passed over
  std::vector<std::unique_ptr<char[]>> Bufs;  // one piece per thread
  int64_t Read = 0, Held = 0;
  bool Failed = false;
};
// The first line start after pos (the byte after the next newline, the file's size when none
// comes), or -1 when it lies more than most bytes on or the file cannot be read.
int64_t KmfNextLineStart(KmfMeshFile *msh, int64_t pos, int64_t most);
// The first name in [from, to) as the reader finds it when it starts at from; false for none.
bool KmfFirstNameIn(KmfMeshFile *msh, int64_t from, int64_t to, KmfNameAt *name);

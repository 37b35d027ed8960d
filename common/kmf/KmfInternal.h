// Helpers shared by the files of the keyword-file access; not for callers.
#pragma once

#include <cstdint>
#include <vector>

#include "common/kmf/KmfMeshFile.h"

// Keyword kwd may be used: valid number and the handle is open in the right mode.
bool KmfUsable(const KmfMeshFile *msh, int kwd, int mode);

// Fills the keyword's kind, letters, SolSiz, NmbWrd and NmbRea from the table, the
// dimension, the version and the type list already stored; false when the line would exceed
// the descriptor's limits or carry no value.
bool KmfExpandKeyword(KmfMeshFile *msh, int kwd);

// Bytes of one binary line of kwd with the handle's current width of reals.
int64_t KmfLineBytes(const KmfMeshFile *msh, const KmfKeyword *kw);

// Whether the declared lines of kwd fit between its first line and its end, with lines of
// lineBytes bytes (binary) or at least two characters per value (text).
bool KmfLinesFit(const KmfMeshFile *msh, const KmfKeyword *kw, int64_t lineBytes);

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

// Reads lines first..last of a text section on the handle's pool into the fields (one per
// value of a line, node ordering applied), then calls the callback per block on the pool.
// False when the parallel pass gave up (see KmfTextParallel.cpp): the caller then reads the
// section on its own thread, which rewrites every value this pass wrote.
bool KmfGetTextOnPool(KmfMeshFile *msh, const KmfKeyword *kw, int64_t first, int64_t last, KmfBlockCallback cb,
                      void *cbarg, int nfields, const KmfField *order);

// A word of a text file that names a keyword: its place, the keyword and the word's length.
struct KmfNameAt {
  int64_t Pos;
  int Kwd;
  int Len;
};
// The names in the words of the lines of the file from from (a line start) to its end, in file
// order, found by the threads of the handle's pool as the reader finds them: a word starts
// after a blank, a comment (a word starting with '#', unless the reader takes none) runs to
// the end of its line. False when the file could not be read.
bool KmfFindNamesOnPool(KmfMeshFile *msh, int64_t from, std::vector<KmfNameAt> *names);
// The first line start after pos (the byte after the next newline, the file's size when none
// comes), or -1 when it lies more than most bytes on or the file cannot be read.
int64_t KmfNextLineStart(KmfMeshFile *msh, int64_t pos, int64_t most);
// The first name in [from, to) as the reader finds it when it starts at from; false for none.
bool KmfFirstNameIn(KmfMeshFile *msh, int64_t from, int64_t to, KmfNameAt *name);

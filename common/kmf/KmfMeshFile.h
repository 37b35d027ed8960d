// Access to keyword mesh and solution files (text ".mesh"/".sol", binary ".meshb"/".solb",
// versions 1 to 4, either byte order).
//
// Opening a file for reading indexes its sections, so that they can be visited in any order:
// KmfStatKwd gives a section's line count, KmfGotoKwd + KmfGetLin read it line by line and
// KmfGetBlock moves whole ranges of lines straight into the caller's arrays. Writing declares
// each section with KmfSetKwd, then gives its lines with KmfSetLin or one KmfSetBlock.
//
// A file may hold a keyword's section several times (a converter writes one per block of
// cells): reading joins them, in file order, into one list of the keyword whose line count
// is the sum, so that every call above sees one section. Sections of a solution keyword are
// joined only while their type lists, degrees and node counts agree; once two differ, only
// the last section with lines is read (KmfSectionCount says what is left out). A later
// Dimension or MeshVersionFormatted section must repeat the header's value: it adds nothing,
// and another value refuses the file.
//
// Nothing here ends the process on bad input: every size read from a file is checked before
// use and a call that cannot be carried out returns 0 after a message on standard error.
// Files are opened by the rules of common/base/UserFile.h: only a regular file is read, and a
// file being written replaces the one of its name only when KmfCloseMesh completes it.
#pragma once

#include <cstdint>
#include <cstdio>

#include "common/base/UserFile.h"
#include "common/kmf/KmfFormat.h"

struct Function_Interface;
struct ParallelPool;

enum { KmfRead = 1, KmfWrite = 2 };          // open modes
enum { KmfMesh = 0, KmfSol = 1 };            // file kinds of GetMeshDesc
enum { KmfText = 1, KmfBinary = 2, KmfMeshKind = 4, KmfSolKind = 8 };  // KmfMeshFile::Typ bits
// Field type codes of the block calls.
enum { KmfFloat = 1, KmfDouble = 2, KmfInt = 3, KmfLong = 4, KmfIntVec = 5, KmfLongVec = 6 };
enum { KmfBlockLines = 10000,     // lines per block of a block transfer
       KmfWriteBlockSize = 10000, // bytes gathered before a binary write goes out
       KmfMaxFields = 1000 };     // field descriptions of one block call

// One section of a keyword in a file being read: where its lines are and which lines of the
// joined list they are.
struct KmfSection {
  int64_t Pos;     // file offset of the first line
  int64_t EndPos;  // where its lines must end (next section of the keyword, or file end)
  int64_t NmbLin;  // lines, at least 1
  int64_t Lin0;    // lines of the keyword's sections before it
};

struct KmfKeyword {
  int Typ;                  // KmfKwdAbsent, KmfKwdInfo, KmfKwdData or KmfKwdSol
  int Deg, NmbNod;          // from a high-order solution header, else 0 and 1
  int SolSiz;               // values of one line carrying data
  int NmbWrd;               // 32-bit words of one binary line
  int NmbRea;               // real fields of one line (their width depends on the file)
  int NmbTyp;
  int TypTab[KmfMaxTyp];
  int *OrdTab;              // node permutation of block reads, or null
  int64_t NmbLin;           // 0: the section is absent; reading: lines of all sections read
  int64_t Pos;              // file offset of the first line (reading: of the first section)
  int64_t EndPos;           // where the section's lines must end (next section or file end)
  char *Fmt;                // expanded letters of one line (at most KmfMaxLetters), or null
  // Reading a keyword whose lines stand in several sections: all of them, in file order, or
  // null while one section holds them all (Pos, EndPos and NmbLin then say it).
  KmfSection *SecTab;
  int NmbSecTab, MaxSecTab;
  int NmbSec;               // reading: sections of the keyword that hold lines
  int NmbSecOut;            // reading: those left out (solution sections of other types)
  int64_t NmbLinOut;        // reading: their lines, as far as the file holds them
  int LastOnly;             // reading: two solution headers differed: a section replaces
};

struct KmfTextBuffer;

struct KmfMeshFile {
  int Dim, Ver, Mod;
  int Typ;                  // KmfText/KmfBinary | KmfMeshKind/KmfSolKind
  int Cod;                  // 1: native byte order, 0x01000000: every value is byte-reversed
  int FltSiz;               // width of reals in bits, 32 or 64
  int64_t NexKwdPos;        // binary writing: position of the pending next-section field
  int64_t NmbByt;           // bytes waiting in the write block
  int64_t FilSiz;           // reading: size of the file when opened; nothing past it is read
  KmfKeyword KwdTab[KmfMaxKwd + 1];
  FILE *hdl;                // the open file (writing: the stream of Out, a temporary file)
  char FilNam[1024];
  UserFileWrite Out;        // writing: replaces FilNam at a successful KmfCloseMesh (UserFile.h)
  unsigned char *LinBuf;    // line scratch, sized for the longest line of the table
  size_t LinBufSiz;
  unsigned char *WrtBlk;    // write block: KmfWriteBlockSize bytes plus room for one field
  KmfTextBuffer *Rd;        // buffered reader (reading only)
  int WrtErr;               // a write failed since opening: the file is damaged
  int Quiet;                // no messages (a probe of KmfFileComplete)
  ParallelPool *Pool;       // block reads of large sections run on it (KmfSetPool), or null
  // Reading line by line: the keyword, its section and the lines left in it, so that a line
  // read past a section's last one goes on at the next section's first.
  int LinKwd, LinSec;
  int64_t LinLeft;
  int Refusal;              // reading: why opening refuses the file (KmfRefusal), once found
};

// One field of a block call: where the first record's field is, how far apart records are,
// and the caller's type (KmfFloat, KmfDouble, KmfInt or KmfLong).
struct KmfField {
  int Typ;
  char *Adr;
  int64_t Stride;
};

typedef void (*KmfBlockCallback)(int64_t first, int64_t last, void *arg);

// mode KmfRead: (const char *name, KmfRead, int *version, int *dimension)
// mode KmfWrite: (const char *name, KmfWrite, int version, int dimension)
KmfMeshFile *KmfOpenMesh(const char *name, int mode, ...);
// Opens name for reading as KmfOpenMesh does; a large text file has its section names
// searched by the pool's threads, and the handle keeps the pool (as KmfSetPool). pool may be
// null. Only the thread that controls the pool may call it.
// A binary file whose chain of sections ends before End (a last section whose next position
// is 0: a writer stopped there) opens up to that section, End absent (KmfStatKwd), which tells
// a reader of a solution to wait; with whole, as for a mesh (GetMeshDesc of kind KmfMesh), it
// is refused as a text file without End always is.
KmfMeshFile *KmfOpenMeshOnPool(const char *name, ParallelPool *pool, int *version, int *dimension,
                               bool whole = false);
// Why a file was refused, as far as a caller words it apart.
enum KmfRefusal {
  KmfNotRefused = 0,
  KmfRefusedFile,         // any other reason: not a keyword file, cut short, not readable, ...
  KmfRefusedHeaderAgain,  // a later Dimension or MeshVersionFormatted of another value than the header's
  KmfRefusedFieldTypes,   // a solution section's count of types, a type, its degree or nodes, or
                          // types that give its lines no value or more than a line may hold
};
// Why the last KmfOpenMesh or KmfOpenMeshOnPool for reading made by the calling thread (also
// through GetMeshDesc) refused its file; KmfNotRefused when it opened. The message on standard
// error said it in full.
int KmfLastRefusal();
// Writes the End section when writing, closes and frees; 0 when a write, flush or close failed.
// A file being written exists under its name only once this succeeds: until then, and for
// good when anything failed, the old file of that name (if any) stays whole.
int KmfCloseMesh(KmfMeshFile *msh);
// Closes and frees a handle without finishing it: a file being written is dropped and the
// old file of that name (if any) stays whole. Returns 0.
int KmfAbandonMesh(KmfMeshFile *msh);
// 1 when the file at name has its End section, found through its sections as opening finds
// them, silently and passing over sections it cannot start; 0 when it has none or cannot be
// read. A writer adds End last: a file without it is still being written.
int KmfFileComplete(const char *name);
int KmfStatMesh(KmfMeshFile *msh, int *version, int *dimension, int *mode);
// Line count of keyword kwd (the sum over the sections read), 0 when absent. Solution
// keywords also fill (int *ntypes, int *solsiz, int *types) and, for high-order ones,
// (int *degree, int *nodes).
int64_t KmfStatKwd(KmfMeshFile *msh, int kwd, ...);
// Sections of keyword kwd that hold lines in a file opened for reading: 0 when it has none.
// They are read as one list, except the solution sections whose headers differ (see above):
// *unread (when not null) receives how many are then left out, and *left their lines, counted
// as far as the file holds them.
int KmfSectionCount(KmfMeshFile *msh, int kwd, int *unread, int64_t *left);
// Positions the stream at the keyword's first line; the line reads then go through its
// sections in turn.
int KmfGotoKwd(KmfMeshFile *msh, int kwd);
// (msh, kwd, int64_t lines [, int ntypes, const int *types [, int degree, int nodes]])
int KmfSetKwd(KmfMeshFile *msh, int kwd, int64_t lines, ...);

// One line. Reading takes one pointer per field: i int* (versions 1-3) or int64_t*
// (version 4); r float* (32-bit reals) or double*; c a char buffer of 256 bytes. A solution
// line takes one pointer to its SolSiz reals. Writing takes the values: i int or int64_t by
// version, r double, c const char*; a solution line one pointer to SolSiz floats or doubles.
int KmfGetLin(KmfMeshFile *msh, int kwd, ...);
int KmfSetLin(KmfMeshFile *msh, int kwd, ...);
// One line through arrays whatever the version: integers as int64_t, reals as double.
int KmfGetLinTab(KmfMeshFile *msh, int kwd, int64_t *ints, int *nints, double *reals, int *nreals,
                 char *str, int *strlen);
int KmfSetLinTab(KmfMeshFile *msh, int kwd, const int64_t *ints, const double *reals,
                 const char *str);

// Block transfers:
// (msh, kwd, int64_t first, int64_t last, int maptype, void *map, KmfBlockCallback cb,
//  [void *cbarg when cb is not null], then per field: code, [count for codes 5 and 6],
//  address in the first record, address in the last record)
// A solution keyword takes one description for its whole line. maptype 3 (int32) or 4
// (int64) sends the i-th line of the range to record map[i] - 1. Lines are numbered over the
// joined sections of the keyword: a range may span several, and the callback gets the same
// blocks of KmfBlockLines lines as from one section.
int KmfGetBlock(KmfMeshFile *msh, int kwd, int64_t first, int64_t last, int maptype, void *map,
                KmfBlockCallback cb, ...);
int KmfSetBlock(KmfMeshFile *msh, int kwd, int64_t first, int64_t last, int maptype, void *map,
                KmfBlockCallback cb, ...);
// The same with the fields given as an array (one entry per value of the line; a solution
// line takes one entry per value as well).
int KmfGetBlockFields(KmfMeshFile *msh, int kwd, int64_t first, int64_t last, int maptype,
                      void *map, KmfBlockCallback cb, void *cbarg, int nfields,
                      const KmfField *fields);
int KmfSetBlockFields(KmfMeshFile *msh, int kwd, int maptype, void *map, KmfBlockCallback cb,
                      void *cbarg, int nfields, const KmfField *fields);

// Lets block reads of large sections run on a worker pool (null: on the calling thread).
// Binary blocks are then read and converted by the pool's threads, and text sections parsed
// by them, with exactly the values the calling thread would read. The callback of such a
// read is called from the pool's threads, once per block of KmfBlockLines lines (the last one
// shorter), for disjoint ranges and in no fixed order: it must only touch the records of its
// range, or data of its own per block. A read with a map, or whose records overlap, stays on
// the calling thread. Only the thread that controls the pool may read through such a handle.
void KmfSetPool(KmfMeshFile *msh, ParallelPool *pool);

// Node permutation of the high-order keyword kwd: own and file each hold one row of lattice
// coordinates per node, in the program's order and in the file's order.
int KmfSetHONodesOrdering(KmfMeshFile *msh, int kwd, const int *own, const int *file);

// Opaque bytes in the ByteFlow section. Reading returns a block the caller frees with
// Free(nullptr, ...) (or free), or null.
char *KmfReadByteFlow(KmfMeshFile *msh, int *nbytes);
int KmfWriteByteFlow(KmfMeshFile *msh, const char *bytes, int nbytes);

int KmfGetFloatPrecision(KmfMeshFile *msh);
int KmfSetFloatPrecision(KmfMeshFile *msh, int bits);

// Opens a mesh (kind KmfMesh) or solution (KmfSol) file for reading (io KmfRead: version and
// dimension receive the file's) or writing (KmfWrite: they give them), reporting through fi.
KmfMeshFile *GetMeshDesc(Function_Interface *fi, const char *name, int *version, int *dimension,
                         int kind, int io);

// Helpers shared by the mesh, solution and SU2 loaders and the writer; those not inline here
// are defined in LoadInternal.cpp, which calls no loader.
#pragma once

#include <sys/stat.h>

#include <cmath>
#include <ctime>

#include <cstdint>
#include <cstdio>
#include <new>

#include "common/base/Memory.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/model/Mesh.h"

struct Function_Interface;

// The first entries one loader call found invalid, kept for the report.
struct BadEntries {
  enum { Max = 10 };
  int Nbr = 0;
  int Idx[Max] = {};
  int Kind[Max] = {};
  void add(int idx, int kind = 0) {
    if (Nbr < Max) {
      Idx[Nbr] = idx;
      Kind[Nbr] = kind;
    }
    Nbr++;
  }
  int shown() const { return Nbr < Max ? Nbr : static_cast<int>(Max); }
  // Appends the entries another list found after this one's.
  void merge(const BadEntries &o) {
    for (int k = 0; k < o.shown(); k++) add(o.Idx[k], o.Kind[k]);
    Nbr += o.Nbr - o.shown();
  }
};

// Results of a block read's callback (KmfSetPool), one slot of T per block of KmfBlockLines
// lines counted from the first line read: whichever thread handles a block, the slots merge
// in file order. A read on the calling thread calls back once for all its lines, which then
// land in slot 0. Slots start as T(); Slot is null when the memory could not be had. T must
// need no destructor.
template <class T>
struct BlockSlots {
  T *Slot = nullptr;
  int64_t N;
  explicit BlockSlots(int64_t lines) : N(lines < 1 ? 1 : (lines + KmfBlockLines - 1) / KmfBlockLines) {
    Slot = static_cast<T *>(MEM_ALLOC(nullptr, Slot, sizeof(T) * static_cast<size_t>(N)));
    for (int64_t i = 0; Slot && i < N; i++) new (&Slot[i]) T();
  }
  ~BlockSlots() { MEM_FREE(nullptr, Slot); }
  BlockSlots(const BlockSlots &) = delete;
  BlockSlots &operator=(const BlockSlots &) = delete;
  T &at(int64_t line) { return Slot[(line - 1) / KmfBlockLines]; }
};

// Ends a report of invalid entries: the closing line when more were found than listed, then
// status bit 32.
void EndInvalidReport(Function_Interface *fi, const BadEntries &bad,
                      const char *noMore = "  ## NO MORE ERRORS PRINTED \n");

// A null name or mesh: "MESH/FILE NAME NOT ALLOCATED" naming the function, error 200 (fi may
// be null). True when refused.
bool LoadArgsMissing(Function_Interface *fi, const char *fun, const char *name, const Geometric_Mesh *msh);

// A null handle or mesh: "INVALID MESH FILE DESCRIPTOR" naming the function, error 200.
bool LoadBadHandle(Function_Interface *fi, const char *fun, KmfMeshFile *hdl, Geometric_Mesh *msh);

// The handle as the messages print it.
long long HandleId(const KmfMeshFile *hdl);

// 1 when the name is short enough for the loaders' copies; otherwise a message naming the
// function, error 100 and status 4.
int LoadNameFits(Function_Interface *fi, const char *fun, const char *name);

// "CANNOT OPEN <base name>.[mesh[b]]" naming the function, error 100 and status 4; 0.
int LoadCannotOpen(Function_Interface *fi, const char *fun, const char *name);

// GetMeshDesc for reading, a name without extension resolved to the existing binary or
// text file first.
KmfMeshFile *LoadOpenKmf(Function_Interface *fi, const char *name, int kind, int *ver, int *dim);

// Opens a mesh file for loading and refuses versions other than 1 to 3 (the version message
// at the given level, "ERROR" or "WARNING"); null after the messages.
KmfMeshFile *LoadOpenMesh(Function_Interface *fi, const char *name, const char *versionLevel, int *ver,
                          int *dim);
// For each keyword of the file opened as hdl whose sections are not all read (those of a
// solution keyword whose type lists differ: only the last is), one warning (LoadWarning)
// naming the loader fun: "<file> HOLDS <n> <keyword> SECTIONS: ONLY THE LAST IS READ, <m>
// LINES LEFT OUT", m counting the lines the file holds. Said at every load.
void SayUnreadSections(const char *fun, KmfMeshFile *hdl);
// "  Bounding box x:[...] y:[...] z:[...]" on standard output.
void PrintLoadBox(const Geometric_Mesh *msh);
// The memory the mesh uses, after the given words.
void PrintLoadMemory(const char *what, const Geometric_Mesh *msh);

// A line count from a file as a mesh count: counts past what an int holds are refused (-1).
int CountFromFile(int64_t n);
// Reports that `need` entities do not fit a capacity of `max` (error 400) and returns 0.
int CapacityExceeded(Function_Interface *fi, const char *fun, const char *what, const char *maxName,
                     int max, int64_t need);

// Reads section kwd line by line, each line's integers handed to f(line number from 1, ints)
// (f returns nothing). 1 when every line was read (also when the section is absent), 0 when
// a read failed.
template <class F>
int ForEachIntLine(KmfMeshFile *hdl, int kwd, F f) {
  int64_t n = KmfStatKwd(hdl, kwd);
  if (n <= 0) return 1;
  if (!KmfGotoKwd(hdl, kwd)) return 0;
  int64_t ints[8];
  double reals[8];
  for (int64_t i = 1; i <= n; i++) {
    int ni = 0, nr = 0;
    if (!KmfGetLinTab(hdl, kwd, ints, &ni, reals, &nr, nullptr, nullptr)) return 0;
    f(i, ints);
  }
  return 1;
}

// The bounding box (xmin, ymin, zmin, xmax, ymax, zmax) holds the vertices whose three
// coordinates are finite: a NaN or an infinite coordinate cannot be framed, and one such
// vertex would make the whole box, and every camera taken from it, NaN or infinite.
// An empty box: the first finite vertex added sets both corners.
inline void BoxEmpty(double *box) {
  for (int j = 0; j < 3; j++) {
    box[j] = HUGE_VAL;
    box[j + 3] = -HUGE_VAL;
  }
}
// Widens box to the point crd; false, the box untouched, for a point with a coordinate that
// is not finite.
inline bool BoxAdd(double *box, const double *crd) {
  if (!std::isfinite(crd[0]) || !std::isfinite(crd[1]) || !std::isfinite(crd[2])) return false;
  for (int j = 0; j < 3; j++) {
    if (crd[j] < box[j]) box[j] = crd[j];
    if (crd[j] > box[j + 3]) box[j + 3] = crd[j];
  }
  return true;
}
// One line on standard output when a file's vertices include n with a NaN or infinite
// coordinate, fun naming the loader; nothing for n = 0.
void ReportNonFiniteVertices(const char *fun, const char *name, int64_t n);

// The entities solution sol (one of the mesh's slots) gives values to, as messages name them
// ("VERTICES", "TETRAHEDRA", ...).
const char *SolutionKindWords(const Geometric_Mesh *m, const Geometric_Solution *sol);
// The entities of the mesh that solution sol (one of the mesh's slots) gives values to: its
// vertices, or its elements of the slot's kind (the second-order ones when the kind has only
// those).
int SolutionEntities(const Geometric_Mesh *m, const Geometric_Solution *sol);

// Empties the minimum and maximum of every field before a fresh fill.
void ResetFieldRanges(Geometric_Solution *sol);
// Once every file of a load is read: a field whose range is still empty (no finite value)
// gets [0 0]. Nothing for a null sol.
void SettleFieldRanges(Geometric_Solution *sol);

// What stat says of a file that a write changes: which file (device, inode), its size and its
// modification and change times to the nanosecond.
struct FileStamp {
  dev_t Dev;
  ino_t Ino;
  mode_t Mode;
  off_t Size;
  timespec Mtim, Ctim;
};
// The stamp of the file at path (links followed); false when it cannot be looked at.
bool FileStampOf(const char *path, FileStamp *st);
// The same file, of the same size, modified and changed at the same times.
bool SameFileStamp(const FileStamp &a, const FileStamp &b);

// Why the mesh loaders of the calling thread refused the file they read last, where the
// refusal itself tells it (MeshBadVersion, MeshTooLarge, MeshLoad.h): noted as they refuse,
// taken (and cleared) by the driver, which words every other reason from what it finds.
void NoteMeshRefusal(int why);
int TakeMeshRefusal();

// A 64-bit value from a file reduced to an int range check: v in [1, n].
inline bool InRange(int64_t v, int64_t n) { return v >= 1 && v <= n; }

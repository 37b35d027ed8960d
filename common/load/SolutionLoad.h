// Solution files (".sol" text, ".solb" binary): a size pass run before the mesh exists, so
// that the mesh is created with its one solution at the right size, then the load of the
// values with the minimum and maximum of every field.
#pragma once

#include <cstdint>

struct Function_Interface;
struct Geometric_Mesh;
struct Geometric_Solution;
struct KmfMeshFile;

// Why a solution file was not taken: by the size pass (FitSolSize, the rows up to
// SolIncompatible) or by the load of its values (LoadSolutionValues, the rows after).
enum SolWhy : int {
  SolTaken = 0,       // it was taken
  SolLongName,        // the name is longer than the loaders take
  SolMissing,         // no such file
  SolUnreadable,      // a file this user may not read
  SolFolder,          // a folder
  SolNotRegular,      // a FIFO, a device or a socket
  SolOtherKind,       // a file whose name has no ".sol" or ".solb" ending, none beside it with one
  SolNotKeyword,      // refused by the opener: no keyword file, or one cut short in its header
  SolNoSection,       // a keyword file without a solution section
  SolIncompatible,    // every solution section differs from an earlier file's
  SolOtherDimension,  // a dimension other than the mesh's
  SolBadVersion,      // a file version the loaders do not take
  SolNotComplete,     // not written to its end yet
  SolTooMany,         // values for more entities than the mesh has
  SolDamaged,         // its values cannot be read: a field type no loader knows, a section cut short
  SolHeaderChanged,   // a later Dimension or MeshVersionFormatted of another value than its header's
  SolOtherFields,     // a reload: fields other than those of the solution the mesh holds, or none
};
// The reason in the words of a message ("NO SUCH FILE", ...); "" for SolTaken.
const char *SolWhyWords(int why);
// Why path gives no file to read: SolMissing, SolUnreadable, SolFolder or SolNotRegular, and
// SolTaken for a regular file this user may read (whatever it holds).
int SolPathWhy(const char *path);

// Records the solution of one file in SizMsh (its count at the kind's entry, the values per
// entity at 205, the fields at 206, their types from 207 on). Returns the number of entries
// found, 0 when there is none; mode 1 keeps quiet when the file does not exist. *why, when
// why is not null, receives the reason for a 0 (SolWhy), else SolTaken; a file that
// cannot be reached is looked at again by name only to word the reason.
int FitSolSize(int mode, Function_Interface *fi, const char *name, int *SizMsh, int *why = nullptr);

// Loads the file's values into the mesh's solution. 1 loaded, 2 the file is not complete
// yet (try again later), 0 failure. Values that are NaN or infinite are taken as they are,
// left out of the field ranges (as is a vector length or a tensor determinant out of the
// doubles' range) and counted in one notice (LoadNotices.h) naming the file; a field with no
// finite value at all gets the range [0 0].
int LoadSolution(Function_Interface *fi, const char *name, Geometric_Mesh *msh);

// LoadSolution for a caller that loads several files into one solution and has the last word
// itself: *nonFinite receives the number of NaN or infinite values of the file, nothing is
// said of them, and a field with no finite value so far keeps an empty range (minimum above
// maximum) that a later file widens; the caller then settles the ranges (SettleFieldRanges)
// and says the count (NoticeNonFinite).
// *why, when given, receives SolTaken, or the reason (SolWhy) for a result other than 1.
int LoadSolutionValues(Function_Interface *fi, const char *name, Geometric_Mesh *msh, int64_t *nonFinite,
                       int *why = nullptr);

// Reads the file again into the solution the mesh holds, from entity 1, as a solver's new
// results: the values go into new arrays that replace the old ones only when the whole file
// was read. A refused or unfinished file leaves the values, their count, their ranges, Time
// and Iterations exactly as they were. A file taken sets Time and Iterations to its own, 0
// when it has none, as an opening with it does (a step's time never passes for the next's).
// The file must hold the fields of the solution shown, at the same kind of entity, of the
// same types in the same order: one of other fields (or of none) is refused with a line on
// standard error (LoadRefusal) that names the fields it holds and those the mesh holds, their
// count and types. A file of values for fewer entities than the mesh has
// is taken as at opening: the entities past it are set to 0 (none keeps a value of an
// earlier file) and a warning (LoadNotices.h) names both counts; a file of more is refused.
// NaN and infinite values are taken and said as at opening (LoadSolution).
// The values are taken to hold MaxSol + SizTot doubles (entry 0 and the capacity), as the
// mesh makes them. Results as LoadSolution's. A mesh without a solution is first given the
// file's, shaped by its size pass as an opening with the file would shape it, and keeps it
// only when the file is taken; a file that does not fit the mesh (values for more entities
// than it has, no solution in it) is refused with a line on standard error (LoadRefusal) that
// names it and says why.
// *readTime, when given, receives the modification time (nanoseconds since the epoch) of the
// file as it was read, when it was taken (result 1) and its stamp could be looked at; else 0.
//
// A solver may be rewriting the file meanwhile, truncating it or in place. The file is read
// only once it has been left alone for 50 ms (waited for, up to about that long; 2 s, not
// waited for, on a file system that keeps whole seconds), and its stamp (device, inode, size,
// modification and change times to the nanosecond) must be the same after the read as
// before: otherwise, or when it ends early, the answer is 2, "not ready", whatever the read
// gave. So a refusal (0) is about a file that stayed whole and unchanged. What no reader can
// tell: an in-place rewrite that pauses for longer than the quiet time halfway, leaving a
// file of the right shape that mixes two versions; and on a clock far from the file
// system's, only the stamps before and after are compared.
int ReloadSolution(Function_Interface *fi, const char *name, Geometric_Mesh *msh, int64_t *readTime = nullptr);

// The time a reload wants a file left alone before reading it, 50 ms unless set; 0 reads at
// once, for a program that has just written the file itself (a benchmark, a fuzz target).
// Returns the time it replaces. Any thread; a reload under way keeps the time it began with.
int64_t SetReloadQuietTime(int64_t ns);

// Reads section kwd into sol after the NbrSol entities already filled, MaxSol being the
// solution's capacity in values; raises NbrSol and widens the field ranges (a fresh fill, NbrSol
// 0, starts them anew) with the finite quantities only. *nonFinite, when given, grows by the
// number of values read that are NaN or infinite. 1 or 0.
int LoadSolAtEntity(Function_Interface *fi, KmfMeshFile *hdl, Geometric_Mesh *msh, int kwd,
                    Geometric_Solution *sol, int *NbrSol, int MaxSol, int64_t *nonFinite = nullptr);

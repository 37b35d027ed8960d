// The sample the viewer is tried on: a unit box of tetrahedra with its boundary triangles and
// a scalar field at the vertices, generated rather than shipped.
//
// The box has n x n x n cubic cells, each cut into six tetrahedra (reference 1) around its
// main diagonal; every boundary square is two triangles carrying the number of its side as
// reference: 1 x = 0, 2 x = 1, 3 y = 0, 4 y = 1, 5 z = 0, 6 z = 1. Vertex (i, j, k) is number
// 1 + i + (n + 1) (j + (n + 1) k) at (i / n, j / n, k / n). The field is zelSampleField of the
// vertex's position. n = 70 gives about two million tetrahedra and 58800 triangles.
#pragma once

#include <cstdint>
#include <string>

struct Memory_List;
struct Function_Interface;
struct Geometric_Mesh;

// The most cells a side may have: 6 n^3 tetrahedra must fit an int.
constexpr int ZelSampleMaxCells = 700;

// The box, every record alive; null when n is not in 1..ZelSampleMaxCells or when the mesh
// cannot be allocated. The caller frees it with FreeCommonMesh.
Geometric_Mesh *zelMakeSampleBox(Memory_List *mem, int n);
// The sample field: smooth, not symmetric, between about -0.5 and 1.33 on the unit box.
double zelSampleField(const double x[3]);
// Writes the mesh (WriteMesh: ".meshb" binary, ".mesh" text) and, when solPath is not null, the
// field at its vertices as one scalar per vertex (".solb" binary, ".sol" text). 1 when every
// file was written, else 0.
int zelWriteSample(Function_Interface *fi, const char *meshPath, const char *solPath, Geometric_Mesh *msh);
// The same two files, both or neither: each is first written whole in a scratch folder of
// this user's (beside the targets, else in the temporary folder), reached through its
// descriptor only, then copied to a temporary name beside its target or, for a write in place,
// to a copy; the targets are checked before anything is written, and replaced only once both
// are complete and the room of both is reserved. Both files stay locked from then to the end
// of both commits (UserFile.h), so that two writers of one pair commit one after the other.
// 1 when both were written; else 0, *why (when not null) saying why (after the name of the
// file whose write failed, when one did), and the old files as they were, unless a commit
// failed (a disk's error, another program's file put in place of the new one): *why then also
// says what the other file holds. The scratch folder needs /proc. A scratch folder someone
// moved away is left where it went, with one line on standard error. A stop signal the program
// took (StopCleanup.h) empties and removes the scratch folder as the end does; one that comes
// during the commits waits for both to end.
int zelWriteSampleFiles(Function_Interface *fi, const char *meshPath, const char *solPath, Geometric_Mesh *msh,
                        std::string *why);
// For tests: when set, called by zelWriteSampleFiles before it writes the first copies into
// its scratch folder (next "write"), before it reads them back (next "read back") and between
// its two commits (next "commit the solution"), with the path the folder was made at. Null in
// the program.
extern void (*zelSampleBetweenSteps)(const char *scratch, const char *next);

// Bytes of memory a box of n cells per side takes at its peak, made and written (its records,
// and the numbering of its vertices while its mesh file is written).
int64_t zelSampleMemory(int n);
// bytes as a size in GB for a line that shows it beside other (0 when it stands alone): with
// one decimal, or as many more as it takes (up to nine, bytes) for the two to differ in print.
std::string zelGigabytes(int64_t bytes, int64_t other);
// Bytes of memory this process may still take without pushing others out of memory: what the
// system counts available, free swap included, within the process's own limits; -1 when the
// system does not say.
int64_t zelAvailableMemory();

// The command line of zelvane-sample, "[-n CELLS] [-o BASE]": CELLS a whole number of
// 1..ZelSampleMaxCells (digits only). 0 when it is good, *cells and *base then set for the words
// given; else 2, after one line on standard error.
int zelSampleCommandLine(int argc, char **argv, int *cells, std::string *base);

// SU2 mesh files (".su2", text) and their vertex solutions in ".dat" files (a header of
// column names, then one line per point, separated by tabs or commas).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "common/load/FileNames.h"  // GetInputFileType: which names are SU2 files

struct Function_Interface;
struct Geometric_Mesh;

// Size pass: adds the file's counts into SizMsh and sets its file type to SU2. 1 when the
// file was read, 0 when the name is not an SU2 name or the file cannot be opened.
int AddSU2MeshSize(Function_Interface *fi, const char *name, int *SizMsh);
// Size pass of the ".dat" solution of an SU2 mesh: one scalar field per column other than the
// point number and the coordinates. name: the mesh (the ".dat" beside it is read) or the
// solution file itself (Su2SolutionName). 1 when the file opened; mode 1 is quiet about a
// file that does not open, any other mode reports it.
int FitSU2SolSize(int mode, Function_Interface *fi, const char *name, int *SizMsh);

// Appends the file's vertices and elements to the mesh. 1 on success.
int LoadSU2Mesh(Function_Interface *fi, const char *name, Geometric_Mesh *msh);
// Reads the ".dat" file's values into the solution at vertices, after the vertices of
// earlier files (the solution's count); name as for FitSU2SolSize. vertices: how many vertices
// this file's mesh has (its points are numbered 0 .. vertices-1), -1 for every vertex after
// the earlier files'. 1 on success; *points, when given, receives the
// number of vertices the table gave values to (the others keep 0). Cells that are NaN or
// infinite are taken as they are, left out of the field ranges and counted in one notice
// (LoadNotices.h). A row naming a point the mesh has not is refused, with a line naming the
// file, its rows of values and the mesh's vertices.
int LoadSU2Solution(Function_Interface *fi, const char *name, Geometric_Mesh *msh, int64_t *points = nullptr,
                    int vertices = -1);

// Value of a keyword ("NPOIN=" 12 or "NPOIN=12"), read from the current position; 0 and a
// message when the file ends first.
int GetSU2KeywordValue(FILE *f, const char *key);
// The same for a word value, copied into out (outSize bytes). 1 when found.
int GetSU2KeywordValueStr(FILE *f, const char *key, char *out, size_t outSize);

// Reads one record up to delim (kept) into *lineptr from offset on, growing the buffer
// (allocated with the memory functions on a null list; release it with Free). The number of
// characters stored, -1 at end of file with nothing read or on an error.
ssize_t mygetstr(char **lineptr, size_t *n, FILE *stream, char delim, size_t offset);
ssize_t mygetline(char **lineptr, size_t *n, FILE *stream);
// Reads and drops n integers.
void cvt_FileReadNInt(FILE *f, int n);

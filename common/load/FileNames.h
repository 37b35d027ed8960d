// File names of the mesh library: the one length limit every opener applies, the extensions
// of keyword files (".mesh", ".meshb", ".sol", ".solb") and SU2 files (".su2", ".dat"), the
// base name a mesh is known by; the name its messages show comes with it (ShownName.h).
//
// Everything here works on the name alone (ExistingKeywordFile also asks the file system
// whether a file can be read); nothing opens a file. Called by the keyword-file access, the
// loaders, the SU2 reader and the scene.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/base/ShownName.h"

// Longest file name taken anywhere, extension included. With the longest extension a name
// may get (".meshb") and its closing zero it still fits the 1024 bytes a file handle keeps.
// Longer names are refused by every opener, each with its own message.
enum : int { FileNameMax = 1016 };

// The two kinds of keyword files, as getPrintName and GetMeshDesc number them.
enum : int { FILE_NAME_MESH = 0, FILE_NAME_SOL = 1 };

// Where a kind's text extension stands in a name (KindExtension).
enum : int {
  NAME_EXT_NONE = 0,    // the name does not hold it
  NAME_EXT_TEXT = 1,    // it ends the name
  NAME_EXT_BINARY = 2,  // it is followed by "b" only
  NAME_EXT_OTHER = 3,   // anything else follows its first occurrence ("a.mesh.gz")
};

// Encoding and kind of a keyword file read from its name (KeywordFileKind).
struct KeywordNameKind {
  bool Known;   // one of the four extensions was found
  bool Binary;  // ".meshb" or ".solb"
  bool Sol;     // ".sol" or ".solb"
};

// True when name (not null) is at most FileNameMax characters long.
bool FileNameFits(const char *name);

// Encoding and kind from the name: the extension that ends it, else the first of ".meshb",
// ".mesh", ".solb", ".sol" found anywhere in its last path component.
//
// Every judgement of an ending here looks at the last path component only: a folder named
// "run.mesh.d" or "case.sol" says nothing about the files inside it.
KeywordNameKind KeywordFileKind(const char *name);

// Where the first ".mesh" (kind FILE_NAME_MESH) or ".sol" (FILE_NAME_SOL) of the last path
// component of name stands: NAME_EXT_NONE, _TEXT, _BINARY or _OTHER.
int KindExtension(const char *name, int kind);

// Writes base followed by the kind's binary or text extension into out (outSize bytes).
// False, out left as it was, when the result would pass FileNameMax or outSize.
bool AppendExtension(const char *base, int kind, bool binary, char *out, size_t outSize);

// The file base stands for: base with the kind's binary extension when that file can be
// read, else with the text extension when that one can; written into out. False when
// neither can be read.
bool ExistingKeywordFile(const char *base, int kind, char *out, size_t outSize);

// The solution file name stands for. A name whose last path component ends in ".sol" or
// ".solb" stands for that very file; any other for its base name (getBaseName) with ".solb"
// when that file can be read, else with ".sol". open receives what to give the opener (the
// name itself, or the base name, which the opener resolves the same way); path receives the
// file found. Both hold outSize bytes. False when no such file can be read.
bool FindSolutionFile(const char *name, char *open, char *path, size_t outSize);

// Name without its ".mesh", ".sol" or ".solb" ending: cut at the first ".mesh", then at the
// first ".sol", looking only in the last path component; written into out (outSize bytes,
// cut to fit). A null argument ends the process through myexit.
void getBaseName(const char *name, char *out, size_t outSize);

// Name shown in messages. Kind 0 (mesh): a name without ".mesh" gets ".meshb" or ".mesh",
// one with it is copied. Kind 1 (solution): the base name of a name with ".mesh", the name
// itself otherwise, followed by ".solb" or ".sol". Status bit 8 (binary input) picks the
// binary extension. Another kind or a null argument ends the process through myexit.
void getPrintName(int kind, uint32_t status, const char *name, char *out, size_t outSize);

// File version to write for that many vertices: 3 past 1.95 GiB of coordinates, else 2.
int GetFilVer(int64_t NbrVer);

// FILE_TYPE_SU2 for a name whose text after the last "." is "su2", FILE_TYPE_DAT for "dat",
// else 0. A null name ends the process through myexit.
int GetInputFileType(const char *name);

// The ".dat" solution a name stands for: for an SU2 mesh the name cut at the first ".su2" of
// its last path component, then ".dat"; a name without ".su2" there (a solution named for the
// mesh) stands for itself. Written into out. False when it would not fit FileNameMax or
// outSize.
bool Su2SolutionName(const char *name, char *out, size_t outSize);

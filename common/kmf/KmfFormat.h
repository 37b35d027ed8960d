// The keyword mesh-file format: the table of every keyword with its header and line shape,
// and the numbers the rest of the program uses for keywords, element kinds and field types.
//
// A keyword file is a header (version, dimension) followed by sections; each section names
// one kind of data by its keyword number and holds lines whose fields are given by the third
// column of the table: i an integer, r a real, c a string, d<x> the letter x repeated
// Dimension times, s<x> a solution line (x repeated once per value of the section's types),
// h<x> a high-order solution line (the solution line repeated once per node).
#pragma once

#include <cstddef>

#include "common/model/ElementKind.h"

enum {
  KmfMaxKwd = 204,     // keyword numbers 1..KmfMaxKwd are valid in files
  KmfMaxTyp = 1000,    // solution types per section
  KmfMaxLetters = 9000 // letters of one expanded line
};

// Keyword numbers beyond the element kinds and flags of the in-memory mesh, which are
// the keyword numbers themselves (ElementKind.h).
enum : int {
  KmfMeshVersionFormatted = 1,
  KmfDimension = 3,
  KmfRequiredTriangles = 17,
  KmfRequiredQuadrilaterals = 18,
  KmfBoundingBox = 50,
  KmfSolAtEdges = 63,
  KmfComments = 81,
  KmfHOSolAtTrianglesP2 = 108,
  KmfByteFlow = 126,
  KmfEdgesP2Ordering = 127,
  KmfFloatingPointPrecision = 162,
};

// Solution field types and the number of values each holds.
enum { KmfSca = 1, KmfVec = 2, KmfSymMat = 3, KmfMat = 4 };

// Kinds of a keyword, from its header and line formats.
enum { KmfKwdAbsent = 0, KmfKwdInfo = 1, KmfKwdData = 2, KmfKwdSol = 3 };

// Name, header format ("" or "i") and line format of every keyword number 0..KmfMaxKwd.
extern const char *const KmfKwdFmt[KmfMaxKwd + 1][3];

// Number of values of a solution type in the given dimension (0 for an unknown type).
int KmfTypeSize(int type, int dim);

// Kind of keyword kwd (1 info, 2 data, 3 solution), 0 outside 1..KmfMaxKwd.
int KmfKeywordKind(int kwd);

// Keyword number named by the len characters at name, 0 when no keyword has that name.
int KmfFindKeyword(const char *name, size_t len);

// Surfaces for the editing tools' tests, the check that display records still match the mesh
// after an edit, and a scene ready for edits (display records in a current GL context, list
// builders installed).
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

struct Geometric_Mesh;
struct Memory_List;
typedef struct Zel_Scene ZelScene;

// A flat surface (z = 0, dimension 3) of nx x ny unit squares on the vertices (i, j), number
// 1 + i + (nx + 1) j. Square (i, j) of a column below quadFrom holds the triangles
// (v(i,j), v(i+1,j), v(i+1,j+1)) = 2 (i + j quadFrom) + 1 and (v(i,j), v(i+1,j+1), v(i,j+1)), the
// next number; the columns from quadFrom on hold one quadrilateral each. Every element takes
// ref(i, j). Each line (i0, j0, i1, j1) along a grid line becomes unit boundary edges of
// reference edgeRef, in order. The vertices listed in corners are corners (as read from a file).
// Room for spareEdges more boundary edges.
struct SurfaceLayout {
  int nx = 4, ny = 4, quadFrom = 4;
  std::function<int(int i, int j)> ref = [](int, int) { return 1; };
  std::vector<std::array<int, 4>> lines;
  int edgeRef = 7;
  std::vector<int> corners;
  int spareEdges = 0;
};
Geometric_Mesh *EditSurface(Memory_List *mem, const SurfaceLayout &layout);
// Lower (0) or upper (1) triangle of square (i, j) of a surface.
int SquareTri(const SurfaceLayout &layout, int i, int j, int half);

// Every live element of the kind lies in exactly one record's chain, the record of its own
// reference, with a link naming that record; no dead element, no entry 0 and no number past the count in any chain.
testing::AssertionResult ChainsSound(ZelScene *scene, int kind);
// The element numbers of a record's chain, in chain order.
std::vector<int> Chain(ZelScene *scene, int kind, int record);
// The record of a reference, found by looking at every record (0 when none).
int RecordOfRef(ZelScene *scene, int kind, int ref);

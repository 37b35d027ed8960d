// Quadratic edges and triangle patches: how every curved element is drawn.
//
// A curved (second-order) element reduces to two shapes. The quadratic edge has end nodes a, b
// and middle node m: q(t) = c0 + c1 t + c2 t^2 with c0 = a, c1 = -3a - b + 4m, c2 = 2a + 2b - 4m
// (t = 0, 1, 0.5 give a, b, m). The quadratic triangle patch has corners p0 p1 p2 and edge
// nodes m01 m12 m20; u runs from p0 toward p1, v from p0 toward p2:
//   p(u, v) = c0 + cu u + cv v + cuu u^2 + cuv u v + cvv v^2
// with cuu = 2 p0 + 2 p1 - 4 m01, cvv = 2 p0 + 2 p2 - 4 m20, cuv = 4 (p0 - m01 + m12 - m20),
// cu = -3 p0 - p1 + 4 m01, cv = -3 p0 - p2 + 4 m20, c0 = p0. A quadrilateral face is drawn as
// two such patches.
//
// Coefficient blocks are f32, made once per element or face: an edge block of 9 (c0, c1, c2,
// xyz each), a position block of 18 (cuu, cvv, cuv, cu, cv, c0) and a value block of 6 (the
// same order, one value per node). A patch is evaluated, in double and stored in f32, on the
// lattice of level n: row i = 0..n at v = i / n holds the points j = 0..n - i at u = j / n, so
// P[0][0] = p0, P[0][n] = p1, P[n][0] = p2. Every row has room for 64 points (point (i, j) is
// entry 64 i + j), which bounds the level to 63; the arrays are fixed and live on the
// caller's stack, every point is evaluated once and shared by the triangles that touch it, and
// nothing is allocated.
//
// Two shrinks apply with a factor s < 1: the lattice parameters move toward the patch's
// parametric centre, u -> (u - 0.333) s + 0.333 (and v alike; an edge's t -> (t - 0.5) s +
// 0.5), and drawn points are pulled toward the element centre c, p -> (p - c) s + c (applied
// whatever s is). Normals are not changed by either.
//
// The plain functions (coefficients, evaluation, lattice triangle order, edge points) need no
// GL and are what the tests check; the drawing routines below them emit immediate-mode calls
// into a glBegin/glEnd block that the caller has opened. Used by every curved list builder and
// by the view's overlays. Any thread for the plain part; the GL part on the thread of the
// current context.
#pragma once

#include "zelvane/lists/ZelListColor.h"

enum : int {
  ZelLatRow = 64,            // points per lattice row
  ZelLatSize = ZelLatRow * ZelLatRow,
  ZelLatMaxLevel = ZelLatRow - 1,
};

// Entry of lattice point j of row i.
constexpr int zelLatIdx(int i, int j) { return ZelLatRow * i + j; }

// The level a builder uses: at most 63 (a record's level may come from a panel or a saved
// state beyond what the lattice holds); lower levels as they are.
inline int zelP2Level(int n) { return n > ZelLatMaxLevel ? ZelLatMaxLevel : n; }

// Coefficient blocks. nod: the positions of p0, p1, p2, m01, m12, m20; val: the values there.
void zelP2EdgeCoefs(const float a[3], const float b[3], const float m[3], float blk[9]);
void zelP2PatchCoefs(const float *const nod[6], float blk[18]);
void zelP2ValueCoefs(const float val[6], float blk[6]);

// The patch point at (u, v) and its unit normal dp/du x dp/dv, computed in double; the zero
// normal where the derivatives are parallel (or not finite). Either output may be null.
void zelP2PatchPoint(const float blk[18], double u, double v, float p[3], float n[3]);
// The value of a value block at (u, v).
float zelP2PatchValue(const float blk[6], double u, double v);

// Fills the lattice of level n (rows 0..n) with positions P, unit normals N and, with a value
// block sol, values S (sol and S may be null; S is then left alone). s < 1 shrinks the
// parameters. Nothing for n < 0; a level above 63 counts as 63 (so do the routines below).
void zelEvalP2Lattice(int n, const float *sol, const float pos[18], float (*P)[3], float (*N)[3], float *S,
                      float s);

// Arrays for one lattice, to be held on the stack.
struct ZelP2Lattice {
  float P[ZelLatSize][3];
  float N[ZelLatSize][3];
  float S[ZelLatSize];
};

// The n^2 lattice triangles of level n in drawing order, as tri(a, b, c) with lattice
// entries: for each row i, first its n - i upward triangles (i, j) (i, j+1) (i+1, j), then its
// n - 1 - i downward ones (i, j+1) (i+1, j+1) (i+1, j). Their corner order follows the patch
// normal. Nothing for n <= 0.
template <class Tri>
void zelEachLatticeTri(int n, Tri &&tri) {
  for (int i = 0; i < n; i++) {
    for (int j = 0; j < n - i; j++) tri(zelLatIdx(i, j), zelLatIdx(i, j + 1), zelLatIdx(i + 1, j));
    for (int j = 0; j < n - 1 - i; j++) tri(zelLatIdx(i, j + 1), zelLatIdx(i + 1, j + 1), zelLatIdx(i + 1, j));
  }
}

// Moves the first `count` points of p toward c: p -> (p - c) s + c.
void zelPullToward(float (*p)[3], int count, const float c[3], float s);

// The n + 1 points of a curved edge, q_k = q(t_k) with t_k = k / n (shrunk when s < 1),
// computed in double, stored in f32 and pulled toward c. 0 points for n <= 0, else n + 1.
int zelP2EdgePoints(int n, const float blk[9], const float c[3], float s, float (*q)[3]);

// --- drawing (immediate mode, inside the caller's glBegin/glEnd) ---------------------------

// GL_TRIANGLES: the n^2 lattice triangles, each corner with its lattice normal (unless
// normals is false) and its point pulled toward c. Nothing for n <= 0.
void zelDrawP2Patch(int n, const float pos[18], const float c[3], float s, bool normals = true);
// GL_TRIANGLES: every lattice triangle with its pulled corners, normals and values split at
// the palette's iso values (zelPaletteSplitTri).
void zelShadeP2Patch(int n, const float sol[6], const float pos[18], const float c[3], const ZelPalette *pal,
                     float s);
// GL_LINES: the iso-lines of every lattice triangle (raw lattice corners) by zelIsoSegmentTri
// with the levels of the palette in use (ZelIsoTable).
void zelIsoLinesP2Patch(int n, const float sol[6], const float pos[18], const ZelIsoLevel *levels, int nbrLevels,
                        float s);
// GL_LINES: the iso-lines of one lattice triangle with corners a b c and values val, its
// corners first moved toward g = 0.3333 (a + b + c) by s: for every level, its crossings (an
// edge whose ends both lie on the level ends the triangle's walk for that level), in the
// level's colour. Always an even number of vertices.
void zelIsoSegmentTri(const float val[3], const float a[3], const float b[3], const float c[3],
                      const ZelIsoLevel *levels, int nbrLevels, float s);
// GL_LINES: the n segments of one curved edge (zelP2EdgePoints) as vertex pairs.
void zelP2EdgePolyline(int n, const float blk[9], const float c[3], float s);

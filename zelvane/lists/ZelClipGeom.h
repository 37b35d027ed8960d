// The plane geometry of clipping, without GL and without a scene: the signed value of a
// point, the rules that mark elements from their nodes' sides, the outline points where a
// plane crosses one triangle, one quadrilateral or a box, and the piece a plane cuts out of
// one tetrahedron.
//
// The marking (ZelClip.h), the section outline and frame (ZelClipFrame.h) and the capping
// (ZelCapping.h) are built on these; every function here is pure and may run on any thread.
#pragma once

// Signed value of the point p against the plane a x + b y + c z + d = 0, evaluated in double
// as ((a x + b y) + c z) + d, always in this order, so that the marking, the outline and the
// capping agree on which side a point lies even where rounding decides. NaN when a
// coordinate or a coefficient is not a number.
inline double zelPlaneValue(const double pla[4], const double p[3]) {
  return ((pla[0] * p[0] + pla[1] * p[1]) + pla[2] * p[2]) + pla[3];
}

// How an element's clip bit follows from how many of its nodes lie on the positive side.
enum ZelClipRule : int {
  ZelClipAnyPositive = 0,     // surfaces: they reach into the positive side
  ZelClipAnyNotPositive = 1,  // edges: they reach into the non-positive side
  ZelClipMixed = 2,           // volumes: the plane cuts them (nodes on both sides)
};

// Whether an element of `nodes` nodes, `positives` of them positive, is marked by the rule.
inline bool zelClipRuleHolds(int rule, int positives, int nodes) {
  switch (rule) {
    case ZelClipAnyPositive:
      return positives > 0;
    case ZelClipAnyNotPositive:
      return positives < nodes;
    default:
      return positives > 0 && positives < nodes;
  }
}

// The plane (a, b, c, d) of mesh coordinates moved into display coordinates, where a point is
// (p - ctr) x inv: a, b, c unchanged, d' = (((a cx + d) + b cy) + c cz) x inv. The signed
// value of a display point against the result is the mesh value times inv.
void zelDisplayPlane(const double pla[4], const double ctr[3], double inv, double out[4]);

// Outline of one triangle: s holds the signed values of its vertices, d their display
// coordinates. A vertex is on the positive side when s >= 0, else (s < 0 or NaN) negative.
// When both sides hold a vertex, the two vertices of the fuller side are moved towards the
// lone one, in vertex order, to where the plane crosses (t = |s_p / (s_q - s_p)|); writes
// those 2 points and returns 2, else returns 0.
int zelOutlineTriangle(const double s[3], const float *const d[3], float out[2][3]);

// Outline of one quadrilateral: along its edges (0,1), (1,2), (2,3), (3,0), every edge with
// one end positive (s >= 0) and the other negative gives the crossing point, moved from the
// negative end towards the positive one. Returns 0, 2 or 4 points; they pair up into
// segments in the order written.
int zelOutlineQuadrilateral(const double s[4], const float *const d[4], float out[4][3]);

// The clip frame: where the plane (display coordinates) crosses the edges of the box (xmin,
// ymin, zmin, xmax, ymax, zmax) enlarged by 1 % of its extent on each side, two points per
// crossed face, faces and corners in a fixed order. Returns the number of points (even, at
// most 24).
enum : int { ZelFrameMaxPoints = 24 };
int zelFramePoints(const double box[6], const double pla[4], float out[ZelFrameMaxPoints][3]);

// The piece a plane cuts out of one tetrahedron, as pairs of its vertices (0..3): corner q of
// the piece lies on the edge from From[q] (the vertex the interpolation starts at) to To[q].
struct ZelTetCut {
  int Corners;  // 0 nothing, 3 a triangle, 4 a quadrilateral
  int From[4];
  int To[4];
};

// Classifies the four signed values: a vertex is positive when s > 0, as the marking has it,
// and negative when s <= 0, so a plane through a face of the tetrahedron gives that face.
// With every vertex on one side, or a value that is not a number, no piece. Two against two
// (negatives A0, A1 and positives B0, B1 in vertex order): a quadrilateral A0->B0, A0->B1,
// A1->B1, A1->B0. One against three: a triangle whose corner k runs from the k-th vertex of
// the three towards the lone one. Returns Corners.
int zelCutTetrahedron(const double s[4], ZelTetCut *cut);

// Colours of solution values, banded shading and iso-lines: what the builders of every kind
// draw a field with.
//
// A palette (ZelPalette) holds N ascending normalised iso values with a hue each (240 blue at
// the first, 0 red at the last). A value's colour is interpolated between the hues of the two
// iso values around it, as an HSV colour of saturation 1 and value 0.8, or as a grey level, or,
// with a colour map of index 2 to 10, read from that map's table at the value's position
// among the iso values. Shading splits each triangle at the iso values so that every piece
// lies within one band; iso-lines are drawn at the iso values and at the subdivision levels
// between them.
//
// The geometry (split pieces, iso-line points) is computed by plain functions that tests
// check without GL; the GL routines emit what they return. GUI thread; nothing is kept
// between calls.
#pragma once

#include <cmath>
#include <vector>

#include "zelvane/scene/ZelPalette.h"

enum : int { ZelNbrColorMaps = 11 };

// HSV colour of a hue in degrees with saturation 1 and value 0.8; the hue is truncated to whole
// degrees and taken modulo 360.
void zelHsvColor(float hue, float rgb[3]);

// Colour at position x (0..range) of colour map `map`: the map's rows spread evenly over
// 0..range, x between two rows blended linearly, x clamped to 0..range (x not a number counts
// as range, range not a number as 0). Map 10 reads the
// palette's user table (5 rows). 1 done; 0 with the outputs untouched for a map without a table
// (0, 1, outside 0..10, or 10 without a user table), whose callers keep the computed colours.
int zelPaletteColor(int map, float *r, float *g, float *b, const float (*user)[3], double x, double range);

// Colour of value v of a palette: v clamped to the iso values, the hue between the two iso
// values around it (grey levels when the grey flag is set); with useMap, a colour map of
// index 2 to 10 replaces that colour (shading and iso-lines use maps, vector arrows do not).
void zelValueColor(const ZelPalette *pal, float v, bool useMap, float rgb[3]);

// One corner of a shaded triangle: position, normal and value.
struct ZelShadeVertex {
  float P[3];
  float N[3];
  float S;
};

// Splits a triangle at the palette's iso values: while the edge of largest value difference
// crosses the iso value at the lower band of its ends (split parameter strictly between 0.001
// and 0.999), the triangle is cut there (position and normal interpolated, value the iso
// value) into the part with the edge's second end replaced and the part with its first end
// replaced, in that order. Calls leaf(const ZelShadeVertex[3]) for every piece, corner order
// kept.
template <class Leaf>
void zelSplitTri(const ZelPalette *pal, const ZelShadeVertex tri[3], Leaf &&leaf);

// Draws a triangle split that way inside an open glBegin(GL_TRIANGLES): each piece's corners
// with the colour of their value (useMap), their normal and position.
void zelPaletteSplitTri(const ZelPalette *pal, const ZelShadeVertex tri[3]);

// One iso-line level: its normalised value and its colour.
struct ZelIsoLevel {
  float Value;
  float Rgb[3];
};
// The (N - 1) x subdivision + 1 levels of the palette's iso-lines, in drawing order: between
// two iso values the subdivision levels interpolate value and hue; black lines at the refined
// levels when the black-iso flag is set (at most the refined count + 1 of them are read);
// colour maps give each band its start colour.
std::vector<ZelIsoLevel> zelIsoLevels(const ZelPalette *pal);
// Their number (0 when it would be below 1), and level j of them (0 <= j < that number).
int zelIsoLevelCount(const ZelPalette *pal);
void zelIsoLevelAt(const ZelPalette *pal, int j, ZelIsoLevel *level);

// The levels of a palette for one list build, held in the table itself (on the caller's
// stack) up to ZelIsoTableLevels of them, so that compiling a list allocates nothing; only a
// subdivision beyond that goes to the heap.
class ZelIsoTable {
 public:
  enum : int { ZelIsoTableLevels = 256 };
  explicit ZelIsoTable(const ZelPalette *pal);
  const ZelIsoLevel *data() const { return heap_.empty() ? own_ : heap_.data(); }
  int size() const { return n_; }

 private:
  ZelIsoLevel own_[ZelIsoTableLevels];
  std::vector<ZelIsoLevel> heap_;
  int n_ = 0;
};

// Points where `level` crosses the triangle p with corner values s, edge by edge (0-1, 1-2,
// 2-0): a crossing strictly inside an edge gives one point; an edge whose two values equal the
// level gives both its ends (with firstEqualEdge, the first such edge ends the triangle's
// walk). When the crossings number 1 or 3, the last point is repeated, so that the points pair
// into whole segments. Returns their number (at most 8).
int zelIsoLinePoints(const float p[3][3], const float s[3], float level, float out[8][3], bool firstEqualEdge = false);

// Draws the iso-lines of one triangle inside an open glBegin(GL_LINES): every level that meets
// it, in its colour (firstEqualEdge as in zelIsoLinePoints).
void zelIsoLinesTri(const ZelIsoLevel *levels, int nbrLevels, const float p[3][3], const float s[3],
                    bool firstEqualEdge = false);
inline void zelIsoLinesTri(const std::vector<ZelIsoLevel> &levels, const float p[3][3], const float s[3]) {
  zelIsoLinesTri(levels.data(), static_cast<int>(levels.size()), p, s);
}

// --- template body -------------------------------------------------------------------------

// Band of a value: the first iso value above it among the first N - 1, else N - 1.
int zelBandOf(const ZelPalette *pal, float v);
// The palette's iso count kept to 2..10, and v clamped to its first and last iso values.
int zelIsoCount(const ZelPalette *pal);
float zelClampToIso(const ZelPalette *pal, float v);

template <class Leaf>
void zelSplitTri(const ZelPalette *pal, const ZelShadeVertex tri[3], Leaf &&leaf) {
  float s[3];
  int band[3];
  for (int k = 0; k < 3; k++) {
    s[k] = zelClampToIso(pal, tri[k].S);
    band[k] = zelBandOf(pal, s[k]);
  }
  const float d02 = std::fabs(s[0] - s[2]), d12 = std::fabs(s[1] - s[2]), d01 = std::fabs(s[0] - s[1]);
  int a = 0, b = 1;
  float dmax = d01;
  if (d02 > d12 && d02 > d01)
    a = 0, b = 2, dmax = d02;
  else if (d12 > d01)
    a = 1, b = 2, dmax = d12;
  if (dmax == 0.0f) {
    leaf(tri);
    return;
  }
  const float threshold = pal->NormIso[band[a] < band[b] ? band[a] : band[b]];
  const float t = (threshold - s[a]) / (s[b] - s[a]);
  if (!(t > 0.001f && t < 0.999f)) {
    leaf(tri);
    return;
  }
  ZelShadeVertex cut;
  for (int k = 0; k < 3; k++) {
    cut.P[k] = tri[a].P[k] + t * (tri[b].P[k] - tri[a].P[k]);
    cut.N[k] = tri[a].N[k] + t * (tri[b].N[k] - tri[a].N[k]);
  }
  cut.S = threshold;
  ZelShadeVertex part[3] = {tri[0], tri[1], tri[2]};
  part[b] = cut;
  zelSplitTri(pal, part, leaf);
  part[b] = tri[b];
  part[a] = cut;
  zelSplitTri(pal, part, leaf);
}

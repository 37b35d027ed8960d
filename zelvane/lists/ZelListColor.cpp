// Colours of solution values, banded shading and iso-lines.
#include "zelvane/lists/ZelListColor.h"

#include <GL/gl.h>

#include <cmath>

#include "zelvane/lists/ZelColorMaps.h"

int zelIsoCount(const ZelPalette *pal) { return pal->N < 2 ? 2 : pal->N > ZelMaxIso ? ZelMaxIso : pal->N; }

float zelClampToIso(const ZelPalette *pal, float v) {
  const float lo = pal->NormIso[0], hi = pal->NormIso[zelIsoCount(pal) - 1];
  if (v < lo) v = lo;
  if (v > hi) v = hi;
  return v;
}

int zelBandOf(const ZelPalette *pal, float v) {
  const int n = zelIsoCount(pal);
  for (int i = 0; i < n - 1; i++)
    if (pal->NormIso[i] > v) return i;
  return n - 1;
}

void zelHsvColor(float hue, float rgb[3]) {
  const float V = 0.8f;
  int whole = std::fabs(hue) < 1e9f ? static_cast<int>(hue) % 360 : 0;
  if (whole < 0) whole += 360;
  const float h = whole / 60.0f;
  const int sector = static_cast<int>(std::floor(h));
  const float f = h - sector, q = V * (1.0f - f), t = V * f;
  const float rows[6][3] = {{V, t, 0}, {q, V, 0}, {0, V, t}, {0, q, V}, {t, 0, V}, {V, 0, q}};
  for (int k = 0; k < 3; k++) rgb[k] = rows[sector][k];
}

int zelPaletteColor(int map, float *r, float *g, float *b, const float (*user)[3], double x, double range) {
  if (map < 2 || map >= ZelNbrColorMaps) return 0;
  const float(*table)[3] = map == 10 ? user : zelColorMapTables[map];
  if (!table) return 0;
  const int n = zelColorMapSizes[map] - 1;
  // A range that is not a number counts as 0, a value that is not a number as the range.
  if (std::isnan(range)) range = 0.0;
  if (std::isnan(x)) x = range;
  const double step = range / n;
  int i = 0;
  double w = 0.0;
  if (step != 0.0) {
    x = x < 0.0 ? 0.0 : x > range ? range : x;
    const double pos = x / step;
    i = static_cast<int>(pos);
    w = pos - i;
    if (i >= n) i = n, w = 0.0;  // x at the end of the range: the last row
  }
  const int next = i < n ? i + 1 : n;
  *r = static_cast<float>(table[i][0] * (1.0 - w) + table[next][0] * w);
  *g = static_cast<float>(table[i][1] * (1.0 - w) + table[next][1] * w);
  *b = static_cast<float>(table[i][2] * (1.0 - w) + table[next][2] * w);
  return 1;
}

namespace {

// Grey level or HSV colour of a hue.
void hueColor(const ZelPalette *pal, float hue, float rgb[3]) {
  if (pal->Grey)
    rgb[0] = rgb[1] = rgb[2] = hue * 0.00390625f;
  else
    zelHsvColor(hue, rgb);
}

void mapColor(const ZelPalette *pal, double x, double range, float rgb[3]) {
  zelPaletteColor(pal->ColMap, &rgb[0], &rgb[1], &rgb[2], pal->UsrCol, x, range);
}

}  // namespace

void zelValueColor(const ZelPalette *pal, float v, bool useMap, float rgb[3]) {
  const int n = zelIsoCount(pal);
  const float *val = pal->NormIso, *hue = pal->Hue;
  v = zelClampToIso(pal, v);
  const int b = zelBandOf(pal, v);
  if (b == 0) {
    hueColor(pal, hue[0], rgb);
    if (useMap) mapColor(pal, 0.0, n - 1, rgb);
    return;
  }
  const float frac = (v - val[b - 1]) / (val[b] - val[b - 1]);
  const float f = std::isfinite(frac) ? frac : 0.0f;
  hueColor(pal, (1.0f - f) * hue[b - 1] + f * hue[b], rgb);
  if (!useMap) return;
  double along = frac;
  if (pal->Scale == 1)
    along = (std::log(v) - std::log(val[b - 1])) / (std::log(val[b]) - std::log(val[b - 1]));
  double x = (b - 1) + along;
  if (!std::isfinite(x)) x = n - 1;
  mapColor(pal, x, n - 1, rgb);
}

void zelPaletteSplitTri(const ZelPalette *pal, const ZelShadeVertex tri[3]) {
  zelSplitTri(pal, tri, [pal](const ZelShadeVertex *piece) {
    for (int k = 0; k < 3; k++) {
      float rgb[3];
      zelValueColor(pal, piece[k].S, true, rgb);
      glColor3fv(rgb);
      glNormal3fv(piece[k].N);
      glVertex3fv(piece[k].P);
    }
  });
}

int zelIsoLevelCount(const ZelPalette *pal) {
  const int last = (zelIsoCount(pal) - 1) * pal->Subdiv;
  return last < 0 ? 0 : last + 1;
}

void zelIsoLevelAt(const ZelPalette *pal, int j, ZelIsoLevel *l) {
  const int n = zelIsoCount(pal), sub = pal->Subdiv;
  const int last = (n - 1) * sub;
  const int q = j < last ? j / sub : n - 1;
  float hue, value;
  if (j < last) {
    const float f = static_cast<float>(j % sub) / sub;
    hue = (1.0f - f) * pal->Hue[q] + f * pal->Hue[q + 1];
    value = (1.0f - f) * pal->NormIso[q] + f * pal->NormIso[q + 1];
  } else {
    hue = pal->Hue[n - 1];
    value = pal->NormIso[n - 1];
  }
  if (pal->BlackIso) {
    const bool refined = pal->RefLvl && pal->NbrRef == last;
    l->Value = refined ? pal->RefLvl[j] : value;
    l->Rgb[0] = l->Rgb[1] = l->Rgb[2] = 0.0f;
    return;
  }
  l->Value = value;
  hueColor(pal, hue, l->Rgb);
  mapColor(pal, q, n - 1, l->Rgb);
}

std::vector<ZelIsoLevel> zelIsoLevels(const ZelPalette *pal) {
  std::vector<ZelIsoLevel> levels(zelIsoLevelCount(pal));
  for (size_t j = 0; j < levels.size(); j++) zelIsoLevelAt(pal, static_cast<int>(j), &levels[j]);
  return levels;
}

ZelIsoTable::ZelIsoTable(const ZelPalette *pal) : n_(zelIsoLevelCount(pal)) {
  ZelIsoLevel *to = own_;
  if (n_ > ZelIsoTableLevels) {
    heap_.resize(n_);
    to = heap_.data();
  }
  for (int j = 0; j < n_; j++) zelIsoLevelAt(pal, j, &to[j]);
}

int zelIsoLinePoints(const float p[3][3], const float s[3], float level, float out[8][3], bool firstEqualEdge) {
  static const int next[3] = {1, 2, 0};
  int nbr = 0, crossings = 0;
  auto put = [&](const float *a, const float *b, float t) {
    for (int c = 0; c < 3; c++) out[nbr][c] = a[c] + t * (b[c] - a[c]);
    nbr++;
  };
  auto copy = [&](const float *a) {
    for (int c = 0; c < 3; c++) out[nbr][c] = a[c];
    nbr++;
  };
  for (int k = 0; k < 3; k++) {
    const int m = next[k];
    const float sk = s[k], sm = s[m];
    if (((sk > level && level >= sm) || (sk < level && level <= sm)) && sm != sk) {
      const float t = (level - sk) / (sm - sk);
      if (t > 0.0f && t < 1.0f) put(p[k], p[m], t), crossings++;
    } else if (sk == level && level == sm) {
      copy(p[k]);
      copy(p[m]);
      if (firstEqualEdge) break;
    }
  }
  if (crossings == 1 || crossings == 3) {
    copy(out[nbr - 1]);
  }
  return nbr;
}

void zelIsoLinesTri(const ZelIsoLevel *levels, int nbrLevels, const float p[3][3], const float s[3],
                    bool firstEqualEdge) {
  const float lo = std::fmin(s[0], std::fmin(s[1], s[2])), hi = std::fmax(s[0], std::fmax(s[1], s[2]));
  for (int j = 0; j < nbrLevels; j++) {
    const ZelIsoLevel &l = levels[j];
    if (l.Value < lo || l.Value > hi) continue;  // no crossing and no equal edge
    float pts[8][3];
    const int n = zelIsoLinePoints(p, s, l.Value, pts, firstEqualEdge);
    if (!n) continue;
    glColor3fv(l.Rgb);
    for (int k = 0; k < n; k++) glVertex3fv(pts[k]);
  }
}

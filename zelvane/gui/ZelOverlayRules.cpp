// The palette bar's stops, the axis labels' colour rule and the places of the palette and
// time labels.
#include "zelvane/gui/ZelOverlayRules.h"

#include <algorithm>
#include <cmath>

#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/ZelText.h"
#include "zelvane/scene/ZelPalette.h"
#include "zelvane/scene/ZelScene.h"

const float ZelPaletteStopX[ZelPaletteStops] = {-0.8f, -0.4f, 0.0f, 0.4f, 0.8f};

int zelPaletteEntry(const ZelPalette *pal, int i) {
  int last = pal->N - 1;
  if (last > ZelMaxIso - 1) last = ZelMaxIso - 1;
  if (last < 0) last = 0;
  return i < last ? i : last;
}

void zelPaletteStops(const ZelPalette *pal, float rgb[ZelPaletteStops][3]) {
  for (int i = 0; i < ZelPaletteStops; i++) {
    const int e = zelPaletteEntry(pal, i);
    float *c = rgb[i];
    const float hue = pal->Hue[e];
    if (pal->Grey) {
      c[0] = c[1] = c[2] = hue / 256.0f;
    } else {
      float whole = std::isfinite(hue) ? std::fmod(std::trunc(hue), 360.0f) : 0.0f;
      if (whole < 0) whole += 360.0f;
      const float h = whole / 60.0f;
      const int k = int(h) % 6;
      const float f = h - float(k);
      const float rows[6][3] = {{0.8f, 0.8f * f, 0},       {0.8f * (1 - f), 0.8f, 0}, {0, 0.8f, 0.8f * f},
                                {0, 0.8f * (1 - f), 0.8f}, {0.8f * f, 0, 0.8f},       {0.8f, 0, 0.8f * (1 - f)}};
      for (int ch = 0; ch < 3; ch++) c[ch] = rows[k][ch];
    }
    if (pal->ColMap >= 2)
      GLWidget::paletteColor(pal->ColMap, &c[0], &c[1], &c[2], pal->UsrCol, float(e), float(pal->N - 1));
  }
}

bool zelAxisLabelsInverse(const ZelScene *scene) { return scene && scene->Back[0] > 204.0f; }

float zelPaletteLabelScale(int chars, float advance, float width) {
  const float room = 0.9f * 0.2f * width, need = float(chars) * advance;
  return need > room && need > 0 ? room / need : 1.0f;
}

ZelLabelPlaces zelPlacePaletteLabels(const ZelText::InkBox ink[ZelPaletteStops], int chars, float advance, float Wd,
                                     float Hd, float r) {
  ZelLabelPlaces at;
  float top = 0, bottom = 0, widths = 0;
  for (int i = 0; i < ZelPaletteStops; i++) top = std::max(top, ink[i].y1), bottom = std::min(bottom, ink[i].y0);
  at.scale = zelPaletteLabelScale(chars, advance, Wd);
  if (top - bottom > 0) at.scale = std::min(at.scale, 0.98f * Hd / (top - bottom));
  const float s = at.scale;
  for (int i = 0; i < ZelPaletteStops; i++) {
    at.x[i] = (0.5f + 0.2f * float(i - 2)) * Wd - 80 * r * s;
    widths += s * (ink[i].x1 - ink[i].x0);
  }
  // A margin of a hundredth of the view at its edges, and room between neighbours that had
  // to move of a fiftieth of the width, less where the labels fill the view.
  const float margin = 0.01f * Wd;
  const float gap = std::max(0.0f, std::min(0.02f * Wd, (Wd - widths - 2 * margin) / (ZelPaletteStops - 1)));
  float from = margin;
  for (int i = 0; i < ZelPaletteStops; i++) {
    at.x[i] = std::max(at.x[i], from - s * ink[i].x0);
    from = at.x[i] + s * ink[i].x1 + gap;
  }
  float to = Wd - margin;
  for (int i = ZelPaletteStops - 1; i >= 0; i--) {
    at.x[i] = std::min(at.x[i], to - s * ink[i].x1);
    to = at.x[i] + s * ink[i].x0 - gap;
  }
  at.y = std::max(std::min(0.9f * Hd, 0.99f * Hd - s * top), 0.01f * Hd - s * bottom);
  return at;
}

ZelTextPlace zelPlaceTimeLabel(const ZelText::InkBox &ink, float Wd, float Hd) {
  ZelTextPlace at;
  const float room = 0.88f * Wd;
  at.scale = ink.x1 > room ? room / ink.x1 : 1.0f;
  at.x = 0.01f * Wd;
  at.y = std::max(0.01f * Hd, 1.0f - at.scale * ink.y0);
  return at;
}

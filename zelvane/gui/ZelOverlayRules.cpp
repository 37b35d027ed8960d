// The palette bar's stops and the axis labels' colour rule.
#include "zelvane/gui/ZelOverlayRules.h"

#include <cmath>

#include "zelvane/gui/GLWidget.h"
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

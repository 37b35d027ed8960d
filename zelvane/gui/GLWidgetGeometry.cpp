// The geometry of the view's overlays: metric glyphs, curved patches and colour-map colours,
// each the scene's own routine, so that an overlay draws exactly what the lists draw.
#include "zelvane/gui/GLWidget.h"
#include "zelvane/lists/ZelListColor.h"
#include "zelvane/lists/ZelListGlyphs.h"
#include "zelvane/lists/ZelP2Patch.h"

void GLWidget::drawMetricGlyph(const float pos[3], const double *met, double *eigVal, double *eigVec, int dim,
                               double scale) {
  zelMetricGlyph(pos, met, eigVal, eigVec, dim, scale);
}

void GLWidget::drawCurvedPatch(int level, const float coef[18], const float centre[3], float shrink) {
  if (level <= 0) return;
  zelDrawP2Patch(zelP2Level(level), coef, centre, shrink);
}

int GLWidget::paletteColor(int palette, float *r, float *g, float *b, const float (*user)[3], float value,
                           float range) {
  return zelPaletteColor(palette, r, g, b, user, value, range);
}

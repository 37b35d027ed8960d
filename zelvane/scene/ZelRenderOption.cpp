#include "zelvane/scene/ZelRenderOption.h"

#include "zelvane/scene/ZelEvent.h"

void zelIniRenderOption(ZelRenderOption *opt) {
  if (!opt) return;
  *opt = ZelRenderOption{};
  // Lighting on, grey faces (mode 3), contrast lines (mode 1).
  opt->Render = PermBit(22, 1);
  opt->Shrink = 1.0f;
  opt->TessLevel = 8;
  opt->NormalScale = 1.0;
  opt->VectorScale = ZelVectorScaleStart;
  opt->LineWidth = 1.0f;
}

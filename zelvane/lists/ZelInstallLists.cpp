// The one place where the builders of this library meet the scene's hook table: a row per
// element kind, its update and direct-draw bodies.
#include "zelvane/lists/ZelInstallLists.h"

#include "zelvane/scene/ZelHooks.h"

namespace {

struct BuilderRow {
  int kind;
  ZelListHook update;
  ZelListHook direct;
};

const BuilderRow kBuilders[] = {
    {0, nullptr, nullptr},  // placeholder row until the builders land
};

}  // namespace

void zelInstallListHooks() {
  ZelHooks &hooks = zelHooks();
  for (const BuilderRow &row : kBuilders) {
    if (!row.update) continue;
    hooks.update[row.kind] = row.update;
    hooks.directDraw[row.kind] = row.direct;
  }
}

// The rows of the panels library in the shell's page-maker table and the scene's hook table.
#include "zelvane/panels/ZelInstallPanels.h"

#include "zelvane/gui/ZelPageMakers.h"
#include "zelvane/panels/GeoBox.h"
#include "zelvane/panels/SelectBox.h"
#include "zelvane/panels/ZelDisplayBoxes.h"
#include "zelvane/panels/ZelCompute.h"
#include "zelvane/panels/ZelGenPref.h"
#include "zelvane/panels/ZelMshPref.h"
#include "zelvane/panels/ZelPreferences.h"
#include "zelvane/panels/ZelTermPref.h"
#include "zelvane/panels/ZelVerbose.h"
#include "zelvane/scene/ZelHooks.h"

namespace {

struct MakerRow {
  ZelPage page;
  ZelPageMaker make;
};

const MakerRow MakerRows[] = {
    {ZelPageGeometry, [](const ZelPageArgs &a) -> QZelBase * { return new GeoBox(a.server, a.scene, a.index); }},
    {ZelPageNormals, [](const ZelPageArgs &a) -> QZelBase * { return new NorBox(a.server, a.scene, a.index); }},
    {ZelPageLines, [](const ZelPageArgs &a) -> QZelBase * { return new LinBox(a.server, a.scene, a.index); }},
    {ZelPageSurfaces, [](const ZelPageArgs &a) -> QZelBase * { return new SrfBox(a.server, a.scene, a.index); }},
    {ZelPageVolumes, [](const ZelPageArgs &a) -> QZelBase * { return new VolBox(a.server, a.scene, a.index); }},
    {ZelPageSelect,
     [](const ZelPageArgs &a) -> QZelBase * {
       // The solution window being built is the one the combo drives.
       auto *select = new SelectBox(a.server, a.scene, a.index);
       select->setSolTool(a.host);
       return select;
     }},
    {ZelPageVerbosity, [](const ZelPageArgs &a) -> QZelBase * { return new ZelVerbose(a.server, a.scene, a.index); }},
    {ZelPageComputation, [](const ZelPageArgs &a) -> QZelBase * { return new ZelCompute(a.server, a.scene, a.index); }},
    {ZelPageGeneralPref, [](const ZelPageArgs &) -> QZelBase * { return new ZelGenPref; }},
    {ZelPageMeshPref, [](const ZelPageArgs &) -> QZelBase * { return new ZelMshPref; }},
    {ZelPageTermPref, [](const ZelPageArgs &) -> QZelBase * { return new ZelTermPref; }},
};

}  // namespace

void zelInstallPanelHooks() {
  ZelPageMakers &makers = zelPageMakers();
  for (const MakerRow &row : MakerRows) makers.make[row.page] = row.make;
  zelHooks().displayPreferences = zelApplyDisplayPreferences;
}

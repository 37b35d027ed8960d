// The rows of the tools library in the shell's page-maker table: the five pages of the
// modification window and the bottom bar's "New Ref".
#include "zelvane/tools/ZelInstallTools.h"

#include "zelvane/gui/ZelPageMakers.h"
#include "zelvane/gui/ZelShellHooks.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/panels/ZelInstallPanels.h"
#include "zelvane/tools/AddVerTyp.h"
#include "zelvane/tools/ChgRefBox.h"
#include "zelvane/tools/DelBox.h"
#include "zelvane/tools/DetectEfr.h"
#include "zelvane/tools/TopoBox.h"
#include "zelvane/tools/ZelEdit.h"

namespace {

struct MakerRow {
  ZelPage page;
  ZelPageMaker make;
};

// Every tool refreshes the main window's tool windows it is given.
template <class Tool>
Tool *make(const ZelPageArgs &a) {
  return new Tool(a.server, a.scene, a.index, a.view, a.tools ? *a.tools : QList<ZelTool *>());
}
template <class Tool>
QZelBase *makeTool(const ZelPageArgs &a) {
  return make<Tool>(a);
}
// Edges Detection, Change References and Delete also refresh the modification window being built.
template <class Tool>
QZelBase *makeKeepingHost(const ZelPageArgs &a) {
  Tool *tool = make<Tool>(a);
  tool->addZelTool(a.host);
  return tool;
}

const MakerRow MakerRows[] = {
    {ZelPageAddVertexType, makeTool<AddVerTyp>},
    {ZelPageEdgeDetection, makeKeepingHost<DetectEfr>},
    {ZelPageChangeRef, makeKeepingHost<ChgRefBox>},
    {ZelPageDelete, makeKeepingHost<DelBox>},
    {ZelPageSwap, makeTool<TopoBox>},
};

}  // namespace

void zelInstallToolHooks() {
  ZelPageMakers &makers = zelPageMakers();
  for (const MakerRow &row : MakerRows) makers.make[row.page] = row.make;
  makers.chgRefTri = zel_chgreftri;
}

void zelInstallAllHooks() {
  zelInstallShellHooks();
  zelInstallListHooks();
  zelInstallPanelHooks();
  zelInstallToolHooks();
}

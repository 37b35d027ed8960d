// The one place where the builders of this library meet the scene's hook table: a row per
// element kind, its update and direct-draw bodies, then the clipping services.
#include "zelvane/lists/ZelInstallLists.h"

#include "common/model/ElementKind.h"
#include "zelvane/lists/ZelClip.h"
#include "zelvane/lists/ZelClipFrame.h"
#include "zelvane/lists/ZelCurvedLists.h"
#include "zelvane/lists/ZelCurvedVolumes.h"
#include "zelvane/lists/ZelNormalLists.h"
#include "zelvane/lists/ZelSurfaceLists.h"
#include "zelvane/lists/ZelVertexLists.h"
#include "zelvane/lists/ZelVolumeLists.h"
#include "zelvane/scene/ZelHooks.h"

namespace {

struct BuilderRow {
  int kind;
  ZelListHook update;
  ZelListHook direct;
};

const BuilderRow kBuilders[] = {
    {KmfVertices, zelListUpdateVertices, zelListDirectVertices},
    {KmfEdges, zelListUpdateBdyEdges, zelListDirectBdyEdges},
    {KmfTriangles, zelListUpdateTriangles, zelListDirectTriangles},
    {KmfQuadrilaterals, zelListUpdateQuadrilaterals, zelListDirectQuadrilaterals},
    {KmfTetrahedra, zelVolumeHook<ZelTetKind, true>, zelVolumeHook<ZelTetKind, false>},
    {KmfPrisms, zelVolumeHook<ZelPriKind, true>, zelVolumeHook<ZelPriKind, false>},
    {KmfHexahedra, zelVolumeHook<ZelHexKind, true>, zelVolumeHook<ZelHexKind, false>},
    {KmfNormalAtVertices, zelListUpdateNormals, zelListDirectNormals},
    {KmfPyramids, zelVolumeHook<ZelPyrKind, true>, zelVolumeHook<ZelPyrKind, false>},
    {KmfTrianglesP2, zelListUpdateP2Triangles, zelListDirectP2Triangles},
    {KmfEdgesP2, zelListUpdateP2Edges, zelListDirectP2Edges},
    {KmfQuadrilateralsQ2, zelListUpdateQ2Quadrilaterals, zelListDirectQ2Quadrilaterals},
    {KmfTetrahedraP2, zelListUpdateP2Tetrahedra, zelListDirectP2Tetrahedra},
    {KmfHexahedraQ2, zelListUpdateQ2Hexahedra, zelListDirectQ2Hexahedra},
};

}  // namespace

void zelInstallListHooks() {
  ZelHooks &hooks = zelHooks();
  for (const BuilderRow &row : kBuilders) {
    hooks.update[row.kind] = row.update;
    hooks.directDraw[row.kind] = row.direct;
  }
  // Clipping: the marking, and the outline, frame and cap query of every paint. The scene
  // engine ignores what the outline and the frame answer.
  hooks.setPlaneClip = zelSetPlaneClipBody;
  hooks.setFrameClip = [](ZelScene *scene, int plane) { zelSetFrameClipBody(scene, plane); };
  hooks.setFrameBox = [](ZelScene *scene, int plane) { zelSetFrameBoxBody(scene, plane); };
  hooks.setCapClip = zelSetCapClipBody;
}

#include "tests/support/DisplayScene.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QOpenGLContext>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"

Geometric_Mesh *EveryKindMesh(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(
      mem, 3, {{KmfVertices, 27}, {KmfEdges, 1}, {KmfEdgesP2, 1}, {KmfTriangles, 1}, {KmfTrianglesP2, 1},
               {KmfQuadrilaterals, 1}, {KmfQuadrilateralsQ2, 1}, {KmfTetrahedra, 1}, {KmfTetrahedraP2, 1},
               {KmfPyramids, 1}, {KmfPrisms, 1}, {KmfHexahedra, 1}, {KmfHexahedraQ2, 1},
               {KmfNormalAtVertices, 1}});
  for (int k = 0; k < 3; k++)
    for (int j = 0; j < 3; j++)
      for (int i = 0; i < 3; i++) AddVertex(m, i, j, k);
  auto ref = [](int kind) { return 10 * kind; };
  AddElement(m, KmfEdges, {1, 3}, ref(KmfEdges));
  AddElement(m, KmfEdgesP2, {1, 3, 2}, ref(KmfEdgesP2));
  AddElement(m, KmfTriangles, {1, 3, 9}, ref(KmfTriangles));
  AddElement(m, KmfTrianglesP2, {1, 3, 9, 2, 6, 5}, ref(KmfTrianglesP2));
  AddElement(m, KmfQuadrilaterals, {1, 3, 9, 7}, ref(KmfQuadrilaterals));
  AddElement(m, KmfQuadrilateralsQ2, {1, 3, 9, 7, 2, 6, 8, 4, 5}, ref(KmfQuadrilateralsQ2));
  AddElement(m, KmfTetrahedra, {1, 3, 7, 19}, ref(KmfTetrahedra));
  AddElement(m, KmfTetrahedraP2, {1, 3, 7, 19, 2, 5, 4, 10, 11, 13}, ref(KmfTetrahedraP2));
  AddElement(m, KmfPyramids, {1, 3, 9, 7, 23}, ref(KmfPyramids));
  AddElement(m, KmfPrisms, {1, 3, 7, 19, 21, 25}, ref(KmfPrisms));
  AddElement(m, KmfHexahedra, {1, 3, 9, 7, 19, 21, 27, 25}, ref(KmfHexahedra));
  AddElement(m, KmfHexahedraQ2, {1, 3, 9, 7, 19, 21, 27, 25, 2, 6, 8, 4, 20, 24, 26, 22, 10, 12, 18, 16,
                                 5, 23, 11, 15, 17, 13, 14},
             ref(KmfHexahedraQ2));
  m->Nor[1] = Normal{200, 1, {0, 0, 1}, 0};
  m->NbrNor = 1;
  return m;
}

DisplayScene::DisplayScene(const std::function<Geometric_Mesh *(Memory_List *)> &make, bool setup)
    : mem_(NewMemory(100000)) {
  // The records need a current context: the test's own, else one kept for the process.
  if (!QOpenGLContext::currentContext()) {
    static GLHarness gl(16, 16);
    gl.makeCurrent();
    EXPECT_TRUE(gl.valid()) << gl.describe();
  }
  testing::internal::CaptureStdout();  // the timings and list counts of the set-up
  Geometric_Mesh *msh = make(mem_);
  scene_ = OpenHeadless(mem_, nullptr, msh);
  // The volume neighbours complete, the topology thread is joined: its report is swallowed
  // here rather than landing in a test's own capture.
  while (msh->TopoThread && !TopoDoneLoad(msh)) usleep(100);
  StopTopoThread(msh);
  if (setup) zelSetupDisplayLists(mem_, scene_);
  testing::internal::GetCapturedStdout();
}

DisplayScene::~DisplayScene() {
  zelFreeScene(mem_, scene_);
  EXPECT_EQ(mem_->NbrActive, 0);
  FreeMemory(mem_);
}

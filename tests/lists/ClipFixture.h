// A scene made by hand around a mesh for the clipping and capping tests: the display mesh
// holds only what clipping reads (the planes and the display coordinates, centred on the
// mesh's box), so these tests need neither GL nor the scene's own set-up. With the headers the
// clipping and capping suites share.
#pragma once

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/lists/ZelClip.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelScene.h"

struct ClipScene {
  ZelScene Scene{};
  std::unique_ptr<ZelMesh> ZelMsh{new ZelMesh()};
  std::unique_ptr<ZelPlaEntity> Planes{new ZelPlaEntity()};
  std::unique_ptr<float3[]> Crd;

  explicit ClipScene(Geometric_Mesh *msh, double inv = 1.0) {
    Scene.Msh = msh;
    Scene.ZelMsh = ZelMsh.get();
    Scene.InvDmaxSca = inv;
    ZelMsh->Pla = Planes.get();
    for (int i = 0; i < 3; i++) Scene.Ctr[i] = 0.5 * (msh->Box[i] + msh->Box[i + 3]);
    Crd.reset(new float3[msh->NbrVer + 1]());
    ZelMsh->Crd = Crd.get();
    updateCrd();
  }
  // Display coordinates of the mesh's current vertex positions.
  void updateCrd() {
    for (int v = 1; v <= Scene.Msh->NbrVer; v++)
      for (int i = 0; i < 3; i++)
        Crd[v][i] =
            static_cast<float>((Scene.Msh->Ver[v].Crd[i] - Scene.Ctr[i]) * Scene.InvDmaxSca);
  }
  // Mesh coordinate i of a display point.
  double meshCoord(const float *d, int i) const { return d[i] / Scene.InvDmaxSca + Scene.Ctr[i]; }
  void setPlane(int i, const double pla[4]) { std::copy(pla, pla + 4, Planes->Pla[i]); }
};

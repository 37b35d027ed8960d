// A scene made by hand around a mesh for the clipping and capping tests: the display mesh
// holds only what clipping reads (the planes and the display coordinates), so these tests need
// neither GL nor the scene's own set-up.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "common/model/Mesh.h"
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
    if (!msh) return;
    // Display coordinates around the centre of the vertices' box, as the scene makes them.
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (int v = 1; v <= msh->NbrVer; v++)
      for (int i = 0; i < 3; i++) {
        lo[i] = std::min(lo[i], msh->Ver[v].Crd[i]);
        hi[i] = std::max(hi[i], msh->Ver[v].Crd[i]);
      }
    for (int i = 0; i < 3; i++) Scene.Ctr[i] = 0.5 * (lo[i] + hi[i]);
    Crd.reset(new float3[static_cast<size_t>(msh->NbrVer) + 1]());
    ZelMsh->Crd = Crd.get();
    updateCrd();
  }
  // Display coordinates of the mesh's current vertex positions.
  void updateCrd() {
    const Geometric_Mesh *msh = Scene.Msh;
    for (int v = 1; v <= msh->NbrVer; v++)
      for (int i = 0; i < 3; i++)
        Crd[v][i] = static_cast<float>((msh->Ver[v].Crd[i] - Scene.Ctr[i]) * Scene.InvDmaxSca);
  }
  // Mesh coordinate i of a display point.
  double meshCoord(const float *d, int i) const { return d[i] / Scene.InvDmaxSca + Scene.Ctr[i]; }
  void setPlane(int i, double a, double b, double c, double d) {
    double *p = Planes->Pla[i];
    p[0] = a, p[1] = b, p[2] = c, p[3] = d;
  }
};

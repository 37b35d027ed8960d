// Translating, rotating and scaling the mesh's vertices, all or those of one reference, with
// their display coordinates.
#include "zelvane/scene/ZelTransform.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "common/model/Ball.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelMesh.h"

namespace {

// The vertices a transform moves: every vertex for a negative reference, else those with an
// element of the kind (6 or 7) of that reference in their ball; none for another kind.
struct Selection {
  bool All = false;
  std::vector<int> List;

  template <class Visit>
  void forEach(const Geometric_Mesh *msh, Visit visit) const {
    if (All)
      for (int v = 1; v <= msh->NbrVer; v++) visit(v);
    else
      for (int v : List) visit(v);
  }
  size_t size(const Geometric_Mesh *msh) const {
    return All ? static_cast<size_t>(msh->NbrVer) : List.size();
  }
};

Selection selectVertices(Memory_List *mem, Geometric_Mesh *msh, int kind, int ref) {
  Selection sel;
  if (ref < 0) {
    sel.All = true;
    return sel;
  }
  printf("   ONLY FOR REF : %d", ref);
  if (kind != KmfTriangles && kind != KmfQuadrilaterals) {
    printf("\n");
    return sel;
  }
  printf(kind == KmfQuadrilaterals ? " on P1 Quadrilaterals\n" : " on P1 Triangles\n");
  // The ball kept in the mesh is made again: references or elements may have changed.
  StaticBall *&ball = kind == KmfQuadrilaterals ? msh->Ver2Qua : msh->Ver2Tri;
  ball = geoFreeStaticBall(mem, ball);
  ball = kind == KmfQuadrilaterals ? geoGetVer2Qua(mem, msh) : geoGetVer2Tri(mem, msh);
  if (!ball) return sel;
  for (int v = 1; v <= msh->NbrVer && v <= ball->NbrVer; v++)
    for (int k = ball->Head[v]; k < ball->Head[v + 1]; k++) {
      int e = ball->Ver2Ent[k];
      int eref = kind == KmfQuadrilaterals ? msh->Qua[e].Ref : msh->Tri[e].Ref;
      if (eref == ref) {
        sel.List.push_back(v);
        break;
      }
    }
  return sel;
}

// Display coordinates of vertex v from its mesh coordinates.
void redisplay(ZelMesh *zelMsh, const Geometric_Mesh *msh, int v, const double centre[3], double scale) {
  if (!zelMsh || !zelMsh->Crd || v > zelMsh->MaxNbrCrd) return;
  for (int i = 0; i < 3; i++)
    zelMsh->Crd[v][i] = static_cast<float>((msh->Ver[v].Crd[i] - centre[i]) * scale);
}

// Applies move(point) to the selected vertices; their display coordinates follow when
// withDisplay.
template <class Move>
void transform(ZelMesh *zelMsh, Geometric_Mesh *msh, const Selection &sel, const double centre[3],
               double scale, bool withDisplay, Move move) {
  sel.forEach(msh, [&](int v) {
    move(msh->Ver[v].Crd);
    if (withDisplay) redisplay(zelMsh, msh, v, centre, scale);
  });
}

}  // namespace

int zelTransMesh(Memory_List *mem, ZelMesh *zelMsh, Geometric_Mesh *msh, const double centre[3], int kind,
                 int ref, const double t[3], double scale) {
  if (!msh) return 0;
  printf("   TRANSLATION x(%lf) y(%lf) z(%lf)\n", t[0], t[1], t[2]);
  Selection sel = selectVertices(mem, msh, kind, ref);
  // Moving the whole mesh leaves its picture where it is: the camera frames display coordinates.
  transform(zelMsh, msh, sel, centre, scale, ref >= 0, [&](double *p) {
    for (int i = 0; i < 3; i++) p[i] += t[i];
  });
  return 1;
}

int zelSclMesh(Memory_List *mem, ZelMesh *zelMsh, Geometric_Mesh *msh, const double centre[3], int kind,
               int ref, const double f[3], double scale) {
  if (!msh) return 0;
  printf("   SCALING fx(%lf) fy(%lf) fz(%lf)\n", f[0], f[1], f[2]);
  Selection sel = selectVertices(mem, msh, kind, ref);
  transform(zelMsh, msh, sel, centre, scale, true, [&](double *p) {
    for (int i = 0; i < 3; i++) p[i] *= f[i];
  });
  return 1;
}

int zelRotatMesh(Memory_List *mem, ZelMesh *zelMsh, Geometric_Mesh *msh, const double centre[3], int kind,
                 int ref, int aboutCentre, double angles[3], double scale) {
  if (!msh) return 0;
  printf("   ROTATE ax(%lf) ay(%lf) az(%lf)\n", angles[0], angles[1], angles[2]);
  for (int i = 0; i < 3; i++) angles[i] *= 0.01745329251994278;
  const double sx = std::sin(angles[0]), cx = std::cos(angles[0]);
  const double sy = std::sin(angles[1]), cy = std::cos(angles[1]);
  const double sz = std::sin(angles[2]), cz = std::cos(angles[2]);
  // Rz(-az) Ry(ay) Rx(-ax).
  const double R[3][3] = {{cy * cz, cx * sz - sx * sy * cz, sx * sz + cx * sy * cz},
                          {-cy * sz, cx * cz + sx * sy * sz, sx * cz - cx * sy * sz},
                          {-sy, -sx * cy, cx * cy}};
  Selection sel = selectVertices(mem, msh, kind, ref);
  double c[3] = {0, 0, 0};
  if (aboutCentre && sel.size(msh) > 0) {
    sel.forEach(msh, [&](int v) {
      for (int i = 0; i < 3; i++) c[i] += msh->Ver[v].Crd[i];
    });
    for (double &x : c) x /= static_cast<double>(sel.size(msh));
  }
  transform(zelMsh, msh, sel, centre, scale, true, [&](double *p) {
    double q[3] = {p[0] - c[0], p[1] - c[1], p[2] - c[2]};
    for (int i = 0; i < 3; i++) p[i] = R[i][0] * q[0] + R[i][1] * q[1] + R[i][2] * q[2] + c[i];
  });
  return 1;
}

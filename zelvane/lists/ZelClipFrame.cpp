// Section outline and clip frame of a clip plane, drawn in immediate mode.
#include "zelvane/lists/ZelClipFrame.h"

#include <GL/gl.h>

#include <cstdint>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "zelvane/lists/ZelClipGeom.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelScene.h"

namespace {

enum : int { ChunkPoints = 2 * ZelCoordChunk };
const uint32_t DrawnBits = TAG_ALIVE | TAG_VISIBLE;

CoordArray *newChunk(Memory_List *mem, const char *label) {
  auto *chunk = static_cast<CoordArray *>(Alloc(mem, nullptr, sizeof(CoordArray),
                                                "A %s = %s IN FUNCTION %s LINE %d ", label,
                                                "sizeof(CoordArray)", "zelSetFrameClip", __LINE__));
  if (!chunk) zelAllocFailure("zelSetFrameClip", label);
  chunk->Nxt = nullptr;
  return chunk;
}

// The growing chain of outline points: full chunks are never moved or copied.
struct Outline {
  Memory_List *Mem;
  CoordArray *First, *Cur;
  int Count = 0;  // points written
  int Pos = 0;    // points written into Cur

  explicit Outline(Memory_List *mem) : Mem(mem), First(newChunk(mem, "tab")), Cur(First) {}
  ~Outline() { zelFreeCoordArray(Mem, First); }
  void add(const float p[3]) {
    float *dst = Cur->Seg[Pos / 2][Pos % 2];
    dst[0] = p[0], dst[1] = p[1], dst[2] = p[2];
    Count++, Pos++;
    if (Count % ChunkPoints == 0) {
      Cur = Cur->Nxt = newChunk(Mem, "prv->Nxt");
      Pos = 0;
    }
  }
};

// Walks the visible elements of every shown record of a surface entity; nodes N per record.
template <int N, class Rec>
void outlineEntity(const ZelEntity *ent, const Rec *arr, int nbr, const Geometric_Mesh *msh,
                   const float3 *crd, const double *pla, Outline &out) {
  if (!ent || !ent->DspLst || !ent->Lnk || !arr) return;
  for (int k = 1; k <= ent->NbrLst; k++) {
    const ZelEntDisplayList &rec = ent->DspLst[k];
    if (rec.Flags & ZelLstHidden) continue;
    int steps = nbr;  // a chain can hold each element once
    for (int e = rec.Head; e >= 1 && e <= nbr && steps-- > 0; e = ent->Lnk[e].Nxt) {
      if ((TagAtomicLoad(&arr[e].Tag) & DrawnBits) != DrawnBits) continue;
      double s[N];
      const float *d[N];
      for (int j = 0; j < N; j++) {
        s[j] = zelPlaneValue(pla, msh->Ver[arr[e].Ver[j]].Crd);
        d[j] = crd[arr[e].Ver[j]];
      }
      float pts[4][3];
      int n = N == 3 ? zelOutlineTriangle(s, d, pts) : zelOutlineQuadrilateral(s, d, pts);
      for (int j = 0; j < n; j++) out.add(pts[j]);
    }
  }
}

bool planeIndexOk(int plane) { return plane >= 0 && plane < ZelMaxPlanes; }

// Immediate-mode state every outline and frame leaves behind.
void restoreLineState() {
  glLineWidth(1.0f);
  glDisable(GL_POLYGON_OFFSET_LINE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

}  // namespace

void zelDrawFrameSegments(const CoordArray *first, int nseg, int colour, int highlight) {
  if (highlight) {
    glColor4ub(120, 40, 120, 255);
    glLineWidth(5.0f);
  } else {
    const uint8_t *c = ZelRefColors[zelRefColorIndex(colour)];
    glColor4f(0.2f + 0.8f * c[0] / 255.0f, 0.2f + 0.8f * c[1] / 255.0f, 0.2f + 0.8f * c[2] / 255.0f,
              1.0f);
    glLineWidth(3.0f);
  }
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glBegin(GL_LINES);
  const CoordArray *chunk = first;
  for (int i = 0; i < nseg && chunk; i++) {
    if (i > 0 && i % ZelCoordChunk == 0) chunk = chunk->Nxt;
    if (!chunk) break;
    const int k = i % ZelCoordChunk;
    glVertex3fv(chunk->Seg[k][0]);
    glVertex3fv(chunk->Seg[k][1]);
  }
  glEnd();
  restoreLineState();
}

int zelSetFrameClipBody(ZelScene *scene, int plane) {
  if (!scene || !scene->Msh || !scene->ZelMsh || !scene->ZelMsh->Pla || !planeIndexOk(plane))
    return 0;
  const Geometric_Mesh *msh = scene->Msh;
  const ZelMesh *zelMsh = scene->ZelMsh;
  const double *pla = zelMsh->Pla->Pla[plane];
  if (!zelMsh->Crd || !msh->Ver) return 1;
  // One pass and one chain per entity, triangles first.
  for (int pass = 0; pass < 2; pass++) {
    const ZelEntity *ent = pass == 0 ? zelMsh->TriEnt : zelMsh->QuaEnt;
    if (!ent) continue;
    Outline out(scene->Mem);
    if (pass == 0)
      outlineEntity<3>(ent, msh->Tri, msh->NbrTri, msh, zelMsh->Crd, pla, out);
    else
      outlineEntity<4>(ent, msh->Qua, msh->NbrQua, msh, zelMsh->Crd, pla, out);
    zelDrawFrameSegments(out.First, out.Count / 2, plane % 8, scene->Mode == 1);
  }
  return 1;
}

int zelSetFrameBoxBody(ZelScene *scene, int plane) {
  if (!scene || !scene->View || !scene->ZelMsh || !scene->ZelMsh->Pla || !planeIndexOk(plane))
    return 0;
  double pla[4];
  zelDisplayPlane(scene->ZelMsh->Pla->Pla[plane], scene->Ctr, scene->InvDmaxSca, pla);
  float pts[ZelFrameMaxPoints][3];
  int n = zelFramePoints(scene->View->Box, pla, pts);
  glColor4ub(120, 40, 120, 1);
  glLineWidth(2.0f);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glBegin(GL_LINES);
  for (int i = 0; i + 1 < n; i += 2) {
    glVertex3fv(pts[i]);
    glVertex3fv(pts[i + 1]);
  }
  glEnd();
  glPointSize(1.0f);
  restoreLineState();
  return 1;
}

int zelSetCapClipBody(ZelScene *scene) { return scene && scene->Msh && scene->ZelMsh ? 1 : 0; }

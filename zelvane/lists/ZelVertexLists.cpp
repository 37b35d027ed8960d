// Vertex and boundary-edge lists.
#include "zelvane/lists/ZelVertexLists.h"

#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/scene/ZelScene.h"

namespace {

uint32_t vertexTag(const ZelListCtx &c, int v) { return TagAtomicLoad(&c.Msh->Ver[v].Tag); }

int buildVertices(bool update, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  ZelListCtx c;
  if (!zelListOpen(scene, rec, &c)) return 0;
  const ZelListTests &T = update ? ZelUpdateTests : ZelDirectTests;
  if (update) mask = zelMaskRule(mask, scene, rec, false);
  auto asks = [mask](ZelListMask test) { return (mask & test) != 0; };

  if (asks(T.Points))
    zelListPass(update, rec->MrkLst + 0, [&] {
      glBegin(GL_POINTS);
      c.chain([&](int v) {
        if ((vertexTag(c, v) & ZelDrawnBits) != ZelDrawnBits) return;
        glColor3f(1.0f, 0.0f, 0.0f);
        glVertex3fv(c.Crd[v]);
      });
      glEnd();
    });
  if (asks(T.Picking) && c.ColRng)
    zelListPass(update, rec->PckLst, [&] {
      glBegin(GL_POINTS);
      c.chain([&](int v) {
        if (!(vertexTag(c, v) & TAG_ALIVE)) return;
        zelPickingColor(c.ColRng, c.PckBas + static_cast<uint32_t>(v));
        glVertex3fv(c.Crd[v]);
      });
      glEnd();
    });
  if (update && asks(T.Arrows))
    zelCompileList(rec->MrkLst + 1, [] {
      glBegin(GL_LINES);
      glEnd();
    });
  if (asks(T.Numbers))
    zelListPass(update, rec->MrkLst + 2, [&] {
      zelNumbersBegin();
      c.chain([&](int v) { zelNumberAt(v, c.Crd[v]); });
      zelNumbersEnd();
    });
  return 1;
}

// End points of edge e shrunk toward its midpoint.
void edgeEnds(const ZelListCtx &c, int e, float q[2][3]) {
  const int *ver = c.ver(e);
  const float *p0 = c.Crd[ver[0]], *p1 = c.Crd[ver[1]];
  for (int d = 0; d < 3; d++) {
    const float m = (p0[d] + p1[d]) * 0.5f;
    q[0][d] = m + (p0[d] - m) * c.Shrink;
    q[1][d] = m + (p1[d] - m) * c.Shrink;
  }
}

int buildEdges(bool update, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  ZelListCtx c;
  if (!zelListOpen(scene, rec, &c)) return 0;
  const ZelListTests &T = update ? ZelUpdateTests : ZelDirectTests;
  auto asks = [mask](ZelListMask test) { return (mask & test) != 0; };
  // Segments of the drawn edges, each after its colour when colour is given.
  auto segments = [&](auto &&colour) {
    glBegin(GL_LINES);
    c.chain([&](int e) {
      if (!c.drawn(e)) return;
      float q[2][3];
      edgeEnds(c, e, q);
      colour(e);
      glVertex3fv(q[0]);
      glVertex3fv(q[1]);
    });
    glEnd();
  };

  if (asks(T.Wire))
    zelListPass(update, rec->WirLst, [&] {
      if (update) glLineWidth(rec->Opt.LineWidth);
      segments([](int) {});
    });
  if (asks(T.Picking) && c.ColRng)
    zelListPass(update, rec->PckLst, [&] {
      segments([&](int e) { zelPickingColor(c.ColRng, c.PckBas + static_cast<uint32_t>(e)); });
    });
  if (asks(T.Numbers)) zelListPass(update, rec->MrkLst + 2, [&] { zelDrawNumbers(c); });
  return 1;
}

}  // namespace

int zelListUpdateVertices(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return buildVertices(true, mask, scene, rec);
}
int zelListDirectVertices(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return buildVertices(false, mask, scene, rec);
}
int zelListUpdateBdyEdges(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return buildEdges(true, mask, scene, rec);
}
int zelListDirectBdyEdges(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return buildEdges(false, mask, scene, rec);
}

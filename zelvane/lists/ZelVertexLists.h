// Display lists of vertices (kind 4) and boundary edges (kind 5).
//
// Vertices: red points of the alive and visible vertices, picking colours of every alive
// vertex (hidden ones too), and the numbers of every vertex of the record. Boundary edges:
// segments at the record's line width shrunk toward their midpoints, picking colours and the
// numbers of their end vertices, each once. Neither has solution lists; the edges have no
// bit-0 rule (bit 0 reaches their wire and picking through the test values, never the
// numbers). Reached through the scene's hook table; 1 done, 0 when the record check refuses
// the record. GUI thread, the scene's GL context current.
#pragma once

#include "zelvane/scene/ZelHooks.h"

int zelListUpdateVertices(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListDirectVertices(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListUpdateBdyEdges(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListDirectBdyEdges(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);

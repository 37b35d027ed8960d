// Display lists of triangles (kind 6) and quadrilaterals (kind 7).
//
// Per display record: flat faces shrunk toward their centroids, the wire (the faces list in
// line mode), picking colours, vertex numbers, normal arrows from the centroids, and, with a
// field, banded shading (quadrilaterals split along the diagonal 0-2), iso-lines, vector
// arrows and metric glyphs. Reached through the scene's hook table (zelInstallListHooks);
// each body follows the frame of ZelListFrame.h: 1 done, 0 when the record check refuses the
// record (no list touched). GUI thread, the scene's GL context current.
#pragma once

#include "zelvane/scene/ZelHooks.h"

int zelListUpdateTriangles(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListDirectTriangles(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListUpdateQuadrilaterals(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListDirectQuadrilaterals(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);

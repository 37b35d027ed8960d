// Display lists of the normals at vertices (kind 20) that a mesh file may carry.
//
// Per display record: the arrows (list base + 3), one per normal of the record's chain from
// its vertex along its components times InvDmaxSca, the scene's arrow length long; the picking
// list, the same arrows in each normal's id colour (so that a click anywhere on a visible
// arrow picks it); and the numbers list, each normal's number at the tip of its unscaled
// arrow. Normals carry no tag: every normal of the chain is drawn; one whose vertex is not in
// the mesh is skipped. Mask 1 rebuilds the arrows only while the scene shows normals (flag
// 0x4). Reached through zelInstallListHooks; 1 done, 0 when the record check refuses the
// record. GUI thread, the scene's GL context current.
#pragma once

#include "zelvane/scene/ZelHooks.h"

int zelListUpdateNormals(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListDirectNormals(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);

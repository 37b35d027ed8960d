// Display lists of tetrahedra (kind 8), prisms (9), hexahedra (10) and pyramids (49).
//
// Per display record, over the volume face walker of ZelVolumeFaces.h: the faces that nothing
// covers, flat and shrunk toward their element's centroid; the wire (the faces list in line
// mode); picking colours in the scene's volume mode (0x20000); vertex numbers; normal arrows
// from the face centres; and, with a field, banded shading, iso-lines shrunk toward each face's
// own centre, iso-surfaces (tetrahedra and hexahedra; prisms and pyramids compile empty pairs),
// vector arrows from the vertices times the record's shrink factor, and metric glyphs (not for
// tetrahedra).
//
// While a clip plane is on, only the elements it cuts are drawn. With the scene's capping flag
// (0x10) as well, the faces, shading and iso-line lists of tetrahedra and hexahedra show the
// cap of the cut (zel_cappingmesh) in place of the faces, and in volume mode the picking list
// colours each cap piece by its source element. A cap lives inside one update call: the faces
// list makes one, the picking list reuses it, the shading and iso-line lists make their own;
// each is freed before the next and the last before the entry returns. Direct entries never
// cap. Hexahedra print " quad-face drawn for hex %d \n" and " glhex: %d lines displayed \n"
// (" ... with capping \n") on every build.
//
// Reached through the scene's hook table (zelInstallListHooks); each body follows the frame of
// ZelListFrame.h: 1 done, 0 when the record check refuses the record (no list touched). GUI
// thread, the scene's GL context current.
#pragma once

#include <vector>

#include "zelvane/lists/ZelListColor.h"
#include "zelvane/lists/ZelVolumeFaces.h"
#include "zelvane/scene/ZelHooks.h"

// The update and direct bodies of one volume kind, and the hook of each for the scene's table
// (zelVolumeHook<ZelTetKind, true> is the body of zelUpdateTetrahedronList).
int zelVolumeUpdate(const ZelVolumeKind &K, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelVolumeDirect(const ZelVolumeKind &K, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
template <const ZelVolumeKind &K, bool Update>
int zelVolumeHook(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return Update ? zelVolumeUpdate(K, mask, scene, rec) : zelVolumeDirect(K, mask, scene, rec);
}

// The cap passes of an update, shared by the linear and the curved volume builders: while a
// plane clips and the scene's capping flag is on, for a kind with a capping kind (K.CapKind),
// the faces, wire and picking lists and, with a field (f not null), the shading and iso-line
// lists asked by mask (under the update tests T) are compiled from the cap of the record's cut
// elements (the faces list empty while the planes' Mode is 10 for a kind that asks it), and
// the wire list is the faces list in line mode, the cap's outline. With ownField the cap is
// shaded by its source elements' values (the field lies on the kind's elements), else by the
// vertex values at its corners. Returns the ZelCapBuilt bits of the lists it compiled (0 when
// it does not cap): the caller builds the others.
enum : unsigned {
  ZelCapBuiltFaces = 1,
  ZelCapBuiltWire = 2,
  ZelCapBuiltPicking = 4,
  ZelCapBuiltShading = 8,
  ZelCapBuiltIsoLines = 16,
};
unsigned zelVolumeCapPasses(const ZelVolCtx &v, const ZelListTests &T, ZelListMask mask, ZelEntDisplayList *rec,
                            const ZelListField *f, bool ownField);

// What the linear and the curved volume builders share about a change of the clip plane.
// zelVolumeCutLists: the mask of an update once the bit-0 rule has made it (`ruled`), given
// the mask the entry received (`asked`): with ZelMskCutOnly asked, only the lists a cut can
// change for kind K are left (not the iso-surfaces nor the metric glyphs, which cover every
// drawable element; the vector arrows only for a kind that draws them by the drawable test;
// the numbers unless the kind numbers by bits of its own); else `ruled` as it is.
// zelVolumeHold: marks on the record (ZelEntDisplayList::Held) the lists an update with the
// ruled mask compiles that the frame draws whatever the volume display: the vector arrows
// (with a field), the metric glyphs (with a field, for a kind that draws them: metric) and the
// numbers. The scene keeps those current from then on.
ZelListMask zelVolumeCutLists(const ZelVolumeKind &K, ZelListMask asked, ZelListMask ruled);
void zelVolumeHold(ZelEntDisplayList *rec, ZelListMask ruled, bool field, bool metric);

// Shading of one quadrilateral with corner values s: the triangles (0, 1, 2) and (0, 2, 3),
// each with the unit normal of its own corners (a degenerate second one takes the first's),
// corners moved toward `centre` by `shrink`, split at the palette's iso values, inside an open
// glBegin(GL_TRIANGLES).
void zelPaletteQuad(const float s[4], const float *const c[4], const float centre[3], const ZelPalette *pal,
                    float shrink);
// Iso-lines of one face of 3 or 4 corners (values s), its corners moved toward the face's own
// centre (0.3333 or 0.25 times their sum) by `shrink`, quadrilaterals as the triangles
// (0, 1, 2) and (0, 2, 3), inside an open glBegin(GL_LINES).
void zelIsoLinesFace(const std::vector<ZelIsoLevel> &levels, int n, const float s[4], const float *const c[4],
                     float shrink);
inline void zelIsoLinesQuad(const std::vector<ZelIsoLevel> &levels, const float s[4], const float *const c[4],
                            float shrink) {
  zelIsoLinesFace(levels, 4, s, c, shrink);
}

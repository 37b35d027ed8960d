// The four display panels of the visualisation window, each an entity box (EntBox.h) with one
// display group per element family of its kind:
//
//   panel    prefix  kind        combo row -> group title (group class)
//   NorBox   "nor"   "Normals"   "Given Normals" -> "Normal" (NorGroup)
//   LinBox   "lin"   "Lines"     "Edge" -> "Edge", "Edge P2" -> "EdgeP2" (LinGroup)
//   SrfBox   "srf"   "Surfaces"  "Triangle" -> "Triangle", "Triangle P2" -> "TriangleP2",
//                                "Quadrilateral" -> "Quadrilateral",
//                                "Quadrilateral Q2" -> "QuadrilateralP2" (SrfGroup)
//   VolBox   "vol"   "Volumes"   "Tetrahedron" -> "Tetrahedron", "Tetrahedron P2" ->
//                                "TetrahedronP2", "Hexahedron" -> "Hexahedron", "Hexahedron Q2"
//                                -> "HexahedronP2", "Pyramid" -> "Pyramid", "Prism" -> "Prism"
//                                (VolGroup)
//
// Each is built in the same order: the entity box with its prefix, the combo for its kind, the
// groups, the layout, then the connections (also without a scene: the combo is then empty).
// A group is given the display mesh's entity of its family; without a display mesh the
// surface, volume and normals groups get none (empty groups) and the lines panel makes none.
// GUI thread only.
#pragma once

#include "zelvane/panels/EntBox.h"

// What a panel lists and how it names its groups.
struct ZelDisplayBoxRow;

class ZelDisplayBox : public EntBox {
  Q_OBJECT

 public:
  void createGroup() override;

 protected:
  // rows: the panel's table, ended by a row with a null combo text. Builds the whole panel.
  ZelDisplayBox(ZelSequenceServer *server, ZelScene *scene, int id, const char *prefix, const char *kind,
                const ZelDisplayBoxRow *rows, bool groupsNeedDisplay);

 private:
  const ZelDisplayBoxRow *rows_;
  bool groupsNeedDisplay_;
};

class SrfBox : public ZelDisplayBox {
  Q_OBJECT
 public:
  SrfBox(ZelSequenceServer *server, ZelScene *scene, int id);
};

class VolBox : public ZelDisplayBox {
  Q_OBJECT
 public:
  VolBox(ZelSequenceServer *server, ZelScene *scene, int id);
};

class LinBox : public ZelDisplayBox {
  Q_OBJECT
 public:
  LinBox(ZelSequenceServer *server, ZelScene *scene, int id);
};

class NorBox : public ZelDisplayBox {
  Q_OBJECT
 public:
  NorBox(ZelSequenceServer *server, ZelScene *scene, int id);
};

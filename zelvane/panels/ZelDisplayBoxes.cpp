// The surfaces, volumes, lines and normals panels: one table of families each, one builder.
#include "zelvane/panels/ZelDisplayBoxes.h"

#include "common/model/ElementKind.h"
#include "zelvane/panels/LinGroup.h"
#include "zelvane/panels/NorGroup.h"
#include "zelvane/panels/SrfGroup.h"
#include "zelvane/panels/VolGroup.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScene.h"

struct ZelDisplayBoxRow {
  const char *comboText;  // the entity combo's row
  const char *title;      // the group's title in its object names
  int kind;               // element kind of the family's entity
  QZelBase *(*make)(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity);
};

namespace {

template <class Group>
QZelBase *makeGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity) {
  return new Group(title, server, scene, id, entity);
}

const ZelDisplayBoxRow SrfRows[] = {
    {"Triangle", "Triangle", KmfTriangles, makeGroup<SrfGroup>},
    {"Triangle P2", "TriangleP2", KmfTrianglesP2, makeGroup<SrfGroup>},
    {"Quadrilateral", "Quadrilateral", KmfQuadrilaterals, makeGroup<SrfGroup>},
    {"Quadrilateral Q2", "QuadrilateralP2", KmfQuadrilateralsQ2, makeGroup<SrfGroup>},
    {nullptr, nullptr, 0, nullptr},
};
const ZelDisplayBoxRow VolRows[] = {
    {"Tetrahedron", "Tetrahedron", KmfTetrahedra, makeGroup<VolGroup>},
    {"Tetrahedron P2", "TetrahedronP2", KmfTetrahedraP2, makeGroup<VolGroup>},
    {"Hexahedron", "Hexahedron", KmfHexahedra, makeGroup<VolGroup>},
    {"Hexahedron Q2", "HexahedronP2", KmfHexahedraQ2, makeGroup<VolGroup>},
    {"Pyramid", "Pyramid", KmfPyramids, makeGroup<VolGroup>},
    {"Prism", "Prism", KmfPrisms, makeGroup<VolGroup>},
    {nullptr, nullptr, 0, nullptr},
};
const ZelDisplayBoxRow LinRows[] = {
    {"Edge", "Edge", KmfEdges, makeGroup<LinGroup>},
    {"Edge P2", "EdgeP2", KmfEdgesP2, makeGroup<LinGroup>},
    {nullptr, nullptr, 0, nullptr},
};
const ZelDisplayBoxRow NorRows[] = {
    {"Given Normals", "Normal", KmfNormalAtVertices, makeGroup<NorGroup>},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

ZelDisplayBox::ZelDisplayBox(ZelSequenceServer *server, ZelScene *scene, int id, const char *prefix,
                             const char *kind, const ZelDisplayBoxRow *rows, bool groupsNeedDisplay)
    : EntBox(server, scene, id, prefix), rows_(rows), groupsNeedDisplay_(groupsNeedDisplay) {
  createEntityBox(kind);
  createGroup();
  createLayout();
  connectButton();
}

void ZelDisplayBox::createGroup() {
  ZelMesh *display = scene ? scene->ZelMsh : nullptr;
  if (groupsNeedDisplay_ && !display) return;
  for (int row = 0; row < entBox_->count() && row < ZelEntBoxSlots; row++) {
    const QString text = entBox_->itemText(row);
    for (const ZelDisplayBoxRow *r = rows_; r->comboText; r++)
      if (text == r->comboText) group_[row] = r->make(r->title, server, scene, id, zelGetEntity(display, r->kind));
  }
}

SrfBox::SrfBox(ZelSequenceServer *server, ZelScene *scene, int id)
    : ZelDisplayBox(server, scene, id, "srf", "Surfaces", SrfRows, false) {}

VolBox::VolBox(ZelSequenceServer *server, ZelScene *scene, int id)
    : ZelDisplayBox(server, scene, id, "vol", "Volumes", VolRows, false) {}

LinBox::LinBox(ZelSequenceServer *server, ZelScene *scene, int id)
    : ZelDisplayBox(server, scene, id, "lin", "Lines", LinRows, true) {}

NorBox::NorBox(ZelSequenceServer *server, ZelScene *scene, int id)
    : ZelDisplayBox(server, scene, id, "nor", "Normals", NorRows, false) {}

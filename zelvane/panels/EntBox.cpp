// The entity combo, its rows per element family and the child groups.
#include "zelvane/panels/EntBox.h"

#include <QVBoxLayout>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// The kinds a derived box asks for, as bits of the families' rows.
enum : unsigned {
  ForVertices = 1,
  ForNormals = 2,
  ForLines = 4,
  ForSurfaces = 8,
  ForVolumes = 16,
  ForSurfVol = 32,
  ForAll = 64,
};

struct KindName {
  const char *name;
  unsigned bit;
};
const KindName KindNames[] = {{"Vertices", ForVertices}, {"Normals", ForNormals},   {"Lines", ForLines},
                              {"Surfaces", ForSurfaces}, {"Volumes", ForVolumes}, {"Surf & Vol", ForSurfVol},
                              {"All Entities", ForAll}};

struct FamilyRow {
  const char *text;
  int kind;
  unsigned listedFor;
  int Geometric_Mesh::*count;
};
const unsigned Surf = ForSurfaces | ForSurfVol | ForAll;
const unsigned Vol = ForVolumes | ForSurfVol | ForAll;
// Combo order; pyramids come before prisms.
const FamilyRow FamilyRows[ZelEntBoxSlots] = {
    {"Vertex", KmfVertices, ForVertices | ForAll, &Geometric_Mesh::NbrVer},
    {"Given Normals", KmfNormalAtVertices, ForNormals | ForAll, &Geometric_Mesh::NbrNor},
    {"Edge", KmfEdges, ForLines | ForAll, &Geometric_Mesh::NbrEfr},
    {"Edge P2", KmfEdgesP2, ForLines | ForAll, &Geometric_Mesh::NbrP2Efr},
    // Triangles and tetrahedra the editing tools or the topology add later are not counted.
    {"Triangle", KmfTriangles, Surf, &Geometric_Mesh::NbrFilTri},
    {"Triangle P2", KmfTrianglesP2, Surf, &Geometric_Mesh::NbrP2Tri},
    {"Quadrilateral", KmfQuadrilaterals, Surf, &Geometric_Mesh::NbrQua},
    {"Quadrilateral Q2", KmfQuadrilateralsQ2, Surf, &Geometric_Mesh::NbrP2Qua},
    {"Tetrahedron", KmfTetrahedra, Vol, &Geometric_Mesh::NbrFilTet},
    {"Tetrahedron P2", KmfTetrahedraP2, Vol, &Geometric_Mesh::NbrP2Tet},
    {"Hexahedron", KmfHexahedra, Vol, &Geometric_Mesh::NbrHex},
    {"Hexahedron Q2", KmfHexahedraQ2, Vol, &Geometric_Mesh::NbrP2Hex},
    {"Pyramid", KmfPyramids, Vol, &Geometric_Mesh::NbrPyr},
    {"Prism", KmfPrisms, Vol, &Geometric_Mesh::NbrPri},
};

}  // namespace

EntBox::EntBox(ZelSequenceServer *server, ZelScene *scene, int id, const QString &prefix)
    : QZelBase(scene, server, id) {
  entBox_ = new QZelComboBox(QString("entity:%1:%2").arg(id).arg(prefix), server);
  entBox_->setFixedSize(100, 20);
  layout_ = new QVBoxLayout;
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(5);
  layout_->setAlignment(Qt::AlignLeft);
  layout_->addWidget(entBox_);
  setLayout(layout_);
}

EntBox::~EntBox() {
  if (entBox_) {
    for (int row = entBox_->count() - 1; row >= 0; row--) {
      if (row < ZelEntBoxSlots) {
        delete group_[row];
        group_[row] = nullptr;
      }
      entBox_->removeItem(row);
    }
  }
  delete entBox_;
  delete layout_;
}

void EntBox::createEntityBox(const QString &kind) {
  if (!scene || !scene->Msh) return;
  unsigned bit = 0;
  for (const KindName &k : KindNames)
    if (kind == k.name) bit = k.bit;
  if (!bit) return;
  const Geometric_Mesh *mesh = scene->Msh;
  for (const FamilyRow &row : FamilyRows)
    if ((row.listedFor & bit) && mesh->*row.count != 0) entBox_->addItem(QIcon(), row.text, row.kind);
}

QZelBase *EntBox::group(int row) const { return row >= 0 && row < ZelEntBoxSlots ? group_[row] : nullptr; }

void EntBox::createLayout() {
  for (int row = 0; row < entBox_->count(); row++) {
    QZelBase *g = group(row);
    if (!g) continue;
    if (row != 0) g->hide();
    layout_->addWidget(g);
  }
}

void EntBox::setEntity(int row) {
  for (int r = 0; r < entBox_->count(); r++)
    if (QZelBase *g = group(r)) g->hide();
  if (QZelBase *g = group(row)) g->show();
}

void EntBox::zelUpdate() {
  for (int row = 0; row < entBox_->count(); row++)
    if (QZelBase *g = group(row)) g->zelUpdate();
}

void EntBox::connectButton() {
  connect(entBox_, QOverload<int>::of(&QComboBox::activated), this, &EntBox::setEntity);
  for (int row = 0; row < entBox_->count(); row++)
    if (QZelBase *g = group(row)) g->connectButton();
}

void EntBox::emitSignals() { notImplemented("emit"); }
void EntBox::createGroup() { notImplemented("createGroup"); }

void EntBox::clearWidget() {
  entBox_ = nullptr;
  layout_ = nullptr;
  for (QZelBase *&g : group_) g = nullptr;
}

// Display-panel test helpers.
#include "tests/panels/DisplayPanelsKit.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QTest>
#include <array>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/panels/ZelDisplayBoxes.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/scene/ZelMesh.h"

Geometric_Mesh *Strip(Memory_List *mem, std::initializer_list<int> triangleRefs) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3,
                                   {{KmfVertices, 16}, {KmfTriangles, 6}, {KmfQuadrilaterals, 3}, {KmfTetrahedra, 6},
                                    {KmfPrisms, 2}, {KmfEdges, 8}, {KmfNormalAtVertices, 8}});
  const auto v = [](int i, int j, int k) { return 1 + i + 4 * (j + 2 * k); };
  for (int k = 0; k < 2; k++)
    for (int j = 0; j < 2; j++)
      for (int i = 0; i < 4; i++) AddVertex(m, i, j, k);
  const int *ref = triangleRefs.begin();
  for (int c = 0; c < 3; c++) {
    AddElement(m, KmfTriangles, {v(c, 0, 0), v(c + 1, 0, 0), v(c + 1, 1, 0)}, *ref++);
    AddElement(m, KmfTriangles, {v(c, 0, 0), v(c + 1, 1, 0), v(c, 1, 0)}, *ref++);
    AddElement(m, KmfQuadrilaterals, {v(c, 0, 1), v(c + 1, 0, 1), v(c + 1, 1, 1), v(c, 1, 1)}, c < 2 ? 4 : 5);
  }
  const auto corner = [&](int c, int n) { return v(c + (n == 1 || n == 2 || n == 5 || n == 6), n % 4 >= 2, n >= 4); };
  static const int path[7] = {1, 2, 3, 7, 4, 5, 1};
  for (int t = 0; t < 6; t++)
    AddElement(m, KmfTetrahedra, {corner(0, 0), corner(0, path[t]), corner(0, path[t + 1]), corner(0, 6)}, 7 + t % 2);
  for (const auto &p : {std::array<int, 6>{0, 1, 2, 4, 5, 6}, std::array<int, 6>{0, 2, 3, 4, 6, 7}})
    AddElement(m, KmfPrisms,
               {corner(2, p[0]), corner(2, p[1]), corner(2, p[2]), corner(2, p[3]), corner(2, p[4]), corner(2, p[5])},
               9);
  const int loop[8] = {v(0, 0, 0), v(1, 0, 0), v(2, 0, 0), v(3, 0, 0), v(3, 1, 0), v(2, 1, 0), v(1, 1, 0), v(0, 1, 0)};
  for (int e = 0; e < 8; e++) {
    AddElement(m, KmfEdges, {loop[e], loop[(e + 1) % 8]}, e < 4 ? 1 : 2);
    m->Nor[e + 1] = Normal{e < 4 ? 1 : 2, loop[e], {0, 0, 1}, 0};
  }
  m->NbrNor = 8;
  m->GeoFlags |= GEO_NORMALS;
  m->NbrFilTri = m->NbrTri;
  m->NbrFilTet = m->NbrTet;
  return m;
}

ZelEntDisplayList &Rec(ZelScene *scene, int kind, int ref) {
  ZelEntDisplayList *found = nullptr;
  ForEachRecord(scene, [&](int k, ZelEntDisplayList &r) {
    if (k == kind && r.Ref == ref) found = &r;
  });
  EXPECT_NE(found, nullptr) << kind << " " << ref;
  static ZelEntDisplayList none{};
  return found ? *found : none;
}

std::vector<RecordState> States(ZelScene *scene) {
  std::vector<RecordState> s;
  ForEachRecord(scene, [&](int kind, ZelEntDisplayList &r) {
    s.emplace_back(kind, r.Ref, r.Flags, r.Opt.Render, r.Opt.LineWidth);
  });
  return s;
}

QStringList RowTexts(const QComboBox *combo) {
  QStringList rows;
  for (int i = 0; i < combo->count(); i++) rows << combo->itemText(i);
  return rows;
}

void Choose(QComboBox *combo, int row) {
  // By the keyboard: a click in a list just opened is ignored for a double-click interval.
  combo->showPopup();
  QAbstractItemView *view = combo->view();
  view->setCurrentIndex(view->model()->index(row, 0));
  QTest::keyClick(view, Qt::Key_Return);
  QCoreApplication::processEvents();
}

Visu::Visu(ZelScene *scene, int mode) : server(mode), tool(&server, QRect(0, 0, 600, 700), "w", nullptr) {
  tool.addWidget(new NorBox(&server, scene, 1), "Normals", true);
  tool.addWidget(new LinBox(&server, scene, 1), "Lines", true);
  tool.addWidget(new SrfBox(&server, scene, 1), "Surfaces", true);
  tool.addWidget(new VolBox(&server, scene, 1), "Volumes", true);
  tool.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&tool));
}

void Visu::choose(const QString &combo, int row) const { Choose(get<QComboBox>(combo), row); }
void Visu::click(const QString &check) const { ClickCheck(get<QWidget>(check)); }

// The rows the display panels share: colour modes and widths both ways, and a reference
// selector filled from an entity's records.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QIcon>
#include <climits>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "tests/panels/PanelKit.h"
#include "tests/support/CaptureText.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScene.h"

TEST(PanelRows, ColourModesAndWidthsBothWays) {
  struct Colour {
    int row;
    uint32_t face, line, code;
  };
  const Colour colours[] = {{0, 4, 0x20, 2}, {1, 2, 0x10, 1}, {2, 0, 0, 0}, {3, 6, 0x30, 3}};
  for (const Colour &c : colours) {
    uint32_t face = 99, line = 99;
    EXPECT_TRUE(zelColourValue(c.row, ZelColourField::Face, &face));
    EXPECT_TRUE(zelColourValue(c.row, ZelColourField::Line, &line));
    EXPECT_EQ(face, c.face) << c.row;
    EXPECT_EQ(line, c.line) << c.row;
    EXPECT_EQ(zelColourRowOfCode(c.code), c.row);
    EXPECT_EQ(zelColourCode(face | line, ZelColourField::Face), c.code);
    EXPECT_EQ(zelColourCode(face | line, ZelColourField::Line), c.code);
  }
  EXPECT_EQ(zelColourRowOfCode(5), -1);
  const float widths[] = {1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 4.0f};
  for (int row = 0; row < 6; row++) {
    uint32_t value = 0;
    EXPECT_TRUE(zelWidthValue(row, &value));
    EXPECT_EQ(value / 10.0f, widths[row]);
    EXPECT_EQ(zelWidthRowOf(widths[row]), row);
  }
  EXPECT_EQ(zelWidthRowOf(3.5f), -1);

  QComboBox combo;
  zelAddColourRows(&combo);
  combo.setCurrentIndex(1);
  EXPECT_FALSE(zelShowColour(&combo, 5u << 1, ZelColourField::Face));  // code 5 has no row
  EXPECT_EQ(combo.currentIndex(), 1);
  uint32_t value = 7;
  const Captured outside = CaptureText([&] {
    EXPECT_FALSE(zelColourValue(4, ZelColourField::Line, &value));
    EXPECT_FALSE(zelWidthValue(6, &value));
  });
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(outside.Out, "display option not implemented\ndisplay option not implemented\n");
}

TEST(PanelRows, AReferenceSelectorListsTheRecordsThatHoldElements) {
  PanelScene scene([](Memory_List *mem) {
    Geometric_Mesh *m = TriangleGrid(mem, 2, 1);
    const int refs[] = {-3, INT_MIN, 7, 25};
    for (int i = 1; i <= 4; i++) m->Tri[i].Ref = refs[i - 1];
    return m;
  });
  ZelEntity *tri = zelGetEntity(scene->ZelMsh, KmfTriangles);
  ASSERT_EQ(tri->NbrLst, 4);
  const int emptied = 3;  // the record of reference 7, as if its triangles had gone
  ASSERT_EQ(tri->DspLst[emptied].Ref, 7);
  tri->DspLst[emptied].Head = 0;

  QComboBox selector;
  zelFillReferenceRows(&selector, tri);
  ASSERT_EQ(selector.count(), 4);
  EXPECT_EQ(selector.itemText(0), "All Ref");
  EXPECT_EQ(selector.itemData(0).toInt(), 0);
  for (int row = 1; row < selector.count(); row++) {
    const int record = selector.itemData(row).toInt();
    const int ref = tri->DspLst[record].Ref;
    EXPECT_NE(record, emptied);
    EXPECT_EQ(selector.itemText(row), QString::number(ref));
    const QImage icon = selector.itemIcon(row).pixmap(20, 20).toImage();
    const uint8_t *c = ZelRefColors[zelRefColorIndex(ref)];
    EXPECT_EQ(icon.pixelColor(10, 10), QColor(c[0], c[1], c[2])) << ref;
  }
  EXPECT_EQ(zelRefColorIndex(-3), 3);
  EXPECT_EQ(zelRefColorIndex(25), 4);

  // A refill keeps row 0 as it stands and lists the records again.
  selector.setItemText(0, "No Ref");
  tri->DspLst[emptied].Head = 1;
  zelFillReferenceRows(&selector, tri);
  EXPECT_EQ(selector.count(), 5);
  EXPECT_EQ(selector.itemText(0), "No Ref");
  zelFillReferenceRows(&selector, nullptr);
  EXPECT_EQ(selector.count(), 1);
}

// The verbosity panel: what a pick prints into the terminal.
//
// Its switches and lists set bits of the scene options' verbose mask, which the pick report
// reads at the next pick (nothing is redrawn):
//   "CrdVer%1"     Coordinates       0x8000
//   "SolVer%1"     vertex fields     1 << i for selected item i (i < 16)
//   "verBox%1"     Vertices          0x10000
//   "adjBox%1"     Neighbors         0x80000
//   "angles%1"     Angles            0x20000
//   "diangl%1"     Dihedral Angles   0x40000
//   "vrb:distBox%1" Distance         0x400000 (edge lengths; nothing in the report reads it)
//   "areaBox%1"    Area              connected to nothing
//   "solEle%1"     element fields    1 << i, the same bits as the vertex fields
// in the groups "VerVerb%1" ("Vertices") and "EleVerb%1" ("Elements"). The field lists show
// one item per field of the vertex solution and of the element solution (the first present
// among tetrahedra, prisms, pyramids, hexahedra, quadrilaterals, triangles); a list without
// its solution stays empty, out of the layout and unconnected.
//
// At construction the panel starts from the stored setting "verbose" (written by the Terminal
// preference page): its bits check the switches and set the live bits, stored 0x100000
// checking "Distance" and setting 0x400000; stored bit 1 selects every field item. Hovering
// over "Distance" shows its help text. Holds the scene without owning it. GUI thread only.
#pragma once

#include "zelvane/gui/QZelBase.h"

class QGridLayout;
class QHBoxLayout;
class QZelCheckBox;
class QZelGroupBox;
class QZelListWidget;
struct Geometric_Solution;

class ZelVerbose : public QZelBase {
  Q_OBJECT

 public:
  ZelVerbose(ZelSequenceServer *server, ZelScene *scene, int id);
  ~ZelVerbose() override;

  // Nothing: the mask is shown only as the panel left it.
  void zelUpdate() override;
  void connectButton() override;
  // Checks the switches and sets the live bits of the stored setting "verbose".
  void initializeButton();
  // "Distance between each Vertex in Element" over the "Distance" switch, else "No ToolTip".
  QString itemAt(const QPoint &pos) const;
  QString disToolTip() const;
  void clearWidget();

 public slots:
  void setSolAtVer();
  void setCoord(int state);
  void setSolAtEle();
  void setVertices(int state);
  void setNeighbors(int state);
  void setAngles(int state);
  void setDihAngles(int state);
  void setDistance(int state);

 protected:
  bool event(QEvent *event) override;

 private:
  enum EleSwitch { EleVertices, EleNeighbors, EleAngles, EleDihedral, EleDistance, EleArea, EleCount };
  void buildVertexGroup();
  void buildElementGroup();
  // The verbose mask, or null without scene or options record.
  int *mask() const;
  void setBit(uint32_t bit, int state);
  // Bits of the list's first 16 items follow their selection.
  void setFieldBits(const QZelListWidget *list);

  Geometric_Solution *verSol_ = nullptr;
  Geometric_Solution *eleSol_ = nullptr;
  QHBoxLayout *layout_ = nullptr;
  QZelGroupBox *verGroup_ = nullptr;
  QGridLayout *verLayout_ = nullptr;
  QZelCheckBox *crdBox_ = nullptr;
  QZelListWidget *solVer_ = nullptr;
  QZelGroupBox *eleGroup_ = nullptr;
  QGridLayout *eleLayout_ = nullptr;
  QZelCheckBox *eleBox_[EleCount] = {};
  QZelListWidget *solEle_ = nullptr;
};

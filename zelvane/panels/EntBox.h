// The entity box: the base of every panel that shows one group of widgets per element family.
//
// An entity combo at the top (recordable, named "entity:%1:%2" with the main window's number
// and the derived panel's prefix) lists the families the mesh holds; row i has a child group in
// slot i, and only the group of the chosen row is shown. The box forwards refresh and
// connection requests to every group.
//
// A derived panel builds itself in this order: the EntBox constructor with its prefix,
// createEntityBox(kind) to fill the combo, createGroup() to make one group per row, then
// createLayout(), then connectButton(). Kinds and their families (a family is listed only
// when the mesh has elements of it; triangles and tetrahedra count those read from files):
//   "Vertices"     Vertex
//   "Normals"      Given Normals
//   "Lines"        Edge, Edge P2
//   "Surfaces"     Triangle, Triangle P2, Quadrilateral, Quadrilateral Q2
//   "Volumes"      Tetrahedron, Tetrahedron P2, Hexahedron, Hexahedron Q2, Pyramid, Prism
//   "Surf & Vol"   the surface and volume families
//   "All Entities" every family
// in the order Vertex, Given Normals, Edge, Edge P2, Triangle, Triangle P2, Quadrilateral,
// Quadrilateral Q2, Tetrahedron, Tetrahedron P2, Hexahedron, Hexahedron Q2, Pyramid, Prism. A
// row's data (user role) is its element kind code.
//
// The box owns the combo, its layout and its groups; it holds the scene without owning it.
// GUI thread only.
#pragma once

#include "zelvane/gui/QZelBase.h"

class QVBoxLayout;
class QZelComboBox;

enum : int { ZelEntBoxSlots = 14 };  // one per family: enough for every row

class EntBox : public QZelBase {
  Q_OBJECT

 public:
  // prefix: makes the combo's name unique within a main window ("lin", "srf", "sol0"...).
  // The combo is made empty and nothing is connected.
  EntBox(ZelSequenceServer *server, ZelScene *scene, int id, const QString &prefix);
  // Deletes the groups from the last row to the first, then the combo and the layout.
  ~EntBox() override;

  // Appends the rows of the kind; nothing without scene or mesh, or for an unknown kind.
  void createEntityBox(const QString &kind);
  // Lays out every row's group below the combo, only row 0's shown.
  void createLayout();
  // zelUpdate of every group, in row order.
  void zelUpdate() override;
  // Connects the combo's activated(int) to setEntity, then every group's connectButton.
  void connectButton() override;
  // Re-emits the groups' current settings; the default prints a warning line.
  virtual void emitSignals();
  // Makes one group per row into its slot; the default prints a warning line.
  virtual void createGroup();
  // Forgets the members without deleting them.
  void clearWidget();

  QZelComboBox *entityCombo() const { return entBox_; }
  // The group of a row, null outside 0..13 or when the slot is empty.
  QZelBase *group(int row) const;

 public slots:
  // Hides every row's group, then shows the group of `row`. Virtual: the editing tools act on
  // the chosen family too.
  virtual void setEntity(int row);

 protected:
  QZelComboBox *entBox_ = nullptr;
  QVBoxLayout *layout_ = nullptr;
  QZelBase *group_[ZelEntBoxSlots] = {};
};

// The solution panel of one field: its palette group above an entity box of kind "Surf & Vol"
// whose groups (SolGroup.h) switch the field's displays per element family.
//
// One panel per field of the mesh's solution sits in the main window's solution tool window;
// the selection panel enables the panel of the active field. Entity combo "entity:%2:sol%1"
// (%1 the field, %2 the main window's number). Group titles by combo row: "Triangle",
// "TriangleP2", "Quadrilateral", "QuadrilateralP2", "Tetrahedron", "TetrahedronP2",
// "Hexahedron", "HexahedronP2", "Pyramid", "Prism".
//
// The palette group, "_%1_%2palGroup" (title "Palette", 430 x 120), edits the field's palette
// (ZelPalette, owned by the scene's solution view):
//   row 1   one IsoValBox per iso value under "Iso Min", "Iso 1".. , "Iso Max" (not recorded)
//   row 2   "_%1_%2typePal" "Linear"/"Log"; "_%1_%2typeSol" the scalar a field gives (scalar:
//           "value", disabled; vector: "Norm", "Min", "Max", "X Component", "Y Component",
//           "Z Component" in 3-D; metric: "Det", "Density", "Min", "Max"; matrix: none,
//           disabled); "_%1_%2colPal" the ten colour maps "Rainbow" .. "Cubehelix blue rev";
//           "_%1_%2resetPal" Reset; "_%1_%2applyPal" Apply; "_%1_%2displayPal" Hide (the
//           legend); "_%1_%2displayTime" Time
//   row 3   "_%1_%2isoValue" iso value and "_%1_%2saveIso" "Save Iso": the iso-line export
//
// Scale, representation and Reset recompute the palette from the data with 5 iso values and
// rebuild every list; a logarithmic scale on a field without a positive value goes back to
// "Linear" with a warning line. A colour map ("Gray" sets the palette's grey flag, every other
// map clears it) switches on, on every record, what the scene's solution bits name, then
// rebuilds the solution lists every record shows; Apply (after typed iso values) rebuilds the
// same lists. Out of the full-volume display, of the volume records only the arrows and
// iso-surfaces, which the frame still draws, are rebuilt.
//
// The iso-line export writes where the iso value of the active field crosses a 2-D mesh as a
// text mesh of vertices (see saveIso). Files and warnings go through the shell's dialog and
// message seams.
//
// Without a scene the panel warns on standard error and connects nothing; without a solution
// view the palette group is empty. GUI thread only.
#pragma once

#include "zelvane/panels/EntBox.h"

class IsoValBox;
class QZelCheckBox;
class QZelComboBox;
class QZelGroupBox;
class QZelLineEdit;
class QZelPushButton;
struct ZelPalette;

class SolBox : public EntBox {
  Q_OBJECT

 public:
  SolBox(ZelSequenceServer *server, ZelScene *scene, int id, int field);
  ~SolBox() override;

  void connectButton() override;
  // The groups' refresh; Hide and Time then show, without acting, whether the scene draws
  // the palette bar (Hide checked: it does not) and the time, which keys and states change,
  // and the iso entries the values the palette holds (a reload spreads them again).
  void zelUpdate() override;
  // updateSignal of every row's group, in row order.
  void emitSignals() override;
  // One SolGroup per combo row.
  void createGroup() override;

  int field() const { return field_; }
  ZelPalette *palette() const { return palette_; }
  IsoValBox *isoEntry(int k) const { return k >= 0 && k < 10 ? iso_[k] : nullptr; }

 public slots:
  void setTypPalette(int type);
  void setTypSolution(int iTyp);
  void setColorPal(int map);
  void resetPalette();
  void displayPalette(int state);
  void displayTime(int state);
  // Apply: the refined iso-line levels again, then the shown solution lists.
  void updateScreen();
  // Writes the iso-line of the value in "_%1_%2isoValue" of the active field to a file the
  // user names: "MeshVersionFormatted 3 \n ", "  \n", "Dimension \n 2 \n ", "  \n",
  // "Vertices\n", the count as "%d \n", one "%f %f 0\n" per point (as zelGetIsoLinPts gives
  // them), "End\n". No 2-D mesh, no active field or no values at vertices: 0 points. A
  // cancelled dialog writes nothing; a file that cannot be written gives a warning box naming
  // it. Nothing without scene or mesh.
  void saveIso();

 private:
  void createPaletteGroup();
  void fillFieldTypes();
  // Hide and Time from the scene's flags, quietly: no record, no action.
  void showOverlayFlags();
  // Each iso entry shows the palette's value, and the scale box its scale.
  void showIsoValues();
  // Shown again (its field made active, its box opened): Hide and Time as they stand now.
  void showEvent(QShowEvent *event) override;
  // Recomputes the palette from the data (5 iso values), shows it, rebuilds every list.
  void refreshPalette();
  // Rebuilds, record by record, the solution lists each shows; out of the full-volume display,
  // of the volume records only the arrows and iso-surfaces the frame still draws.
  void rebuildShownSolutions();

  int field_;
  ZelPalette *palette_ = nullptr;
  QZelGroupBox *palGroup_ = nullptr;
  IsoValBox *iso_[10] = {};
  QZelComboBox *typePal_ = nullptr;
  QZelComboBox *typeSol_ = nullptr;
  QZelComboBox *colPal_ = nullptr;
  QZelPushButton *reset_ = nullptr;
  QZelPushButton *apply_ = nullptr;
  QZelCheckBox *hide_ = nullptr;
  QZelCheckBox *time_ = nullptr;
  QZelLineEdit *isoValue_ = nullptr;
  QZelPushButton *saveIso_ = nullptr;
};

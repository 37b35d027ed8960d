// The solution display group of one element family for one field: colour map, iso-lines
// (thickness, subdivision, black), iso-surfaces, and vector arrows (with their scale) or metric
// glyphs, for every reference of the family ("All Ref") or for one.
//
// Widgets (%1 the group title, %2 the panel's id, %3 the field), grid (row, column):
//   (0,0) "sol:refBox:%1:%2:%3" reference selector (ZelRefGroup.h)
//   (1,0) "sol:mapBox:%1:%2:%3" Map        (2,0) "sol:isoLBox:%1:%2:%3" IsoLine
//   (3,0) "sol:isoSBox:%1:%2:%3" IsoSurf
//   (2,1) "thickness" (2,2) "sol:thickness:%1:%2:%3" (0..5)  (2,3) "Number"
//   (2,4) "sol:number:%1:%2:%3" (0..100)                     (2,5) "sol:blackIsoBox:%1:%2:%3"
//   vector field: (4,0) "sol:vecBox:%1:%2:%3" Vector, (4,1) "sol:dblBox:%1:%2" vector scale,
//                 (4,2) "x", "sol:preciD:%1:%2" step field ("10"), "%"
//   metric field: (4,0) "sol:metBox:%1:%2:%3" Metrix
// The vector scale and its step field of the first vector field of the solution carry no field
// number; those of later vector fields end in ":%3", so that every name is one widget's.
// IsoLine and IsoSurf are disabled without a solution at vertices; the two spin boxes and their
// labels are disabled until IsoLine is checked.
//
// The five displays, each one row of a table (scene solution bit, record solution bit, the
// option and rebuild mask, the order at "All Ref", which records unchecking clears):
//   Map      0x20     1   0x20     rebuild, then options   the family's records
//   IsoLine  0x40     2   0x40     options, then rebuild   the family's records
//   IsoSurf  0x80     4   0x80     rebuild, then options   every edge, surface, volume record
//   Vector   0x200    8   0x200    rebuild, then options   every edge, surface, volume record
//   Metrix   0x40000  32  0x40000  rebuild, then options   every edge, surface, volume record
// A display acts only while the group's field is the scene's active field. Checking sets the
// scene bit, then the record bit on the selected records (the family at "All Ref", through the
// scene engine) with their lists rebuilt; at a reference row rebuild comes first. Unchecking
// clears the scene bit (shared by every group: it goes even when other families still show the
// display) and the record bit (at "All Ref" only under the clearing rule of ZelRefGroup.h);
// nothing is rebuilt. Unchecking IsoSurf with Map unchecked, when it switches the iso-surfaces
// off, leaves the full-volume display, except on a mesh whose volumes have no surface elements
// to show instead.
//
// The iso-line settings edit the field's palette (shared by the panel's groups, no active-field
// test) and rebuild the iso-lines of the selected records; the vector scale is the scene's.
//
// Read-backs: choosing a row shows the record's solution bits, "All Ref" what every listed
// record has (a box whose state changes re-applies itself, ZelRefGroup.h). The refresh shows
// the same for the current row while the field is active, and unchecks every display box and
// Black while it is not. updateSignal applies the current boxes to the field made active.
//
// A group without scene, mesh, solution or entity has no widget and does nothing. GUI thread
// only; every change ends with a redraw.
#pragma once

#include "zelvane/panels/ZelRefGroup.h"

class QGridLayout;
class QLabel;
class QZelCheckBox;
class QZelDoubleSpinBox;
class QZelLineEdit;
class QZelSpinBox;
struct ZelPalette;

// The solution lists a record shows, as a rebuild mask: the lists of the displays whose record
// bits its solution word holds (0 when it shows none).
uint32_t zelShownSolutionLists(uint32_t solutionWord);

class SolGroup : public ZelRefGroup {
  Q_OBJECT

 public:
  enum Display { Map, IsoLine, IsoSurf, Vector, Metrix, NbrDisplays };

  SolGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity, int field);

  // Connects the selector, Map, IsoLine, IsoSurf, thickness, Black, number, then Vector, the
  // vector scale and its step field, or Metrix. Nothing for an empty group.
  void connectButton() override;
  void zelUpdate() override;
  // Applies the current check boxes to the records (the field was just made active).
  void updateSignal();
  // The read-back of "All Ref".
  void setAllRef();

  int field() const { return field_; }
  // The box of a display; null when the group has none.
  QZelCheckBox *displayBox(Display which) const { return check_[which]; }

 public slots:
  void setRef(int row);
  void setSolMap(int state);
  void setIsoLin(int state);
  void setIsoSrf(int state);
  void setVector(int state);
  void setMetrix(int state);
  void setThickNess(int value);
  void switchIsoColor(int state);
  void setNumber(int value);
  void setVectorScale(double value);
  void setPrecision();

 private:
  bool built() const { return refBox_ != nullptr; }
  QString nameOf(const char *pattern, bool withField = true) const;
  QZelCheckBox *makeDisplay(Display which, const char *pattern, const char *text);
  void makeIsoSettings(QGridLayout *grid);
  void makeVectorScale(QGridLayout *grid, bool firstVectorField);
  void applyDisplay(Display which, int state);
  void rebuildIsoLines();
  void enableIsoSettings(bool on);
  void showRecord(const ZelEntDisplayList &record);

  QString title_;
  int field_ = -1;
  int type_ = 0;  // the field's type: 1 scalar, 2 vector, 3 metric, 4 matrix
  ZelPalette *palette_ = nullptr;
  QZelCheckBox *check_[NbrDisplays] = {};
  QZelCheckBox *black_ = nullptr;
  QLabel *thickLabel_ = nullptr;
  QZelSpinBox *thickness_ = nullptr;
  QLabel *numberLabel_ = nullptr;
  QZelSpinBox *number_ = nullptr;
  QZelDoubleSpinBox *scale_ = nullptr;
  QZelLineEdit *step_ = nullptr;
};

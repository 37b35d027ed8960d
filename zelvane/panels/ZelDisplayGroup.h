// The display options of one element family, shared by the surfaces, volumes, lines and
// normals groups (SrfGroup, VolGroup, LinGroup, NorGroup): which widgets a group has is its own
// choice; what each widget does to the records is written once here.
//
// Check options (record bit; at a reference row the bit is written in the record):
//   Hide         flags 0x1    "All Ref": set or cleared on the listed records
//   Transparent  render 0x80  "All Ref": every record of the family (option mask 0x8000)
//   Shrink       flags 0x4    "All Ref": set on every record of the family (mask bit 26);
//                             cleared on every edge, surface and volume record (surfaces) or
//                             on the listed records (volumes). The builders bake the shrink
//                             into the lists: exactly the records holding elements whose flag
//                             changed are rebuilt (mask 1)
//   Clip         flags 0x2    "All Ref": set on the family (0x1000), cleared on every edge,
//                             surface and volume record
//   Normals      render 0x100 at a reference row the record is rebuilt (mask 1); "All Ref":
//                             set on the family, whose arrow lists are rebuilt (0x800);
//                             cleared on every edge, surface and volume record
// Unchecking at "All Ref" follows the clearing rule (ZelRefGroup.h). A disabled Shrink or Clip
// box unchecks itself and changes nothing. Hide, Transparent, Clip and the colour modes
// rebuild nothing: they act when the scene is drawn.
//
// Combos: face and edge (or line) colour modes and the line width (ZelPanelRows.h). A colour
// change calls the builders with mask 0x2000 or 0x4000, which compiles nothing, then sets the
// mode; a width sets the width, then rebuilds the wire lists (0x8000000). A row outside its
// table prints "display option not implemented" and changes nothing. No scene or display
// mesh: the combos do nothing.
//
// Read-backs: a refresh (zelUpdate) lists the references again (selection back to "All Ref"),
// shows Hide, Transparent and Shrink over the listed records, the combos from record 1, and
// Shrink unchecked then disabled while the scene's shrink factor is 1.0. Choosing a row shows
// that record (Shrink only when the factor is not 1.0; Clip enabled only while the current clip
// plane is active), or, at "All Ref", what every listed record has in common (combos unchanged
// when the records differ). A family without elements shows "No Ref" when the group has that
// state (surfaces, lines): boxes disabled and unchecked, one row per combo; references found
// again bring "All Ref", the rows and the enabled boxes back.
//
// GUI thread only; every change ends with a redraw (updateGlScene).
#pragma once

#include "zelvane/panels/ZelRefGroup.h"

class QGridLayout;
class QHBoxLayout;
class QZelCheckBox;
class QZelDoubleSpinBox;
class QZelLineEdit;

class ZelDisplayGroup : public ZelRefGroup {
  Q_OBJECT

 public:
  // title: only used inside object names.
  ZelDisplayGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity);

  void zelUpdate() override;
  // The read-back of "All Ref". Nothing without scene, display mesh or rows.
  void setAllRef();

 public slots:
  void setRef(int row);
  void setHide(int state);
  void setTransparency(int state);
  void setShrink(int state);
  void setClip(int state);
  void setNormals(int state);
  void setFaceCol(int row);
  void setEdgeCol(int row);
  void setWidth(int row);

 protected:
  enum Check { CheckHide, CheckTransparent, CheckShrink, CheckClip, CheckNormals, NbrChecks };

  // Object name from a pattern with %1 = title and %2 = id.
  QString nameOf(const QString &pattern) const;
  QZelCheckBox *makeCheck(Check which, const QString &pattern, const char *text);
  // Colour combo (four rows, 60 x 20) and width combo (six rows, 80 x 20).
  QZelComboBox *makeColour(QZelComboBox **slot, const QString &pattern);
  QZelComboBox *makeWidth(const QString &pattern);
  // The grid of the surface and volume groups (margins 0, aligned left) with the widgets both
  // have, named "<prefix>:refBox:%1:%2" and so on: (0,0) selector, (0,1) Hide, (0,2)
  // Transparent, (0,3) face colour, (0,4) edge colour, (0,5) width ("lin:widthBox:%1:%2"),
  // (1,0) Shrink.
  QGridLayout *makeFamilyGrid(const char *prefix);
  // Connects the selector, the check boxes and the combos the group has to their slots.
  void connectShared();
  // The normal scale of the surfaces and normals groups: the spin box (3 decimals, 0 to 100,
  // the scene's normal scale, 60 x 20) and the row "x", step field (30 x 20, `stepText`), "%"
  // that the call returns. Inverse is made apart.
  QHBoxLayout *makeScaleRow(const char *spinPattern, const char *stepPattern, const char *stepText);
  // The scene's normal scale := value, negated when `inverse`.
  void storeNormalScale(double value, bool inverse);
  // The spin box's single step := the step field's number / 100 (0 when it is no number).
  void applyStep();

  QString title_;
  QZelCheckBox *check_[NbrChecks] = {};
  QZelComboBox *face_ = nullptr;
  QZelComboBox *edge_ = nullptr;  // edge colour, or the line colour of lines and normals
  QZelComboBox *width_ = nullptr;
  QZelDoubleSpinBox *scale_ = nullptr;
  QZelLineEdit *step_ = nullptr;
  QZelCheckBox *inverse_ = nullptr;
  bool hasNoRefState_ = false;       // surfaces and lines
  bool shrinkClearsEveryKind_ = true; // surfaces; volumes clear their listed records only

 private:
  void applyCheck(Check which, int state);
  void applyColour(QZelComboBox *combo, bool face);
  void showRecord(const ZelEntDisplayList &record);
  void showCommonColour(QZelComboBox *combo, bool face);
  void showShrinkOverListed();
  void enterNoRef();
  void leaveNoRef();

  bool noRef_ = false;
};

// The clip-plane panel, box "Clip Planes" of a main window's visualisation tool window: edits
// the scene's current clip plane a x + b y + c z + d = 0 (clipping cuts away the side where the
// value is positive).
//
// Widgets (%1 the main window's number), in the group box "cli:group%1" (350 x 120):
//   "cli:xyzBox:%1"  quick planes: "" (off), "x = 0", "y = 0", "z = 0", each through the
//                    scene's centre, applied at once (flipped while Inverse is checked)
//   "cli:aEdi:%1", "cli:bEdi:%1", "cli:cEdi:%1"  a, b, c as text
//   "cli:dEdi:%1"    d, 3 decimals, stepping by "cli:preciD:%1" percent ("10": 0.1)
//   "cli:fraBox:%1"  Frame: outline, box and the plane's mask bits
//   "cli:pikBox:%1"  Intersect: the plane through the centre of the last pick, keeping its
//                    normal; unchecking gives d back
//   "cli:invBox:%1"  Inverse Plane: a, b, c, d negated and applied
//   "cli:cutBox:%1"  2D Clipping: capping of cut volumes
//   "cli:updBox:%1"  Update: applies the plane; enabled while a, b, c parse and are not all 0
//   "cli:resBox:%1"  Reset: clipping off, fields emptied
//
// Update stores a, b, c and d together (nothing when a text does not parse), resets the
// plane's editing frame, makes it active and shown, marks every vertex and element against it
// (on the worker pool), sets the clipped flag of every edge, surface and volume record,
// turns clipping on and rebuilds the volume lists the plane changes (zelUpdateClipDisplayLists:
// every such list while volumes are drawn, else the arrows and numbers they keep). Switching
// off clears the plane's mask bits and the clipped flags, returns to view mode and, when
// clipping was on, rebuilds the same lists so that they show whole again.
//
// The d field holds any offset a plane of the panel's normal can need: its range is
// ±R·max(1, |a| + |b| + |c|), R the largest absolute bounding-box coordinate, widened to hold
// every value the panel puts into it (a stored plane, a flip, a plane through a pick); only
// what the user types or steps is clamped.
//
// The refresh (after every pick, while the plane is dragged, on every tool-window update)
// shows the stored current plane; while clipping is off it runs Reset. The panel never changes
// which plane is current. Without a scene it warns and connects nothing; without display
// mesh, plane record or current plane the slots do nothing. GUI thread only.
#pragma once

#include "zelvane/gui/QZelBase.h"

class QGridLayout;
class QLabel;
class QVBoxLayout;
class QZelCheckBox;
class QZelComboBox;
class QZelDoubleSpinBox;
class QZelGroupBox;
class QZelLineEdit;
class QZelPushButton;
struct ZelPlaEntity;

class ClipBox : public QZelBase {
  Q_OBJECT

 public:
  ClipBox(ZelSequenceServer *server, ZelScene *scene, int id);

  void zelUpdate() override;
  void connectButton() override;

  // A coefficient field's number; the read flag tells whether it parsed (0.0 when not).
  double getParameter(QZelLineEdit *field);
  double getParameter(QZelDoubleSpinBox *field);
  // Whether Update may apply: a, b, c parsed and not all 0. 1 or 0.
  int isEnabledUpdate() const;
  // The d field's range for the panel's a, b, c, widened to hold `hold`.
  void setRange(double hold = 0.0);
  // The switch-off steps.
  void unClipPlane();
  // Forgets every widget pointer, flag and copy without deleting anything.
  void clearWidget();

  // The panel's copies of the coefficients.
  double a() const { return a_; }
  double b() const { return b_; }
  double c() const { return c_; }
  double d() const { return d_; }

 public slots:
  void setDefaultPlanes(int row);
  void setParameters();
  void setParamD(double value);
  void setPrecision();
  void setUpdate();
  void resetWidget();
  void setIntersectElem(int state);
  void setInverseClip(int state);
  void setFrame(int state);
  void setPlaneClip2D(int state);

 private:
  void createGroup();
  void createLayout();
  // The plane record, null without scene, display mesh or record.
  ZelPlaEntity *planes() const;
  // The current plane's index, -1 when there is no record or it is outside 0..31.
  int current() const;
  void applyReadiness();
  // Sets the d field, its range first widened to hold the value.
  void setD(double value);
  // Moves d so that the plane of normal n passes through the centre of the last pick; false
  // (nothing changed) without pick, centre or normal.
  bool intersect(const double n[3]);

  QVBoxLayout *outer_ = nullptr;
  QZelGroupBox *group_ = nullptr;
  QGridLayout *grid_ = nullptr;
  QZelComboBox *xyz_ = nullptr;
  QZelCheckBox *pick_ = nullptr;
  QZelCheckBox *inverse_ = nullptr;
  QZelCheckBox *frame_ = nullptr;
  QLabel *labels_[4] = {};
  QZelLineEdit *abc_[3] = {};
  QZelDoubleSpinBox *dField_ = nullptr;
  QLabel *stepLabel_ = nullptr;
  QZelLineEdit *step_ = nullptr;
  QLabel *percent_ = nullptr;
  QZelPushButton *update_ = nullptr;
  QZelPushButton *reset_ = nullptr;
  QZelCheckBox *cut_ = nullptr;
  bool parsed_[3] = {};
  bool read_ = false;
  double a_ = 0.0, b_ = 0.0, c_ = 0.0, d_ = 0.0;
};

// The geometry panel: five switches that show or hide the mesh's geometric attributes.
//
// Each switch (recordable, named with the main window's number %1) drives one bit of the
// scene's display word and is enabled only while the mesh carries the attribute (its flag
// word):
//   "corVer%1"  Corner         mesh flag 1   display bit 0x800000
//   "reqVer%1"  Required       mesh flag 2   display bit 0x1000000
//   "ridEdg%1"  Ridge          mesh flag 8   display bit 0x2000000
//   "reqEdg%1"  Required       mesh flag 4   display bit 0x4000000
//   "nmfEdg%1"  No Manifold    mesh flag 16  display bit 0x8000000
// in the group boxes "verGroup%1" ("Vertices") and "edgGroup%1" ("Edges"). A switch's slot
// sets or clears its bit and redraws; zelUpdate reads the bits and flags back (a changed check
// state runs the slot, which writes the same bit back). The editing tools that add attributes
// refresh it. Holds the scene without owning it. GUI thread only.
#pragma once

#include "zelvane/gui/QZelBase.h"

class QGridLayout;
class QHBoxLayout;
class QVBoxLayout;
class QZelCheckBox;
class QZelGroupBox;

class GeoBox : public QZelBase {
  Q_OBJECT

 public:
  GeoBox(ZelSequenceServer *server, ZelScene *scene, int id);
  ~GeoBox() override;

  // Only with a scene and its mesh: disables the switches of absent attributes and connects
  // every switch.
  void connectButton() override;
  // Only with a scene and its mesh: enabled states from the mesh flags, check states from the
  // display bits.
  void zelUpdate() override;
  void clearWidget();

 public slots:
  void Corner(int state);
  void RequiredVer(int state);
  void RequiredEdg(int state);
  void Ridge(int state);
  void NoManifold(int state);

 private:
  enum Switch { SwCorner, SwRequiredVer, SwRidge, SwRequiredEdg, SwNoManifold, SwCount };
  void setFeature(Switch which, int state);

  QHBoxLayout *layout_ = nullptr;
  QZelGroupBox *verGroup_ = nullptr;
  QGridLayout *verLayout_ = nullptr;
  QZelGroupBox *edgGroup_ = nullptr;
  QVBoxLayout *edgLayout_ = nullptr;
  QZelCheckBox *switch_[SwCount] = {};
};

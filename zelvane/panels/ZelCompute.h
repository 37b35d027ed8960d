// The computation panel: what a pick computes beside its report.
//
// Two switches (recordable, named with the main window's number %1) in the group
// "CompGroup%1" set bits of the scene options' verbose mask, read at the next pick:
//   "cmp:distBox%1"  Distance  0x100000  distance between a picked vertex and a picked element
//   "qualBox%1"      Quality   0x800000  quality of the picked element (nothing reads it yet)
// Hovering over a switch shows its help text. The panel does not read the settings store.
// Holds the scene without owning it. GUI thread only.
#pragma once

#include "zelvane/gui/QZelBase.h"

class QGridLayout;
class QHBoxLayout;
class QZelCheckBox;
class QZelGroupBox;

class ZelCompute : public QZelBase {
  Q_OBJECT

 public:
  ZelCompute(ZelSequenceServer *server, ZelScene *scene, int id);
  ~ZelCompute() override;

  // Nothing: the mask is shown only as the panel left it.
  void zelUpdate() override;
  void connectButton() override;
  // The help text of a grid cell: distance at (0, 0), quality at (1, 0), "As Soon As
  // Possible..." elsewhere.
  static QString message(int row, int column);
  static QString distToolTip();
  static QString qualToolTip();
  // The help text of the cell under pos (panel coordinates), else "No ToolTip".
  QString itemAt(const QPoint &pos) const;
  void clearWidget();

 public slots:
  void setDistance(int state);
  void setQuality(int state);

 protected:
  bool event(QEvent *event) override;

 private:
  void setBit(uint32_t bit, int state);

  QHBoxLayout *layout_ = nullptr;
  QZelGroupBox *group_ = nullptr;
  QGridLayout *grid_ = nullptr;
  QZelCheckBox *distBox_ = nullptr;
  QZelCheckBox *qualBox_ = nullptr;
};

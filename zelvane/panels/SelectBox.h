// The selection panel: the combo that chooses which solution field colours the mesh.
//
// It sits, always open, in the box "Select Active Solution" at the top of a main window's
// solution tool window; box j + 1 of that window holds the panel of field j. The combo
// ("select:%1:%2", only %1 replaced by the main window's number: the "%2" stays in the name)
// lists "0 NoSolution" (data -1), then one row per field of the mesh's solution: "%1 Scalar ",
// "%1 Vector ", "%1 Tensor ", "%1 Matrix " with %1 = field + 1 (the trailing blank is part of
// the text), or "Unknown Solution Type", data = the field index.
//
// Choosing a field makes it the scene's active field, has its panel re-apply its settings
// (EntBox::emitSignals), opens, enables and tints its box and closes and disables the others,
// refreshes the main window's bottom bar and redraws. "0 NoSolution" switches every solution
// display of every record off. The panel holds the scene and the tool window without owning
// them. GUI thread only.
#pragma once

#include "zelvane/gui/QZelBase.h"

class QHBoxLayout;
class QZelComboBox;
class ZelTool;

class SelectBox : public QZelBase {
  Q_OBJECT

 public:
  SelectBox(ZelSequenceServer *server, ZelScene *scene, int id);
  ~SelectBox() override;

  // The solution tool window this panel drives (box 0 is its own).
  void setSolTool(ZelTool *tool) { solTool_ = tool; }
  ZelTool *solTool() const { return solTool_; }
  QZelComboBox *solutionCombo() const { return solBox_; }

  // Brings the combo and the boxes in line with the scene's active field.
  void zelUpdate() override;
  // Closes the field boxes; with an active field disables them all, then opens, enables and
  // tints the active one. Nothing without scene, mesh, solution or tool window.
  void updateSolBox();

 public slots:
  void selectSolution(int row);

 private:
  QHBoxLayout *layout_ = nullptr;
  QZelComboBox *solBox_ = nullptr;
  ZelTool *solTool_ = nullptr;
};

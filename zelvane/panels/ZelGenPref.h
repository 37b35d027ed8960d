// The General preference page: the terminal window's size, the terminal's mode and height and
// the bottom bar.
//
//   Scene Size :  w [width]  h [height]   -> "size"
//   Terminal   :  [Lock|Free|Off]  h [terminal height]  -> "module" bits 1, 16; "Terminal height"
//   ToolBar     : [x]                    -> "module" bit 2
//   [Reset]       800 x 800, Lock, 100, tool bar shown
//
// Every change is stored at once and takes effect when its reader next runs (a new terminal, a
// window showing a mesh). A size or height that is not a whole number above 0 is not stored:
// the edit shows the stored value again. The page keeps its own copy of "module", read once.
// Plain widgets, not recorded. GUI thread only.
#pragma once

#include <QSettings>

#include "zelvane/gui/QZelBase.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class ZelGenPref : public QZelBase {
  Q_OBJECT

 public:
  // Reads the store into the widgets and prints the store's file name on standard output.
  ZelGenPref();

  void connectButton() override;

  QLineEdit *widthEdit() const { return width_; }
  QLineEdit *heightEdit() const { return height_; }
  QComboBox *termCombo() const { return term_; }
  QLineEdit *termHeightEdit() const { return termHeight_; }
  QCheckBox *toolBarCheck() const { return toolBar_; }
  QPushButton *resetButton() const { return reset_; }

 public slots:
  void updateSize();
  // Row 0 "Lock" sets bits 1 and 16, row 2 "Off" clears bit 1, any other sets 1 and clears 16.
  void updateTerm(int state);
  void updateToolBar(int state);
  void updateTermHeight();
  void resetWidget();

 private:
  void storeModule();
  // The stored values back into the edits.
  void showSize();
  void showTermHeight();

  QSettings settings_;
  int module_ = 0;
  QLineEdit *width_ = nullptr;
  QLineEdit *height_ = nullptr;
  QComboBox *term_ = nullptr;
  QLineEdit *termHeight_ = nullptr;
  QCheckBox *toolBar_ = nullptr;
  QPushButton *reset_ = nullptr;
};

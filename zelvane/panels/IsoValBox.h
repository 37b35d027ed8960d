// One iso value of a field's palette as an editable line: a plain line edit, neither named nor
// recorded (typed iso values are not part of recorded sequences).
//
// It shows iso value k with 6 significant digits. A typed number, taken when Return is pressed
// or the entry loses focus, becomes iso value k and its normalised value: the number itself on
// the logarithmic scale, (v - mid) x inverse range on the linear one. Nothing is rebuilt: the
// panel's Apply shows it. A text that is not a number is refused: the entry shows the stored
// value again and the palette is unchanged.
//
// The palette belongs to the scene's solution view and outlives the entry. GUI thread only.
#pragma once

#include <QLineEdit>

struct ZelPalette;

class IsoValBox : public QLineEdit {
  Q_OBJECT

 public:
  // palette may be null (the entry then does nothing); k: 0..9.
  IsoValBox(ZelPalette *palette, int k);

 public slots:
  // Takes the typed value (connected to editingFinished).
  void setNewIso();
  // Shows the stored value.
  void updateIso();

 private:
  ZelPalette *palette_;
  int k_;
};

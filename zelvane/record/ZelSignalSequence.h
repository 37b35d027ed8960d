// One signal of a recordable widget (types 9 to 17, 19, 21 to 23), replayed through the hook
// of its type:
//   9 zelTriggered(v != 0)      10 zelActivated(v)        11 zelReturnPressed(text)
//  12 zelEditingFinished(text)  13 zelValueChanged(int)   14 zelValueChanged(double)
//  15 zelClicked(v != 0)        16 zelToggled()           17 zelStateChanged(v)
//  19 zelCurrentChanged(v)      21 zelItemSelectionChanged(v != 0)
//  22 zelToggled(v != 0)        23 zelTextChanged(text)
// Numbers are read from the value in base 10 (doubles in the "C" form); a value that is not a
// number reads as 0.
#pragma once

#include "zelvane/record/ZelSequence.h"

class ZelSignalSequence : public ZelSequence {
 public:
  // A bool is kept as "1" or "0", an int in decimal, a double in general format with 6
  // significant digits, a text as it is.
  ZelSignalSequence(int type, const QString &name, bool value);
  ZelSignalSequence(int type, const QString &name, int value);
  ZelSignalSequence(int type, const QString &name, double value);
  ZelSignalSequence(int type, const QString &name, const QString &value);
  // Reads the value as the next word of the line (none: an empty text) and prints it.
  ZelSignalSequence(int type, std::istream &is);

  // Writes the value without its blanks.
  void save(std::ostream &os) override;
  void exec(QZelObject *target) override;

  std::string value;  // UTF-8
};

// The frame the three preference pages share: one fixed-size group box in a horizontal layout
// without margins, holding a grid (margins 1, 1, 5, 5, spacing 5), with bold fixed-pitch section
// labels, fixed-pitch line edits and a "Reset" button. The widgets are plain toolkit widgets:
// nothing done on a page is recorded. GUI thread only.
#pragma once

#include <QString>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Sets the frame on the page and returns its grid; the group box is w x h pixels.
QGridLayout *zelPrefFrame(QWidget *page, int w, int h);
// A section label (column 0): fixed pitch, bold.
QLabel *zelPrefSection(const QString &text);
// A plain label of fixed size (0 x 0: natural size).
QLabel *zelPrefLabel(const QString &text, int w = 0, int h = 0);
// A line edit, 55 x 20, fixed pitch 12 points.
QLineEdit *zelPrefEdit();
// A combo box, 60 x 20.
QComboBox *zelPrefCombo();
// A check box without text.
QCheckBox *zelPrefCheck();
// The "Reset" button, 70 x 20.
QPushButton *zelPrefReset();
// The edit's text as a whole number above 0, else false (the value is left alone).
bool zelPrefPositive(const QLineEdit *edit, int *value);

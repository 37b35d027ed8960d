// The rows every display panel shares: colour modes, line widths, reference selectors, the
// solution a panel shows and the help-text tool tips.
//
// A display record's render word holds two colour modes, the face mode in bits 1-3 and the
// line (or edge) mode in bits 4-6. Every colour combo of the panels and of the Mesh preference
// page lists the same four rows:
//
//   row  text    mode code  face value  line value
//    0   "off"       2           4         0x20
//    1   "back"      1           2         0x10
//    2   "ref"       0           0         0
//    3   "grey"      3           6         0x30
//
// Mode codes 4 to 7 have no row: reading one back leaves the combo where it was. Width combos
// list "Size 1.0" to "Size 4.0", standing for 10, 15, 20, 25, 30, 40 (ten times the line width
// a record then holds). A reference selector lists "All Ref" (data 0), then one row per display
// record of the entity that holds elements: the reference as text, the record's index as data
// and a 20 x 20 icon in the reference's colour.
//
// Used by the display panels, the solution and clip-plane panels, the preference pages and the
// editing tools. GUI thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class QComboBox;
class QEvent;
class QFont;
class QGroupBox;
class QHBoxLayout;
class QLayout;
class QIcon;
class QPoint;
class QWidget;
struct Geometric_Mesh;
struct Geometric_Solution;
typedef struct Zel_Entity ZelEntity;

// Colour modes --------------------------------------------------------------------------------

enum : int { ZelColourRows = 4, ZelWidthRows = 6 };

// Which field of the render word a colour combo edits.
enum class ZelColourField { Face, Line };

// Appends the four colour rows ("off", "back", "ref", "grey"), item data 0 to 3.
void zelAddColourRows(QComboBox *combo);
// The value of a row for the field (face 4, 2, 0, 6; line 0x20, 0x10, 0, 0x30), true. A row
// outside 0-3 prints "display option not implemented" on standard output and gives false with
// *value 0.
bool zelColourValue(int row, ZelColourField field, uint32_t *value);
// The field's mode code in a render word (0 to 7).
uint32_t zelColourCode(uint32_t render, ZelColourField field);
// The row of a mode code: 0 -> 2, 1 -> 1, 2 -> 0, 3 -> 3; -1 for codes 4 to 7.
int zelColourRowOfCode(uint32_t code);
// Shows the row of the field's code in the render word; a code without a row leaves the combo
// on its current row and gives false.
bool zelShowColour(QComboBox *combo, uint32_t render, ZelColourField field);

// Widths --------------------------------------------------------------------------------------

// Appends "Size 1.0", "Size 1.5", "Size 2.0", "Size 2.5", "Size 3.0", "Size 4.0".
void zelAddWidthRows(QComboBox *combo);
// Ten times the line width of a row (10, 15, 20, 25, 30, 40), true; a row outside 0-5 prints
// "display option not implemented" and gives false with *value 0.
bool zelWidthValue(int row, uint32_t *value);
// The row of a line width equal to exactly 1.0, 1.5, 2.0, 2.5, 3.0 or 4.0; -1 for any other.
int zelWidthRowOf(float width);
// Shows the row of the width; any other width leaves the combo and gives false.
bool zelShowWidth(QComboBox *combo, float width);

// Reference selectors -------------------------------------------------------------------------

// The icon of a reference: a 20 x 20 square of reference colour |ref| mod 21 (any int, INT_MIN
// included). The 21 icons are made once and kept until the application ends.
QIcon zelReferenceIcon(int ref);
// Removes every row but row 0, then appends one row per record 1..NbrLst of the entity whose
// chain holds an element: the reference in decimal, data = the record's index. With no row at
// all, row 0 "All Ref" (data 0) is made first. A null entity leaves row 0 alone.
void zelFillReferenceRows(QComboBox *combo, const ZelEntity *entity);

// Solutions -----------------------------------------------------------------------------------

// The solution the panels show: the first set among vertices, tetrahedra, prisms, pyramids,
// hexahedra, quadrilaterals, triangles; null for a null mesh or none.
Geometric_Solution *zelPanelSolution(const Geometric_Mesh *mesh);
// The element solution: the same search without vertices.
Geometric_Solution *zelElementSolution(const Geometric_Mesh *mesh);
// "Scalar", "Vector", "Tensor", "Matrix" for types 1 to 4; null for any other type.
const char *zelFieldTypeName(int type);

// Check states and bits -----------------------------------------------------------------------

// A check box's state as the panels read it: only 2 (checked) counts as checked.
inline bool zelChecked(int state) { return state == 2; }
// Sets or clears bits in a word.
inline void zelSetBits(uint32_t &word, uint32_t bits, bool on) { word = on ? (word | bits) : (word & ~bits); }
inline void zelSetBits(int &word, uint32_t bits, bool on) {
  uint32_t w = uint32_t(word);
  zelSetBits(w, bits, on);
  word = int(w);
}

// The font of the panels' group boxes and line edits: fixed pitch, 12 points.
QFont zelFixedFont();
// Finishes a panel's group box: takes the layout (margins 0), the fixed font, a fixed size of
// w x h pixels and the title at the top.
void zelFinishGroup(QGroupBox *group, QLayout *layout, int w, int h);
// The row layout of a panel: margins 1, 1, 5, 10, aligned left, spacing 1; set on the panel.
QHBoxLayout *zelPanelRow(QWidget *panel);

// Help texts ----------------------------------------------------------------------------------

// The text a panel answers when the pointer is over no help cell.
extern const char *const ZelNoToolTip;
// The tool-tip part of a panel's event(): for a tool-tip event asks itemAt for the text at the
// event's position (panel coordinates) and shows it at the event's global position, or, when
// the text is ZelNoToolTip, hides any shown tip and ignores the event; true. Any other event:
// false, for the caller to pass on to QWidget::event.
bool zelHelpTipEvent(QEvent *event, const std::function<QString(const QPoint &)> &itemAt);

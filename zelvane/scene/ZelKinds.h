// Names and reference colours of the element kinds, as every message, panel and builder of
// the viewer shows them.
#pragma once

#include <cstdint>

// Display name of an element kind code ("triangles", "p2-edges", "clip planes"...);
// "unknow type" for a code without one. Never null; static storage.
const char *zelGetTypeName(int kind);

// The 21 reference colours, RGB bytes (divide by 255 to draw). Faces and normal arrows use
// them as they are, lines 0.2 + 0.8 x each component, paths by their rank in the list.
extern const uint8_t ZelRefColors[21][3];
enum : int { ZelNbrRefColors = 21 };

// Row of ZelRefColors for a reference: |ref| mod 21, defined for every int (INT_MIN too).
int zelRefColorIndex(int ref);

// Small immediate-mode glyphs of the scene: arrows, circles, spheres and bitmap text.
//
// Everything draws with OpenGL in the current context and state and builds no display list of
// its own: callers may call it while compiling one. The arrow geometry is a plain function so
// that its shape is checked without GL. Spheres and the two library fonts are freeglut's,
// which is initialised on first use when nothing did it before. GUI thread only.
#pragma once

// The three segments of an arrow from p along the unit direction d, length L: the shaft p -> t,
// t = p + L d, and two barbs from t, L / 10 long at 12 degrees from the shaft, in the plane
// of d and the unit vector w across it: w from (-(d.y + d.z) / d.x, 1, 1) when |d.x| > 1e-6,
// else (1, -(d.x + d.z) / d.y, 1) when |d.y| > 1e-6, else (1, 1, -(d.x + d.y) / d.z), the barbs
// going along d x w. out receives the six segment ends in drawing order. A direction of zero
// length (or not finite) draws no arrow: 0 and out untouched; else 1.
int zelArrowSegments(const float p[3], const float d[3], float L, float out[6][3]);

// Emits the arrow's six vertices inside an open glBegin(GL_LINES); nothing for a zero direction.
// Returns what zelArrowSegments returned.
int zelEmitArrow(const float p[3], const float d[3], float L);

// A circle of radius r in the xy plane: a line strip of (r sin a, r cos a) for a = 0, 0.2, ...
// while a <= 2 pi + 0.2 (33 points, the last overlapping the first).
void zelCircle(float r);

// freeglut's wire and solid spheres.
void zelDrawWireSphere(double radius, int slices, int stacks);
void zelDrawSolidSphere(double radius, int slices, int stacks);

// Initialises freeglut once when nothing has yet (it needs an X display).
void zelGlutInit();

// Initialises freeglut with a hidden 1 x 1 window of its own, which its spheres and bitmap
// fonts need, and leaves no context current (freeglut's context is bound only on freeglut's
// own connection to the display). Once per process; nothing when freeglut was initialised
// before. Needs an X display; GUI thread only.
void zelGlutOpenWindow();

// Unpack state of bitmaps stored as rows of whole bytes, most significant bit first: no byte
// swap, no row length or skips, alignment 1 (what glBitmap needs for the glyphs below).
void zelBitmapPixelStore();

namespace zel {
// Text in the scene's 29-pixel font at the current raster position: each byte draws its glyph
// and moves right by its width; a newline moves back to the start of the line and 29 pixels
// down. Nothing for a null or empty text. (freeglut has a function of this name taking a font;
// this one lives apart from it.)
void glutBitmapString(const char *text);
}  // namespace zel

// The same loop in freeglut's fixed 8x13 font (font 1) or 18-point Helvetica (any other value),
// the newline stepping down by that font's height.
void glutBitmapString12(int font, const char *text);

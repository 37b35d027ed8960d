// What the view's palette bar and axis labels show, as plain functions without GL.
#pragma once

struct ZelPalette;
typedef struct Zel_Scene ZelScene;

// The bar has five stops, at these x of the (-1, 1) square.
enum : int { ZelPaletteStops = 5 };
extern const float ZelPaletteStopX[ZelPaletteStops];

// The palette entry stop i shows: i, or the last entry of a palette with fewer values (its
// entries past the last are not set).
int zelPaletteEntry(const ZelPalette *pal, int i);
// The colours of the five stops: grey levels (hue / 256), or the hue (whole degrees brought
// into 0..360, negative ones too) as six sectors of value 0.8; a colour map of 2 or more
// gives instead the colour of the entry's index over 0..N - 1 in that map.
void zelPaletteStops(const ZelPalette *pal, float rgb[ZelPaletteStops][3]);
// The scale of the five palette labels, which stand a fifth of the view's device width apart:
// 1, or less when the longest of them, `chars` glyphs advancing `advance` pixels each, would
// take more than 0.9 of that fifth (an 800-pixel view has room for 7 glyphs of the 30-pixel
// set, a label such as "-1.25E+00" has 9).
float zelPaletteLabelScale(int chars, float advance, float width);
// Whether the axis labels take the inverse background colour (background red above 204)
// rather than grey 0.84. False without a scene.
bool zelAxisLabelsInverse(const ZelScene *scene);

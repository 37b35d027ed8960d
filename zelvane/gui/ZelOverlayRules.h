// What the view's palette bar and axis labels show, and where the palette and time labels
// go, as plain functions without GL.
#pragma once

struct ZelPalette;
namespace ZelText {
struct InkBox;
}
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

// Where the five palette labels go in a view of Wd x Hd device pixels (ratio r): one scale
// for all, each label's pen and the pens' common height. ink[i] is label i's ink at scale 1
// (ZelText::inkBox), chars and advance as for zelPaletteLabelScale.
//
// A label's pen stands at its stop less 80 r pixels times the scale (at scale 1 a label of nine
// glyphs is about centred on its stop), at 0.9 Hd. Then every label is kept whole inside the view and apart
// from its neighbours: a label whose ink would cross the left edge, or come over the label
// before it, moves right; one crossing the right edge, or coming over the label after it,
// moves left, each keeping a hundredth of the view from its edges; labels that would cross
// the top or the bottom edge move down or up. The labels stop shrinking at the width scale (the five together then take at most
// 0.9 of the width) unless the view is not even one label high.
struct ZelLabelPlaces {
  float scale = 1;
  float x[ZelPaletteStops] = {};
  float y = 0;
};
ZelLabelPlaces zelPlacePaletteLabels(const ZelText::InkBox ink[ZelPaletteStops], int chars, float advance, float Wd,
                                     float Hd, float r);

// Where the time label goes in a view of Wd x Hd device pixels: its pen at a hundredth of
// the view from the lower left corner, higher where the ink below its base line would cross
// the bottom edge; its scale 1, or less where its ink would pass 0.89 of the width, where the
// axis trihedron's corner begins.
struct ZelTextPlace {
  float scale = 1, x = 0, y = 0;
};
ZelTextPlace zelPlaceTimeLabel(const ZelText::InkBox &ink, float Wd, float Hd);

// Whether the axis labels take the inverse background colour (background red above 204)
// rather than grey 0.84. False without a scene.
bool zelAxisLabelsInverse(const ZelScene *scene);

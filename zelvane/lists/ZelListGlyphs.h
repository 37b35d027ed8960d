// Arrows, vector arrows and metric glyphs of the list builders.
//
// Normal arrows start at element centroids; vector arrows and metric glyphs are drawn once per
// vertex of the record's drawn elements (the per-vertex stamp), from the vertex values of the
// active field. Vector arrows need a vector field and metric glyphs a symmetric tensor field:
// a field of another type draws neither (its values would be read as something they are not,
// past the entity's own at the last vertex). GUI thread, GL context current.
#pragma once

#include "zelvane/lists/ZelListFrame.h"

// Inside an open glBegin(GL_LINES): the shaft from p along the unit direction d, L long, and
// two barbs L / 10 long at 12 degrees. d is scaled by L in place. A zero direction draws
// nothing (d still scaled).
void zelArrowHead(const float p[3], float d[3], float L);

// The arrow of one vertex: base point, value and unit direction.
struct ZelArrow {
  float P[3];
  float S;
  float D[3];
};
// Inside an open glBegin(GL_LINES): the arrow in the colour of its value (hues or grey, never
// a colour map).
void zelVectorArrow(const ZelPalette *pal, ZelArrow *arrow, float L);

// Vector arrows of the record: L = the scene's vector scale / 500; for every node of
// the elements whose tag has all of need (alive and visible unless a kind says more), once,
// an arrow from its display coordinates times the record's shrink factor along its vector
// (offset: the active field's offset) normalised, coloured by its palette value. Nothing
// without vertex values or for a field that is not a vector; a zero vector draws no arrow.
// One glBegin(GL_LINES) pair otherwise.
void zelDrawVectors(const ZelListCtx &c, const ZelListField &f, int offset, uint32_t need = ZelDrawnBits);

// The unit shape of the metric glyphs of dimension dim, in 3-D freeglut's wire sphere of
// radius 1, 30 slices and 30 stacks, in 2-D the circle of zelCircle(1), compiled once into a
// display list of its own per GL context (per group of contexts sharing lists), so that a
// glyph list holds each glyph's transform and a call instead of the shape's vertices (1800 for
// the sphere). Returns that list in the current context, making it on the first call where
// there is none; 0 for another dimension, and when there is none and none can be made now:
// while a list is being compiled (lists do not nest: a builder that compiles glyphs calls this
// before it opens its list) or when the GL cannot name lists (neither OpenGL 4.3 nor
// KHR_debug). A caller given 0 draws the shape itself. The list is found again by its GL
// label, so an id left by a destroyed context is never called in another. It lives as long as
// the context's lists; nothing here deletes it. GUI thread, GL context current.
GLuint zelMetricShapeList(int dim);

// One metric glyph at p from the tensor m (m11 m12 m22 in 2-D, m11 m12 m13 m22 m23 m33 in
// 3-D), eigVal and eigVec work space (3 and 9 doubles): in 3-D a wire sphere scaled to the
// semi-axes max(1e-6, 0.5 / sqrt(lambda_i)) x scale along the eigenvectors, in 2-D a circle
// scaled to 1 / sqrt(|lambda_i|) x scale turned to the first eigenvector; colour (120, 40, 40),
// the model-view matrix left as it was. The sphere or circle is a call of the list `shape`
// (zelMetricShapeList of dim), or drawn in place when it is 0. 1 drawn; 0 and nothing drawn
// when the eigen solver fails, a semi-axis is not finite or the dimension is neither 2 nor 3.
int zelMetricGlyph(const float p[3], const double *m, double *eigVal, double *eigVec, int dim, double scale,
                   GLuint shape = 0);

// Metric glyphs of the record, lighting off meanwhile: for every node of the drawn
// elements, once, in 3-D a wire sphere scaled to the semi-axes max(1e-6, 0.5 / sqrt(lambda_i))
// x InvDmaxSca along the eigenvectors, in 2-D a circle scaled to 1 / sqrt(|lambda_i|) x
// InvDmaxSca turned to the first eigenvector; colour (120, 40, 40). A vertex whose eigen
// solver fails or whose semi-axis is not finite (a zero eigenvalue, a negative one in 3-D)
// gets no glyph. Nothing without vertex values or for a field that is not a symmetric tensor.
// Compiled into a list, the glyphs call the shape list of zelMetricShapeList when there is
// one; drawn at once, they draw the shape in place.
void zelDrawMetrics(const ZelListCtx &c, const ZelListField &f, int offset);

// What a builder calls before it opens a list that zelDrawMetrics fills: makes the shape list
// of the mesh's dimension when there will be glyphs (a symmetric tensor field at the vertices).
void zelPrepareMetrics(const ZelListCtx &c, const ZelListField &f);

// The metric list of an update entry (compiled into id, the shape list made first) or the
// glyphs drawn at once by a direct entry.
void zelMetricPass(bool update, GLuint id, const ZelListCtx &c, const ZelListField &f, int offset);

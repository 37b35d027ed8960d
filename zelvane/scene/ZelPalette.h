// Palettes and the solution view: how a solution field becomes colours.
//
// A palette turns one field into one scalar per entity (a norm, a component, a determinant, an
// eigen-size), finds the range, places N iso values on a linear or logarithmic scale with hues
// from blue (240) to red (0), and keeps the normalised values the display-list builders colour
// with. The solution view holds one palette per field of the mesh's solution.
//
// The solution read is the first the mesh holds, in the order vertices, tetrahedra, pyramids,
// prisms, hexahedra, triangles, quadrilaterals; its entities are counted by the linear kind, or
// the curved kind when there is no linear element. GUI thread only.
#pragma once

#include <cstdint>

struct Memory_List;
struct Geometric_Mesh;
struct Geometric_Solution;
struct ZelSceneOptions;

enum : int { ZelMaxIso = 10 };
// Colour map 1, "Gray": no table of its own; a palette showing it has its grey flag set.
enum : int { ZelMapGray = 1 };

struct ZelPalette {
  int32_t Scale;     // 0 linear, 1 logarithmic
  int32_t Repr;      // which scalar a vector or metric field gives (getPrintSol)
  int32_t Grey;      // non-zero: grey levels instead of hues
  int32_t N;         // number of iso values, 2..10
  int32_t BlackIso;  // non-zero: iso-lines drawn black
  double Iso[ZelMaxIso];     // iso values in field units
  float NormIso[ZelMaxIso];  // normalised iso values (the logarithmic scale keeps field units)
  float Hue[ZelMaxIso];      // hue of iso value i in degrees: (1 - i / (N - 1)) x 240
  double Mid;       // (min + max) / 2
  double Inv;       // 1 / |max - min|, or 1 when that is at most 1e-6
  double *Sol;      // scalar per entity, entries 1..NbrSol (normalised on the linear scale)
  float IsoWidth;   // iso-line thickness, 2 at creation
  int32_t Subdiv;   // iso-line subdivision, 9 at creation
  int32_t NbrRef;   // refined levels: (N - 1) x Subdiv; the arrays hold one entry more
  float *RefLvl;    // refined normalised levels
  float *RefHue;    // refined hues
  int32_t ColMap;   // colour map chosen by the panels (10: UsrCol)
  float (*UsrCol)[3];  // user colour table, 5 RGB rows, set by the panels
  // Kept with the palette beyond what the builders read.
  int32_t ColMapLegend;  // the colour map the legend reads, kept equal to ColMap by the panels
  int32_t UsrIsoOn;      // non-zero: UsrIso replaces the levels of the iso-lines
  double *UsrIso;        // user iso-line values, owned by whoever sets them
  int32_t NbrSol;        // entities Sol holds (entries 1..NbrSol)
  Memory_List *Mem;      // list of Sol and the refined arrays
};

struct ZelViewSolution {
  int32_t NbrFld;       // number of fields
  ZelPalette *ZelPal;   // one palette per field
  double (*SolSca)[2];  // a pair per field, zero
};

// One palette per field of the mesh's solution, each the default palette of 5 iso values with
// subdivision 9. Null when the mesh has no solution or its solution no field. A failed
// allocation ends the process.
ZelViewSolution *zelNewViewSolution(Memory_List *mem, const ZelSceneOptions *opt,
                                    const Geometric_Mesh *msh);
// Frees every palette's arrays, the palettes and the view; returns null.
ZelViewSolution *zelFreeViewSolution(Memory_List *mem, ZelViewSolution *view);
// Frees one palette's Sol and refined arrays (the palette itself belongs to its view).
void zelFreePalette(Memory_List *mem, ZelPalette *pal);

// Recomputes the palette from field `field` with N iso values. 0 (palette unchanged) when the
// mesh, its solution, the field or the palette is missing, or N is outside 2..10; else 1.
// Non-finite scalars are left out of the range; with none left the range is (0, 0). A
// logarithmic scale whose maximum is not positive warns and falls back to the linear scale,
// which the palette keeps (Scale 0).
int zelUpdatePalette(int field, const Geometric_Mesh *msh, int N, ZelPalette *pal);
// The default palette: zelUpdatePalette, or, when the options carry a palette, its values as
// iso values (N at most 5). 1 done, 0 refused as zelUpdatePalette.
int zelDefaultPalette(const ZelSceneOptions *opt, int field, const Geometric_Mesh *msh, int N,
                      ZelPalette *pal);
// Sets the subdivision n and rebuilds the refined levels and hues ((N - 1) n + 1 entries).
void zelUpdateIsoLineDraw(ZelPalette *pal, int n);

// The scalar of one entity's field values: type 1 scalar, 2 vector (repr 0 norm, 1 least and
// 2 greatest component, 3 4 5 component x y z), 3 metric (repr 0 determinant, 1 its root,
// 2 3 the size along the largest eigenvalue), 4 matrix (largest absolute entry). Component z
// of a 2-D vector prints "error in getPrintSol in zel_sol" and gives 0; another type prints
// "solution type not implemented yet!" and gives 0.
double getPrintSol(int dim, int repr, int type, const double *values);

// Points where the value iso of vertex field `field` crosses the triangles of a 2-D mesh, as
// (x, y) pairs: two per crossed triangle, then kept in order unless a kept point lies within
// 1e-6 in x and y. Null for a missing or non-2-D mesh or without vertex solution; else a
// malloc'ed array the caller frees, with its point count in *count.
double *zelGetIsoLinPts(const Geometric_Mesh *msh, int field, int *count, double iso);

// Offset of field `field` within an entity's values: the sizes of the fields before it (scalar
// 1, vector dim, symmetric tensor 3 or 6, matrix 4 or 9 in 2-D or 3-D). A field type outside
// 1..4 among them ends the process ("FATAL INTERNAL ERROR", 100).
int zelFieldOffset(const Geometric_Solution *sol, int field, int dim);

// Entries that do nothing.
int zel_CriticalPoints();
int zelCutByIsoLin();
void zel_ReorderVertex();

// The cap of cut volumes: while a clip plane is on and capping is asked for, the tetrahedron
// and hexahedron builders close the cut volume of a display record with the planar section
// of its cut elements.
//
// The cap is a small mesh of triangles and quadrilaterals in display coordinates (GLMesh):
// every cut element (clip bit set by the marking of ZelClip.h, alive and visible) is split
// into tetrahedra (hexahedra by zelSplitHexahedron), and each tetrahedron the plane cuts gives
// one triangle or one quadrilateral, with a unit normal following its corner order (not turned
// to either side) and, when a field is shown, the field's value at each corner. A builder asks
// for the cap while it compiles its faces list and its solution lists, draws it (GL_TRIANGLES
// then GL_QUADS, one flat normal per piece) and frees it with zel_freeGLMesh; nothing else
// keeps it.
//
// A vertex counts as positive when its signed value is > 0, as in the marking, so a plane
// through element faces caps those faces. Everything here is plain C memory (malloc/free), not
// the memory list: a cap lives only while one list is compiled. GUI thread, or any thread
// that owns the cap.
#pragma once

struct Geometric_Mesh;
struct ZelMesh;
struct ZelLink;
struct ZelPalette;

// Kinds of the capping. The curved kinds are capped through their corner nodes (the first four
// of a P2 tetrahedron, the first eight of a Q2 hexahedron), as the linear elements on them.
enum : int { ZelCapTetrahedra = 4, ZelCapHexahedra = 5, ZelCapP2Tetrahedra = 30, ZelCapQ2Hexahedra = 33 };

// The cap of one display record. Arrays hold Max* pieces; at most Max* - 1 are stored.
struct GLMesh {
  int NbrTri;     // triangles stored
  int MaxNbrTri;  // triangle capacity
  float *TriCrd;  // 9 per triangle: three corners x, y, z, display coordinates
  float *TriNor;  // 3 per triangle: unit normal (zero for a piece of zero area)
  float *TriSol;  // 3 per triangle: field value at each corner; null without field values
  int *TriSrc;    // 1 per triangle: the element it comes from
  int NbrQua;
  int MaxNbrQua;
  float *QuaCrd;  // 12 per quadrilateral
  float *QuaNor;  // 3 per quadrilateral
  float *QuaSol;  // 4 per quadrilateral, or null
  int *QuaSrc;
};

// Builds the cap of the chain of elements that starts at `head` (links[e].Nxt is the next
// element, 0 ends it) for the plane (a, b, c, d in mesh coordinates). *cap is set to null
// first. Kind 4 takes tetrahedra, room for n + 1 pieces of each shape for n cut elements;
// kind 5 hexahedra, 6n + 6; kinds 30 and 33 P2 tetrahedra and Q2 hexahedra as those. Field
// values are stored when `palette` is given, read from its per-vertex Sol when the mesh has a
// vertex solution (else 0). Results:
//   null plane or null cap pointer: 0;
//   another kind: prints " zel_capping undefined for type %d \n", leaves the cap null, 1;
//   no mesh, display coordinates or links, or memory refused: 0 with a null cap (the builder
//   then draws the cut elements' faces without cap);
//   else 1 with *cap the new cap, owned by the caller.
int zel_cappingmesh(int kind, int head, const double *plane, ZelPalette *palette,
                    Geometric_Mesh *mesh, ZelMesh *zmesh, ZelLink *links, GLMesh **cap);

// The elements of the chain from `head` whose tag has bits 31 (alive), 28 (clipped) and 27
// (visible), in chain order, for a capping kind (4, 5, 30 or 33); *count gets their
// number (0 first). A chain that leaves the kind's element range or runs longer than it
// stops there. Null when the mesh or the links are missing, for another kind, or when the
// list cannot be allocated; else a malloc'ed array (non-null even when empty) the caller
// frees.
int *zel_getclippedentities(int kind, int head, Geometric_Mesh *mesh, ZelLink *links, int *count);

// A cap with both counts 0, the given capacities, and the corner-value arrays when withSol is
// non-zero. Null when a capacity is negative or any array cannot be allocated (nothing is
// left allocated then).
GLMesh *zel_allocGLMesh(int maxTri, int maxQua, int withSol);

// Frees every array present and the record; null is accepted. Returns 0.
int zel_freeGLMesh(GLMesh *cap);

// Cuts the tetrahedron of the four vertex numbers by the plane and appends its piece, recorded
// as coming from `element`. Signed values on mesh coordinates, corners interpolated on the
// display coordinates: from vertex u towards w, t = |s_u / (s_w - s_u)| (1 when the values are
// equal), corner D_u + (D_w - D_u) t in float, value (F_w - F_u) t + F_u. A tetrahedron with a
// value that is not a number, or a vertex number outside the mesh, gives nothing. A full cap
// prints " capping: enlarge quad space %d-%d  \n" or " capping: enlarge tri space %d-%d \n"
// (count, capacity) and drops the piece.
void zel_cappingtet(const double *plane, ZelPalette *palette, Geometric_Mesh *mesh, ZelMesh *zmesh,
                    int element, const int *vertices, GLMesh *cap);

// The same for a hexahedron given by its 8 vertex numbers: split by zelSplitHexahedron, every
// tetrahedron cut by zel_cappingtet and recorded as coming from `element`.
void zel_cappinghex(const double *plane, ZelPalette *palette, Geometric_Mesh *mesh, ZelMesh *zmesh,
                    int element, const int *vertices, GLMesh *cap);

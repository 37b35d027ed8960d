// The camera of a scene and its list of saved views.
//
// Display coordinates are mesh coordinates moved to the scene centre and scaled by InvDmaxSca,
// so a mesh fills about one unit around the origin; the camera works in that frame. Matrices
// follow ZelMatrix.h (16 doubles, read column by column by OpenGL).
#pragma once

#include <cstdint>

struct Memory_List;

struct ZelView {
  double Trn[3];      // translation of the projection, (0, 0, -zelFramingDistance) at creation
  double Ctr[3];      // rotation centre, display coordinates
  double Fov;         // field of view in degrees
  double Dmax;        // largest extent of the box
  double Dmax2;       // second extent: min(y extent, dmax) in 2-D, min(z extent, dmax) in 3-D
  double Near, Far;   // clipping distances of the projection
  double Box[6];      // xmin, ymin, zmin, xmax, ymax, zmax in display coordinates
  int32_t Width, Height;  // window size in pixels
  double Mat[16];     // model matrix
  double IniMat[16];  // initial model matrix, restored by the reset of the view
  double IniFov;
  int32_t Flag;       // 0
};

// One saved camera: 25 doubles.
struct ZelViewBucket {
  double Trn[3];
  double Ctr[3];
  double Fov, Near, Far;
  double Mat[16];
};

enum : int { ZelMaxView = 100 };

struct ZelViewList {
  int MaxView;            // 100
  int NbrView;            // saved views, in Head[0 .. NbrView-1]
  ZelViewBucket **Head;   // MaxView pointers, null where nothing is saved
};

// The distance at which a camera of this field of view (degrees, the vertical one) shows the
// whole of a box of these extents (dmax the largest), however it is turned, in a view at least
// as wide as high: the box's circumscribed sphere fits the field of view; never nearer than
// 2 dmax, which leaves flat boxes as large as they were. At most 2.27 dmax for fov 45, so the
// box stays between near 0.5 dmax and far 4 dmax.
double zelFramingDistance(double fov, const double ext[3], double dmax);

// A camera on a box of display coordinates (xmin ymin zmin xmax ymax zmax): fov 45, rotation
// centre in the middle of the box, near 0.5 dmax, far 4 dmax, translation (0, 0, -distance)
// with zelFramingDistance,
// window 10 by 10, initial and model matrix turned by -60, 0, -120 degrees about x, y, z in
// 3-D and the identity in 2-D. dmax is the largest absolute extent; a box with no extent
// (dmax <= 1e-16) counts as a box of extent 1, so near and far stay apart. A failed allocation
// ends the process.
ZelView *zelNewView(Memory_List *mem, int dim, const double box[6]);
// Return null for the caller to store.
ZelView *zelFreeView(Memory_List *mem, ZelView *view);

// A new empty list of MaxView slots; a failed allocation ends the process.
ZelViewList *zelNewBakView(Memory_List *mem);
// Frees every saved view, the slots and the list.
ZelViewList *zelFreeBakView(Memory_List *mem, ZelViewList *list);

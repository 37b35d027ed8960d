// Input events and key commands: what keys and the mouse do to a scene.
//
// The OpenGL view fills the input part of the scene's view event (ZelScene::VieEvt), or of its
// clip event (ClpEvt) while the scene edits a clip plane (ZelScene::Mode 1), from each key
// press, mouse press and mouse move, and calls the three zelProcess... operations below; they
// change flags, render options, camera, clip plane and active field, and say whether the view
// must be redrawn. The view binds its events straight to them and replays the same event on
// linked views. The trackball and pan state they leave in the event is folded into the model
// matrix at the next paint. Every operation makes the scene's GL context current first.
//
// Key commands (keyChar in 43..122, then keyBits compared for equality with one key):
//   +  -   one layer more, less in mini-mesh mode
//   <  >   previous, next field of the vertex solution (shown the same way)
//   B      bounding box            C  capping (a plane on)      D  vertex points
//   F f    face mode of volumes, of faces (cycles 0 1 2 3)     L l  line mode of edges, of all
//   M      metric glyphs or vectors of the field            O  iso-surfaces
//   P      element numbers         S  show the last hidden record   T  tessellation - 1
//   V      rotation centre on the last pick                  X  show the last hidden element
//   Z z    zoom out, in            a  axis     b  background inverted    c  centre marker
//   d      flag 0x2000             e  transparency    g  mesh features    i  camera reset
//   k      2-D / 3-D view          m  colour map      o  iso-lines        r  lighting
//   s      hide the picked record  t  tessellation + 1   v  full volumes   w  GL information
//   x      hide the picked element
//   F1 clip plane on/off, F2 clip-plane editing, F5 shrink on/off, F6 F7 shrink less/more,
//   F12 immediate-mode drawing.
// Mouse: Shift+left picks an element, Shift+middle a vertex, Alt+left an edge on a face,
// Alt+middle a normal; left drags turn (trackball), middle drags pan; in clip-edit mode they
// turn and move the current plane instead.
//
// GUI thread only; nothing is locked.
#pragma once

#include <cstdint>

typedef struct Zel_Event ZelEvent;
struct ZelPlaEntity;
typedef struct Zel_Scene ZelScene;

// Applies the key held in the view event (also in clip-edit mode); 1 when the view must be
// redrawn, else 0 (also for a missing scene or event, and when a key lacks what it needs).
int zelProcessKeyEvent(ZelScene *scene);
// Starts a gesture at window position (x, y): picks when a modifier asks for it and resets the
// trackball (keyBits are cleared: a modifier counts for one press). Returns the pick result.
int zelProcessMousePressEvent(ZelScene *scene, int x, int y);
// Continues a gesture; 1 when something moved.
int zelProcessMouseMoveEvent(ZelScene *scene, int x, int y);
// Ends a gesture. In clip-edit mode the current plane is marked where the gesture left it
// (zelSetPlaneClip, a "CLIPPING" context on the scene's memory list and pool) and the lists it
// leaves stale are rebuilt (zelUpdateClipDisplayLists); returns 1, the view must be redrawn.
// 0 and nothing in view mode or without scene, display mesh or planes.
int zelProcessMouseReleaseEvent(ZelScene *scene);

// Toggles behind keys and menu actions. Each sets the out-flags it applies to (may be null) to
// 1: redraw and refresh of the panels; they return 1 when they acted, 0 when the scene lacks
// what they need (a plane entity, a solution).
void switch_capping(ZelScene *scene, int *redraw, int *widgets);
int switch_colormap(ZelScene *scene, int *redraw, int *widgets);
int switch_isolines(ZelScene *scene, int *redraw, int *widgets);
int switch_isosurfaces(ZelScene *scene, int *redraw, int *widgets);
int increase_tesselation(ZelScene *scene, int *redraw);
// Switches the current clip plane on or off (a zero plane becomes x = centre x first), and
// rebuilds the lists the plane changes (zelUpdateClipDisplayLists).
int switch_clip_plane(ZelScene *scene, int *redraw, int *widgets, int unused);
// Prints the description of the current OpenGL context on standard output.
void getGlinfo();

// ---- The steps of a gesture, without GL ----------------------------------------------------
// Window sizes below 1 count as 1.

// Trackball step of a drag (dx, dy) from the press point in a w x h window: the point on the
// virtual sphere V, axis = lastVec x V, angle = |V - lastVec| x 180 degrees, lastVec = V.
void zelTrackballStep(ZelEvent *evt, int dx, int dy, int w, int h);
// Pan step of a drag (dx, dy) in a w x h window, dmax the camera's extent, fov in degrees:
// panX += kx (dx / w) dmax t, panY += ky (dy / h) dmax t, t = tan(0.9 fov pi / 180). The
// view pans with (2, -2), clip-plane editing with (-5, 5).
void zelPanStep(ZelEvent *evt, int dx, int dy, int w, int h, double dmax, double fov, double kx, double ky);
// R: the inverse of the camera matrix without its translation (display to mesh directions).
void zelCameraInverse(const double mat[16], double R[16]);
// Moves the current plane's editing frame along the plane normal by the pan (panX, panY)
// carried by R; every component of the frame translation stays within [-lim, lim].
void zelClipTranslateStep(ZelPlaEntity *pla, const double R[16], double panX, double panY, double lim);
// Turns the current plane's editing frame by angle degrees about the axis carried by R.
void zelClipRotateStep(ZelPlaEntity *pla, const double R[16], const double axis[3], double angle);
// Current plane from its editing frame: plane matrix = base x rotation, coefficients =
// transpose(inverse) x (frame normal, frame offset), back to mesh coordinates with the scene
// centre ctr and scale s.
void zelClipPlaneUpdate(ZelPlaEntity *pla, const double ctr[3], double s);

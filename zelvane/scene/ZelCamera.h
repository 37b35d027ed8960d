// What the window asks of the scene when it paints, and the camera's saved views.
//
// The window's paint runs: zelReshapeScene; clear to the background; fold the view event's
// pending rotation and pan into the model matrix and clear ZelFlgViewApplied; load the
// model-view matrix (model matrix, then a translation by minus the rotation centre);
// zelDisplayScene; the tools; the picked item; zelDisplaySceneCenter with ZelFlgCentre; the
// palette, axis and time.
//
// Saved views live in the scene's ZelViewList until the scene is freed. A view file holds one
// line per view: its 0-based index, then translation and rotation centre, fov, near and far,
// and the 16 model-matrix values as OpenGL holds them, each printed like "%lg" (six
// significant digits). Files are written and read the same whatever the process locale.
// GUI thread only; GL calls need the scene's context current, which the drawing calls make so.
#pragma once

typedef struct Zel_Scene ZelScene;
typedef struct Zel_Event ZelEvent;
struct ZelView;
struct ZelViewBucket;

// Projection for a window of width x height pixels (a height below 1 takes the stored size,
// else the size is stored in the camera): viewport, then the perspective of the camera's fov,
// near and far followed by its translation, loaded with glLoadMatrixd; the model-view matrix
// is left current. Nothing without scene or camera.
void zelReshapeScene(ZelScene *scene, int width, int height);
// Draws the scene: depth test in 3-D, the main lists (zelDisplayGlList), the outline and frame
// of each shown clip plane, the capping check, the normals of the last pick (flag bit 30), the
// paths (bit 29), the bounding box (0x800); depth test off. The caller flushes the frame once
// it is whole. Nothing without scene or camera.
void zelDisplayScene(ZelScene *scene);
// Composes the main lists and calls the wire and face lists: in 3-D wire then faces, in 2-D
// faces then wire and a second composition pass drawn over them.
void zelDisplayGlList(ZelScene *scene);
// The camera's box enlarged by 1% of its extent on each side, as 12 lines of colour (1, 0, 0.5).
void zelDisplayBoundingBox(ZelScene *scene);
// The rotation centre as one red point of size 5.
void zelDisplaySceneCenter(ZelScene *scene);
// Moves the rotation centre to the last picked item: its centre of gravity, or for an edge
// picked on a face (kind 200) the middle of the two vertices on top of the stack; the view
// event's pan is reset. 1 moved; 0 without mesh, camera, view event or pick, for a single
// entry of kind 200, an invalid vertex or element, or a kind without a centre.
int zelChangeCenter(ZelScene *scene);

// Saved views.
// Appends the current camera; the new number of saved views, 0 when the list is full
// ("###### WARNING : TOO MANY VIEW SAVED (NBRVIEW = %d)\n") or without camera or list.
int zelSaveView(ZelScene *scene);
// Applies saved view i (translation, centre, fov, near, far, model matrix; reshape; flag
// ZelFlgViewApplied), or for i = -1 the initial camera: initial matrix and fov, centre in the
// middle of the box, the view event's rotation and pan cleared, the translation kept. An index
// below -1 or from MaxView on prints
// "###### WARNING : INVALID NBRVIEW (%d) MUST BE LESS THAN OR EQUAL TO %d\n". 1 applied, else 0.
int setSavedView(ZelScene *scene, int i);
// Writes every saved view to the file, whatever room the list has left. 1 written; 0 without
// list or when the file cannot be created or written. how: the bits of the write
// (common/base/UserFile.h).
int zelSaveViewInFile(ZelScene *scene, const char *path, int how = 0);
// Reads the views of a file into the slots from NbrView on, up to 100 views in the list, and
// returns how many it stored; the caller raises NbrView by that count. A line that ends before
// its 25 numbers, or a number that is not a finite number, ends the reading. A full list, or
// one that fills up, prints the TOO MANY warning. 0 without list or for a file that cannot be
// opened.
int zelLoadView(ZelScene *scene, const char *path);
// The camera's 25 saved numbers into a bucket; and a bucket applied to the camera as a saved
// view is (translation, centre, fov, near, far, reshape at the stored size, model matrix, flag
// ZelFlgViewApplied).
void zelViewToBucket(const ZelView *view, ZelViewBucket *bucket);
void zelApplyViewBucket(ZelScene *scene, const ZelViewBucket *bucket);
// Copies the event into the target's view event and, when both scenes have a camera, the
// source's model matrix into the target's; the target gets ZelFlgViewApplied. 1 done, 0 when
// a scene is missing; with a null event nothing is copied and the answer is 1 when both scenes
// exist (the test the image saving makes of a linked view).
int zelLnkSceneView(const ZelEvent *event, ZelScene *from, ZelScene *to);

// Matrices (column-major doubles, as OpenGL reads them).
// Identity turned about axes[0], axes[1], axes[2] by angles[0..2] degrees, in that order.
void zelIniMat(double matrix[16], const double angles[3], const double axes[3][3]);
// The classic frustum and perspective matrices, and m = m x translation(x, y, z).
void zel_glhFrustumf2(double m[16], double left, double right, double bottom, double top,
                      double znear, double zfar);
void zel_glhPerspectivef2(double m[16], double fov, double aspect, double znear, double zfar);
void zel_glhTranslated2(double m[16], double x, double y, double z);

// Entries without a caller in the viewer.
// Copies translation, centre, fov, both extents, near, far, box and window size, not the
// matrices. Nothing when one is null.
void zelCpyView(const ZelView *from, ZelView *to);
// Viewport on the left (right = 0) or right half of the window with the perspective of that
// half.
void zelMultiView(ZelScene *scene, int right);
// The upper-left 3x3 of the current GL model-view matrix applied to a vector.
void zelGetAxis(double result[3], const double vector[3]);

// Paths: polylines read from text files and drawn over the mesh.
//
// A path file holds one point per line, three numbers in mesh coordinates. The scene keeps its
// paths in a list (newest first) and draws them when its paths flag is set, each path in the
// reference colour of its rank in the list. Paths are made with malloc; a path linked into a
// scene belongs to the scene from then on and is freed with it (zelFreeScene calls
// zelFreePaths). An unlinked path is its maker's to free (zelFreePath). GUI thread only.
#pragma once

#include <cstdint>

typedef struct Zel_Scene ZelScene;

enum : int { ZelPathMax = 10000 };  // points a path holds

struct ZelPath {
  int64_t NbrVer;      // points stored, 0..ZelPathMax
  double (*Ver)[3];    // ZelPathMax + 1 points, entry 0 unused
  ZelPath *Nxt;        // next path of the scene's list
};

// A new empty path with room for ZelPathMax points, unlinked; null when memory runs out.
ZelPath *zelIniPath();
// Appends a point. A full path keeps its points and its count. The path's place in a list is
// left as it is: the paths linked after it stay reachable, drawn and freed with the scene.
void zelAddVer(ZelPath *path, const double p[3]);
// Reads a path file: points until a line does not give three numbers; when ZelPathMax points
// are stored the rest is left and " incomplete path recovered ! " is printed on standard
// output. Null when the file cannot be opened for reading (read-only files are read).
ZelPath *zelAddPath(const char *name);
// Pushes the path at the head of the scene's list, which owns it from then on; a null path is
// ignored.
void zelLinkPath(ZelScene *scene, ZelPath *path);
// Frees one path (its points, then the record); returns null. A null path is ignored.
ZelPath *zelFreePath(ZelPath *path);
// Frees every path of the scene's list and empties it; nothing for a null scene.
void zelFreePaths(ZelScene *scene);
// Draws every path of the list: its points (size 3) then its segments (width 1), the k-th path
// (k from 1) in reference colour k mod 21, at display coordinates. Nothing for a null scene.
void zelGlPath(ZelScene *scene);

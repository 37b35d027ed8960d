// Per-scene options, read once from a small text file beside the mesh: the verbose mask of the
// pick reports, a palette of five iso values and a bounding box replacing the computed ones.
#pragma once

struct Memory_List;

struct ZelSceneOptions {
  int verbose;       // bits of what a pick report prints
  int palCount;      // 0 when the file gave no valid palette, else 5
  double pal[5];     // iso values, non-decreasing
  int hasBox;        // 1 when box holds a complete bounding box from the file
  double box[6];     // xmin, ymin, zmin, xmax, ymax, zmax
};

// A new zeroed record; a failed allocation ends the process.
ZelSceneOptions *zelNewSceneOpt(Memory_List *mem);
// Returns null for the caller to store.
ZelSceneOptions *zelFreeSceneOpt(Memory_List *mem, ZelSceneOptions *opt);

// Reads "<baseName>.zelvane", else "DEFAULT.zelvane" from the working directory. Errors in the
// file are reported and reading goes on; a missing file leaves opt as it is. Numbers are read
// the same whatever the process locale.
void zelReadZelSceneOptions(const char *baseName, ZelSceneOptions *opt);

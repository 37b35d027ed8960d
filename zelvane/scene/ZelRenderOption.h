// The render-option block: how one display record (or, at the head of the scene, every new
// record) is drawn. The same block sits in the scene, where it holds the defaults, and in every
// display record, where the panels and key commands change it.
#pragma once

#include <cstdint>

// Render word bits.
enum : uint32_t {
  ZelRndLighting = 0x1,          // lighting of faces on
  ZelRndFaceShift = 1,           // face mode in bits 1-3
  ZelRndFaceMask = 0x7u << 1,    //   0 reference colour, 1 background, 2 no faces, 3 grey
  ZelRndLineShift = 4,           // line mode in bits 4-6
  ZelRndLineMask = 0x7u << 4,    //   0 reference colour, 1 contrast, 2 no lines, 3 grey
  ZelRndTransparent = 0x80,      // transparent faces
  ZelRndArrows = 0x100,          // normal arrows
  ZelRndImmediate = 1u << 28,    // immediate-mode drawing (read from the scene's word only)
};

// Face and line modes (values of the two 3-bit fields).
enum : uint32_t { ZelModeRef = 0, ZelModeBack = 1, ZelModeOff = 2, ZelModeGrey = 3 };

// Solution word bits of a display record.
enum : uint32_t {
  ZelSolShading = 0x1,
  ZelSolIsoLines = 0x2,
  ZelSolIsoSurfaces = 0x4,
  ZelSolVectors = 0x8,
  ZelSolCarried = 0x10,  // carried over from the scene's 0x100 as it is
  ZelSolMetric = 0x20,
};

struct ZelRenderOption {
  uint32_t Render;     // render word (ZelRnd* bits)
  uint32_t Solution;   // solution word (ZelSol* bits)
  float Shrink;        // shrink factor, 1 for none
  int32_t TessLevel;   // tessellation level of curved elements, 1..32
  double NormalScale;  // length factor of normal arrows (negative: reversed)
  double VectorScale;  // length factor of vector arrows (drawn VectorScale / 500 long)
  uint32_t Kinds;      // scene: kinds present (ZelKinds* bits of ZelScene.h); records: unused
  float LineWidth;
};

// Vector scale of a new scene. An arrow is VectorScale / 500 of the mesh's largest extent
// long, and the opening zoom shows that extent over 60% of the view's height: at 20 an arrow
// is about 15 pixels long in a new window (19 in a view of 800 x 800), where at 1 it would be
// under a pixel and look like nothing. The solution panel's vector scale changes it.
constexpr double ZelVectorScaleStart = 20.0;

// Defaults of every new record: render word 23 (lighting, grey faces, contrast lines),
// solution word 0, shrink 1, tessellation 8, normal scale 1, vector scale ZelVectorScaleStart,
// Kinds 0, line width 1.
void zelIniRenderOption(ZelRenderOption *opt);

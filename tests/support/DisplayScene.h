// Scenes with their display records, for the tests of display-list management, scene drawing,
// saved views and saved states: opened headless like the window opens them, the records made
// in the GL context current at the time (a test's GLHarness, else a small one kept for the
// process, made current), the scene freed and the memory list checked empty at scope exit.
#pragma once

#include <functional>

struct Memory_List;
struct Geometric_Mesh;
typedef struct Zel_Scene ZelScene;

// One element of every kind the scene draws (edges, P2 edges, triangles, P2 triangles,
// quadrilaterals, Q2 quadrilaterals, tetrahedra, P2 tetrahedra, pyramids, prisms, hexahedra,
// Q2 hexahedra) on the 27 vertices of a 3 x 3 x 3 grid, each of reference 10 x its kind code,
// and one normal (reference 200).
Geometric_Mesh *EveryKindMesh(Memory_List *mem);

class DisplayScene {
 public:
  // make builds the mesh from the scene's memory list; setup = false leaves the records unmade.
  // What opening prints on standard output is swallowed.
  explicit DisplayScene(const std::function<Geometric_Mesh *(Memory_List *)> &make, bool setup = true);
  ~DisplayScene();
  DisplayScene(const DisplayScene &) = delete;
  DisplayScene &operator=(const DisplayScene &) = delete;

  ZelScene *operator->() const { return scene_; }
  ZelScene *get() const { return scene_; }
  Memory_List *mem() const { return mem_; }

 private:
  Memory_List *mem_;
  ZelScene *scene_;
};

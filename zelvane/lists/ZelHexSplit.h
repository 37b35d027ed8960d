// The split of a hexahedron into five or six tetrahedra, chosen from its vertex numbers alone.
//
// Vertices 0-1-2-3 form one face and 4-5-6-7 the opposite one, vertex i + 4 joined to vertex
// i. The hexahedron is first turned so that its smallest vertex number comes first, then the
// faces at the opposite corner are counted whose diagonal through their smallest vertex
// number passes through that corner; the count picks one of four splits. The choice needs
// only integer comparisons of vertex numbers, so neighbouring hexahedra make theirs without
// shared state. The capping of cut volumes and the hexahedron iso-surfaces both use it. Pure;
// any thread.
#pragma once

// Writes the tetrahedra of the split as positions (0..7) into `ver`, four per tetrahedron,
// and returns their number, 5 or 6. Every tetrahedron has a positive volume when the
// hexahedron is positively oriented, as the unit cube numbered (0,0,0), (1,0,0), (1,1,0),
// (0,1,0), then the same four at z = 1.
int zelSplitHexahedron(const int ver[8], int tet[6][4]);

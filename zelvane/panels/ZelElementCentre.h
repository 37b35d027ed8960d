// The centre of one mesh element, as the clip-plane panel moves a plane through it.
//
// The centre is the mean of the element's nodes in single precision: each coordinate of each
// node converted to a 32-bit float, the three sums started at 0 and fed in the record's node
// order, each divided by the node count in 32-bit arithmetic, the result widened back to
// double. Every node counts, the mid-edge, face and centre nodes of the curved kinds too:
//
//   kind  element           nodes     kind  element            nodes
//    4    vertex            itself     24   P2 triangle          6
//    5    edge                2        25   P2 edge              3
//    6    triangle            3        27   Q2 quadrilateral     9
//    7    quadrilateral       4        30   P2 tetrahedron      10
//    8    tetrahedron         4        33   Q2 hexahedron       27
//    9    prism               6        49   pyramid              5
//   10    hexahedron          8
//
// Pure: reads the mesh, writes nothing but the result. Any thread.
#pragma once

struct Geometric_Mesh;

// Whether the kind has a centre in the table above.
bool zelHasElementCentre(int kind);

// The centre of element `number` of `kind`. False, with `centre` untouched, for a kind outside
// the table, a number outside 1..the kind's count (geoCheckBound), or a node outside the
// mesh's vertices; a null mesh gives false.
bool zelElementCentre(const Geometric_Mesh *msh, int number, int kind, double centre[3]);

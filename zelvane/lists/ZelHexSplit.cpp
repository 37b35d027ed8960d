// Hexahedron split into tetrahedra by rotation to the smallest vertex number and a count of
// face diagonals at the opposite corner.
#include "zelvane/lists/ZelHexSplit.h"

namespace {

// Row m: the position in the vertex list that moves to local corner j, turning the
// hexahedron so that corner m becomes corner 0.
const int Rotation[8][8] = {
    {0, 1, 2, 3, 4, 5, 6, 7}, {1, 2, 3, 0, 5, 6, 7, 4}, {2, 3, 0, 1, 6, 7, 4, 5},
    {3, 0, 1, 2, 7, 4, 5, 6}, {4, 7, 6, 5, 0, 3, 2, 1}, {5, 4, 7, 6, 1, 0, 3, 2},
    {6, 5, 4, 7, 2, 1, 0, 3}, {7, 6, 5, 4, 3, 2, 1, 0},
};

// Row n: the tetrahedra, in local corners, for n diagonals through corner 6.
const int Splits[4][6][4] = {
    {{0, 1, 2, 5}, {0, 2, 7, 5}, {0, 2, 3, 7}, {0, 5, 7, 4}, {2, 7, 5, 6}, {0, 0, 0, 0}},
    {{0, 5, 7, 4}, {0, 1, 7, 5}, {1, 6, 7, 5}, {0, 7, 2, 3}, {0, 7, 1, 2}, {1, 7, 6, 2}},
    {{0, 4, 5, 6}, {0, 3, 7, 6}, {0, 7, 4, 6}, {0, 1, 2, 5}, {0, 3, 6, 2}, {0, 6, 5, 2}},
    {{0, 2, 3, 6}, {0, 3, 7, 6}, {0, 7, 4, 6}, {0, 5, 6, 4}, {1, 5, 6, 0}, {1, 6, 2, 0}},
};

int min2(int a, int b) { return a < b ? a : b; }

}  // namespace

int zelSplitHexahedron(const int ver[8], int tet[6][4]) {
  int m = 0;
  for (int i = 1; i < 8; i++)
    if (ver[i] < ver[m]) m = i;
  const int *rot = Rotation[m];
  int p[8];
  for (int j = 0; j < 8; j++) p[j] = ver[rot[j]];
  int n = (min2(p[1], p[6]) < min2(p[2], p[5])) + (min2(p[3], p[6]) < min2(p[2], p[7])) +
          (min2(p[4], p[6]) < min2(p[5], p[7]));
  int count = n == 0 ? 5 : 6;
  for (int t = 0; t < count; t++)
    for (int k = 0; k < 4; k++) tet[t][k] = rot[Splits[n][t][k]];
  return count;
}

#include "common/kmf/KmfFormat.h"

#include <cstring>
#include <string_view>
#include <unordered_map>

const char *const KmfKwdFmt[KmfMaxKwd + 1][3] = {
    {"Reserved", "", ""},  // 0
    {"MeshVersionFormatted", "", "i"},  // 1
    {"Reserved", "", ""},  // 2
    {"Dimension", "", "i"},  // 3
    {"Vertices", "i", "dri"},  // 4
    {"Edges", "i", "iii"},  // 5
    {"Triangles", "i", "iiii"},  // 6
    {"Quadrilaterals", "i", "iiiii"},  // 7
    {"Tetrahedra", "i", "iiiii"},  // 8
    {"Prisms", "i", "iiiiiii"},  // 9
    {"Hexahedra", "i", "iiiiiiiii"},  // 10
    {"Reserved", "", ""},  // 11
    {"Reserved", "", ""},  // 12
    {"Corners", "i", "i"},  // 13
    {"Ridges", "i", "i"},  // 14
    {"RequiredVertices", "i", "i"},  // 15
    {"RequiredEdges", "i", "i"},  // 16
    {"RequiredTriangles", "i", "i"},  // 17
    {"RequiredQuadrilaterals", "i", "i"},  // 18
    {"TangentAtEdgeVertices", "i", "iii"},  // 19
    {"NormalAtVertices", "i", "ii"},  // 20
    {"NormalAtTriangleVertices", "i", "iii"},  // 21
    {"NormalAtQuadrilateralVertices", "i", "iiii"},  // 22
    {"AngleOfCornerBound", "", "r"},  // 23
    {"TrianglesP2", "i", "iiiiiii"},  // 24
    {"EdgesP2", "i", "iiii"},  // 25
    {"SolAtPyramids", "i", "sr"},  // 26
    {"QuadrilateralsQ2", "i", "iiiiiiiiii"},  // 27
    {"ISolAtPyramids", "i", "iiiii"},  // 28
    {"SubDomainFromGeom", "i", "iii"},  // 29
    {"TetrahedraP2", "i", "iiiiiiiiiii"},  // 30
    {"Fault_NearTri", "i", "i"},  // 31
    {"Fault_Inter", "i", "i"},  // 32
    {"HexahedraQ2", "i", "iiiiiiiiiiiiiiiiiiiiiiiiiiii"},  // 33
    {"ExtraVerticesAtEdges", "i", "in"},  // 34
    {"ExtraVerticesAtTriangles", "i", "in"},  // 35
    {"ExtraVerticesAtQuadrilaterals", "i", "in"},  // 36
    {"ExtraVerticesAtTetrahedra", "i", "in"},  // 37
    {"ExtraVerticesAtPrisms", "i", "in"},  // 38
    {"ExtraVerticesAtHexahedra", "i", "in"},  // 39
    {"VerticesOnGeometricVertices", "i", "ii"},  // 40
    {"VerticesOnGeometricEdges", "i", "iirr"},  // 41
    {"VerticesOnGeometricTriangles", "i", "iirrr"},  // 42
    {"VerticesOnGeometricQuadrilaterals", "i", "iirrr"},  // 43
    {"EdgesOnGeometricEdges", "i", "ii"},  // 44
    {"Fault_FreeEdge", "i", "i"},  // 45
    {"Polyhedra", "i", "iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii"},  // 46
    {"Polygons", "", "iiiiiiiii"},  // 47
    {"Fault_Overlap", "i", "i"},  // 48
    {"Pyramids", "i", "iiiiii"},  // 49
    {"BoundingBox", "", "drdr"},  // 50
    {"Reserved", "", ""},  // 51
    {"PrivateTable", "i", "i"},  // 52
    {"Fault_BadShape", "i", "i"},  // 53
    {"End", "", ""},  // 54
    {"TrianglesOnGeometricTriangles", "i", "ii"},  // 55
    {"TrianglesOnGeometricQuadrilaterals", "i", "ii"},  // 56
    {"QuadrilateralsOnGeometricTriangles", "i", "ii"},  // 57
    {"QuadrilateralsOnGeometricQuadrilaterals", "i", "ii"},  // 58
    {"Tangents", "i", "dr"},  // 59
    {"Normals", "i", "dr"},  // 60
    {"TangentAtVertices", "i", "ii"},  // 61
    {"SolAtVertices", "i", "sr"},  // 62
    {"SolAtEdges", "i", "sr"},  // 63
    {"SolAtTriangles", "i", "sr"},  // 64
    {"SolAtQuadrilaterals", "i", "sr"},  // 65
    {"SolAtTetrahedra", "i", "sr"},  // 66
    {"SolAtPrisms", "i", "sr"},  // 67
    {"SolAtHexahedra", "i", "sr"},  // 68
    {"DSolAtVertices", "i", "sr"},  // 69
    {"ISolAtVertices", "i", "i"},  // 70
    {"ISolAtEdges", "i", "ii"},  // 71
    {"ISolAtTriangles", "i", "iii"},  // 72
    {"ISolAtQuadrilaterals", "i", "iiii"},  // 73
    {"ISolAtTetrahedra", "i", "iiii"},  // 74
    {"ISolAtPrisms", "i", "iiiiii"},  // 75
    {"ISolAtHexahedra", "i", "iiiiiiii"},  // 76
    {"Iterations", "", "i"},  // 77
    {"Time", "", "r"},  // 78
    {"Fault_SmallTri", "i", "i"},  // 79
    {"CoarseHexahedra", "i", "i"},  // 80
    {"Comments", "i", "c"},  // 81
    {"PeriodicVertices", "i", "ii"},  // 82
    {"PeriodicEdges", "i", "ii"},  // 83
    {"PeriodicTriangles", "i", "ii"},  // 84
    {"PeriodicQuadrilaterals", "i", "ii"},  // 85
    {"PrismsP2", "i", "iiiiiiiiiiiiiiiiiii"},  // 86
    {"PyramidsP2", "i", "iiiiiiiiiiiiiii"},  // 87
    {"QuadrilateralsQ3", "i", "iiiiiiiiiiiiiiiii"},  // 88
    {"QuadrilateralsQ4", "i", "iiiiiiiiiiiiiiiiiiiiiiiiii"},  // 89
    {"TrianglesP3", "i", "iiiiiiiiiii"},  // 90
    {"TrianglesP4", "i", "iiiiiiiiiiiiiiii"},  // 91
    {"EdgesP3", "i", "iiiii"},  // 92
    {"EdgesP4", "i", "iiiiii"},  // 93
    {"IRefGroups", "i", "ciii"},  // 94
    {"DRefGroups", "i", "iii"},  // 95
    {"TetrahedraP3", "i", "iiiiiiiiiiiiiiiiiiiii"},  // 96
    {"TetrahedraP4", "i", "iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii"},  // 97
    {"HexahedraQ3", "i", "iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii"},  // 98
    {"HexahedraQ4", "i", "iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii"},  // 99
    {"PyramidsP3", "i", "iiiiiiiiiiiiiiiiiiiiiiiiiiiiiii"},  // 100
    {"PyramidsP4", "i", "iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii"},  // 101
    {"PrismsP3", "i", "iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii"},  // 102
    {"PrismsP4", "i", "iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii"},  // 103
    {"HOSolAtEdgesP1", "i", "hr"},  // 104
    {"HOSolAtEdgesP2", "i", "hr"},  // 105
    {"HOSolAtEdgesP3", "i", "hr"},  // 106
    {"HOSolAtTrianglesP1", "i", "hr"},  // 107
    {"HOSolAtTrianglesP2", "i", "hr"},  // 108
    {"HOSolAtTrianglesP3", "i", "hr"},  // 109
    {"HOSolAtQuadrilateralsQ1", "i", "hr"},  // 110
    {"HOSolAtQuadrilateralsQ2", "i", "hr"},  // 111
    {"HOSolAtQuadrilateralsQ3", "i", "hr"},  // 112
    {"HOSolAtTetrahedraP1", "i", "hr"},  // 113
    {"HOSolAtTetrahedraP2", "i", "hr"},  // 114
    {"HOSolAtTetrahedraP3", "i", "hr"},  // 115
    {"HOSolAtPyramidsP1", "i", "hr"},  // 116
    {"HOSolAtPyramidsP2", "i", "hr"},  // 117
    {"HOSolAtPyramidsP3", "i", "hr"},  // 118
    {"HOSolAtPrismsP1", "i", "hr"},  // 119
    {"HOSolAtPrismsP2", "i", "hr"},  // 120
    {"HOSolAtPrismsP3", "i", "hr"},  // 121
    {"HOSolAtHexahedraQ1", "i", "hr"},  // 122
    {"HOSolAtHexahedraQ2", "i", "hr"},  // 123
    {"HOSolAtHexahedraQ3", "i", "hr"},  // 124
    {"BezierBasis", "", "i"},  // 125
    {"ByteFlow", "i", "i"},  // 126
    {"EdgesP2Ordering", "i", "i"},  // 127
    {"EdgesP3Ordering", "i", "i"},  // 128
    {"TrianglesP2Ordering", "i", "iii"},  // 129
    {"TrianglesP3Ordering", "i", "iii"},  // 130
    {"QuadrilateralsQ2Ordering", "i", "ii"},  // 131
    {"QuadrilateralsQ3Ordering", "i", "ii"},  // 132
    {"TetrahedraP2Ordering", "i", "iiii"},  // 133
    {"TetrahedraP3Ordering", "i", "iiii"},  // 134
    {"PyramidsP2Ordering", "i", "iii"},  // 135
    {"PyramidsP3Ordering", "i", "iii"},  // 136
    {"PrismsP2Ordering", "i", "iiii"},  // 137
    {"PrismsP3Ordering", "i", "iiii"},  // 138
    {"HexahedraQ2Ordering", "i", "iii"},  // 139
    {"HexahedraQ3Ordering", "i", "iii"},  // 140
    {"EdgesP1Ordering", "i", "i"},  // 141
    {"EdgesP4Ordering", "i", "i"},  // 142
    {"TrianglesP1Ordering", "i", "iii"},  // 143
    {"TrianglesP4Ordering", "i", "iii"},  // 144
    {"QuadrilateralsQ1Ordering", "i", "ii"},  // 145
    {"QuadrilateralsQ4Ordering", "i", "ii"},  // 146
    {"TetrahedraP1Ordering", "i", "iiii"},  // 147
    {"TetrahedraP4Ordering", "i", "iiii"},  // 148
    {"PyramidsP1Ordering", "i", "iii"},  // 149
    {"PyramidsP4Ordering", "i", "iii"},  // 150
    {"PrismsP1Ordering", "i", "iiii"},  // 151
    {"PrismsP4Ordering", "i", "iiii"},  // 152
    {"HexahedraQ1Ordering", "i", "iii"},  // 153
    {"HexahedraQ4Ordering", "i", "iii"},  // 154
    {"HOSolAtEdgesP4", "i", "hr"},  // 155
    {"HOSolAtTrianglesP4", "i", "hr"},  // 156
    {"HOSolAtQuadrilateralsQ4", "i", "hr"},  // 157
    {"HOSolAtTetrahedraP4", "i", "hr"},  // 158
    {"HOSolAtPyramidsP4", "i", "hr"},  // 159
    {"HOSolAtPrismsP4", "i", "hr"},  // 160
    {"HOSolAtHexahedraQ4", "i", "hr"},  // 161
    {"FloatingPointPrecision", "", "i"},  // 162
    {"HOSolAtEdgesP1NodesPositions", "i", "rr"},  // 163
    {"HOSolAtEdgesP2NodesPositions", "i", "rr"},  // 164
    {"HOSolAtEdgesP3NodesPositions", "i", "rr"},  // 165
    {"HOSolAtEdgesP4NodesPositions", "i", "rr"},  // 166
    {"HOSolAtTrianglesP1NodesPositions", "i", "rrr"},  // 167
    {"HOSolAtTrianglesP2NodesPositions", "i", "rrr"},  // 168
    {"HOSolAtTrianglesP3NodesPositions", "i", "rrr"},  // 169
    {"HOSolAtTrianglesP4NodesPositions", "i", "rrr"},  // 170
    {"HOSolAtQuadrilateralsQ1NodesPositions", "i", "rr"},  // 171
    {"HOSolAtQuadrilateralsQ2NodesPositions", "i", "rr"},  // 172
    {"HOSolAtQuadrilateralsQ3NodesPositions", "i", "rr"},  // 173
    {"HOSolAtQuadrilateralsQ4NodesPositions", "i", "rr"},  // 174
    {"HOSolAtTetrahedraP1NodesPositions", "i", "rrrr"},  // 175
    {"HOSolAtTetrahedraP2NodesPositions", "i", "rrrr"},  // 176
    {"HOSolAtTetrahedraP3NodesPositions", "i", "rrrr"},  // 177
    {"HOSolAtTetrahedraP4NodesPositions", "i", "rrrr"},  // 178
    {"HOSolAtPyramidsP1NodesPositions", "i", "rrr"},  // 179
    {"HOSolAtPyramidsP2NodesPositions", "i", "rrr"},  // 180
    {"HOSolAtPyramidsP3NodesPositions", "i", "rrr"},  // 181
    {"HOSolAtPyramidsP4NodesPositions", "i", "rrr"},  // 182
    {"HOSolAtPrismsP1NodesPositions", "i", "rrrr"},  // 183
    {"HOSolAtPrismsP2NodesPositions", "i", "rrrr"},  // 184
    {"HOSolAtPrismsP3NodesPositions", "i", "rrrr"},  // 185
    {"HOSolAtPrismsP4NodesPositions", "i", "rrrr"},  // 186
    {"HOSolAtHexahedraQ1NodesPositions", "i", "rrr"},  // 187
    {"HOSolAtHexahedraQ2NodesPositions", "i", "rrr"},  // 188
    {"HOSolAtHexahedraQ3NodesPositions", "i", "rrr"},  // 189
    {"HOSolAtHexahedraQ4NodesPositions", "i", "rrr"},  // 190
    {"EdgesReferenceElement", "", "rr"},  // 191
    {"TriangleReferenceElement", "", "rrrrrr"},  // 192
    {"QuadrilateralReferenceElement", "", "rrrrrrrr"},  // 193
    {"TetrahedronReferenceElement", "", "rrrrrrrrrrrr"},  // 194
    {"PyramidReferenceElement", "", "rrrrrrrrrrrrrrr"},  // 195
    {"PrismReferenceElement", "", "rrrrrrrrrrrrrrrrrr"},  // 196
    {"HexahedronReferenceElement", "", "rrrrrrrrrrrrrrrrrrrrrrrr"},  // 197
    {"BoundaryVertices", "", "i"},  // 198
    {"VolumeEdges", "", "i"},  // 199
    {"FaceEdges", "", "i"},  // 200
    {"FaceP2Edges", "", "i"},  // 201
    {"KmfReferences", "", "i"},  // 202
    {"KmfPlanes", "", "i"},  // 203
    {"FileType", "", "i"},  // 204
};

int KmfTypeSize(int type, int dim) {
  switch (type) {
    case KmfSca: return 1;
    case KmfVec: return dim;
    case KmfSymMat: return dim * (dim + 1) / 2;
    case KmfMat: return dim * dim;
    default: return 0;
  }
}

int KmfKeywordKind(int kwd) {
  if (kwd < 1 || kwd > KmfMaxKwd) return KmfKwdAbsent;
  if (!KmfKwdFmt[kwd][1][0]) return KmfKwdInfo;
  const char *line = KmfKwdFmt[kwd][2];
  if (!std::strcmp(line, "sr") || !std::strcmp(line, "hr")) return KmfKwdSol;
  return KmfKwdData;
}

int KmfFindKeyword(const char *name, size_t len) {
  // Built once; names are unique except the "Reserved" placeholders, which are never looked up.
  static const std::unordered_map<std::string_view, int> table = [] {
    std::unordered_map<std::string_view, int> t;
    for (int k = KmfMaxKwd; k >= 1; k--)
      if (std::strcmp(KmfKwdFmt[k][0], "Reserved")) t[KmfKwdFmt[k][0]] = k;
    return t;
  }();
  auto it = table.find(std::string_view(name, len));
  return it == table.end() ? 0 : it->second;
}

#include "zelvane/scene/ZelKinds.h"

#include "common/model/ElementKind.h"

const char *zelGetTypeName(int kind) {
  switch (kind) {
    case KmfVertices: return "vertices";
    case KmfEdges: return "edges";
    case KmfTriangles: return "triangles";
    case KmfQuadrilaterals: return "quads";
    case KmfTetrahedra: return "tetrahedra";
    case KmfPrisms: return "prisms";
    case KmfHexahedra: return "hexahedra";
    case KmfNormalAtVertices: return "normal at vertices";
    case KmfTrianglesP2: return "p2-triangles";
    case KmfEdgesP2: return "p2-edges";
    case KmfQuadrilateralsQ2: return "p2-quads";
    case KmfTetrahedraP2: return "p2-tetrahedra";
    case KmfHexahedraQ2: return "p2-hexahedra";
    case KmfPyramids: return "pyramids";
    case KmfVolumeEdges: return "volume edges";
    case KmfFaceEdges: return "Edge On Face";
    case KmfFaceP2Edges: return "EdgeP2 On Face";
    case KmfPlanes: return "clip planes";
  }
  return "unknow type";
}

const uint8_t ZelRefColors[21][3] = {
    {40, 160, 120},  {205, 55, 0},   {124, 252, 0},   {120, 120, 120}, {255, 215, 0},   {238, 130, 238},
    {205, 200, 177}, {40, 40, 120},  {46, 139, 87},   {255, 0, 0},     {255, 0, 255},   {69, 139, 116},
    {255, 140, 0},   {210, 180, 40}, {152, 251, 152}, {30, 144, 255},  {255, 105, 180}, {139, 134, 78},
    {0, 0, 255},     {34, 139, 34},  {219, 0, 115},
};

int zelRefColorIndex(int ref) {
  // The magnitude in unsigned arithmetic: -INT_MIN has no int.
  unsigned mag = ref < 0 ? 0u - static_cast<unsigned>(ref) : static_cast<unsigned>(ref);
  return static_cast<int>(mag % static_cast<unsigned>(ZelNbrRefColors));
}

// Element kind codes: the keyword numbers of the mesh-file format, plus the codes the library
// keeps for its own kinds at the end of the keyword range. The same integers index the size
// array a mesh is created from, select a kind in every geometry query and name the entities of
// the scene.
#pragma once

enum : int {
  KmfVertices = 4,
  KmfEdges = 5,  // boundary edges
  KmfTriangles = 6,
  KmfQuadrilaterals = 7,
  KmfTetrahedra = 8,
  KmfPrisms = 9,
  KmfHexahedra = 10,
  KmfCorners = 13,
  KmfRidges = 14,
  KmfRequiredVertices = 15,
  KmfRequiredEdges = 16,
  KmfNormalAtVertices = 20,
  KmfTrianglesP2 = 24,
  KmfEdgesP2 = 25,
  KmfSolAtPyramids = 26,
  KmfQuadrilateralsQ2 = 27,
  KmfTetrahedraP2 = 30,
  KmfHexahedraQ2 = 33,
  KmfPyramids = 49,
  KmfEnd = 54,
  KmfNormals = 60,
  KmfSolAtVertices = 62,
  KmfSolAtTriangles = 64,
  KmfSolAtQuadrilaterals = 65,
  KmfSolAtTetrahedra = 66,
  KmfSolAtPrisms = 67,
  KmfSolAtHexahedra = 68,
  KmfIterations = 77,
  KmfTime = 78,
  KmfTrianglesP2Ordering = 129,
  KmfQuadrilateralsQ2Ordering = 131,
  KmfTetrahedraP2Ordering = 133,
  KmfHexahedraQ2Ordering = 139,
  // The library's own kinds.
  KmfBoundaryVertices = 198,
  KmfVolumeEdges = 199,
  KmfFaceEdges = 200,    // edges of faces, made by the scene
  KmfFaceP2Edges = 201,  // second-order edges of faces
  KmfReferences = 202,
  KmfPlanes = 203,       // clip planes, index below 32
  KmfFileType = 204,     // 1 SU2 input, 2 keyword input
};

// Slots of the size array beyond the kinds: the one solution to create.
enum : int {
  KmfSolSizTot = 205,  // values per entity
  KmfSolNbrFld = 206,  // number of fields
  KmfSolTypes = 207,   // type of field 0, then of the next ones
};

// The size array holds KmfSizMshLen ints; the first KmfMaxSizMsh are cleared before use.
enum : int { KmfMaxSizMsh = 2056, KmfSizMshLen = KmfMaxSizMsh + 10 };

// Input file types (mesh and solution FileType).
enum : int {
  FILE_TYPE_SU2 = 1,
  FILE_TYPE_KMF = 2,
  FILE_TYPE_DAT = 3,  // an SU2 solution name (GetInputFileType); never a mesh's type
};

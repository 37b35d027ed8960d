// Loading one or several mesh files and their solution into one mesh.
//
// geoLoadMeshAndSolution makes a size pass over every file, creates the mesh with exact
// capacities, then loads each file in turn, appending: the vertices of a later file are
// numbered after those of earlier files and its elements' nodes are shifted accordingly.
// Invalid elements never stop a load: they stay in the arrays without the alive bit, are
// reported (the first 10 in detail) and flagged by status bit 32.
#pragma once

#include <string>

#include "common/load/SolutionLoad.h"

struct Function_Interface;
struct Geometric_Mesh;
struct KmfMeshFile;

// Option bits of Function_Interface::OptBits read by the loaders.
enum : unsigned {
  LOAD_OPT_PROFILE = 0x1,           // print the memory used after loading
  LOAD_OPT_DEBUG = 0x4,             // trace the pipeline tasks
  LOAD_OPT_NO_CORNERS = 0x200,
  LOAD_OPT_NO_EDGES = 0x400,        // no boundary edge at all
  LOAD_OPT_NO_RIDGES = 0x800,
  LOAD_OPT_NO_NORMALS = 0x1000,     // size pass only
  LOAD_OPT_NO_REQ_VERTICES = 0x2000,
  LOAD_OPT_REF_ZERO = 0x10000,      // references of triangles and P2 edges set to 0
  LOAD_OPT_NO_SURFACE = 0x20000,    // size pass: surface kinds not counted
  LOAD_OPT_NO_VOLUME = 0x40000,     // size pass: volume kinds not counted
  LOAD_OPT_NO_SOLUTION = 0x100000,
  LOAD_OPT_NO_REQ_EDGES = 0x80000000u,
};

// Why a mesh file was refused, as the loader found it. The reasons a path gives no file to read
// are those of a solution's (SolPathWhy), and worded the same.
enum MeshWhy : int {
  MeshTaken = SolTaken,
  MeshLongName = SolLongName,
  MeshMissing = SolMissing,
  MeshUnreadable = SolUnreadable,
  MeshFolder = SolFolder,
  MeshNotRegular = SolNotRegular,
  MeshBeingWritten,   // it changed while the loader read it: a writer is at work on it
  MeshCutShort,       // unchanged, but without its End section: its writer stopped before the end
  MeshHeaderChanged,  // a later Dimension or MeshVersionFormatted of another value than its header's
  MeshBadVersion,     // a file version the loaders do not take
  MeshTooLarge,       // more entities than a mesh holds
  MeshDamaged,        // whole, unchanged, but its sections or values cannot be read
  MeshNoMemory,       // read, but the mesh could not be made of it
};
// The reason in the words of a message ("CUT SHORT, ..."); "" for MeshTaken.
const char *MeshWhyWords(int why);

// The first mesh file a load refused, as named to it, and why (MeshWhy); Why is MeshTaken
// when every file was read.
struct MeshRefusal {
  std::string File;
  int Why = MeshTaken;
};

// solName, when not null and NbrFil is 1, names the solution file (for an SU2 mesh a ".dat"
// table; a keyword solution is refused with a line); otherwise each mesh file's own solution
// (same base name, ".dat" beside an SU2 mesh) is loaded when every file has one. A solution
// refused is said in one line (LoadRefusal) naming it and why, and the mesh is loaded without
// it; one beside a mesh that is not there is missed in silence. Null when no file could be
// loaded or the mesh could not be created. *refused, when given, receives the first mesh file
// refused and why (its Why MeshTaken when none was), so that a caller can tell a mesh file
// refused from a solution refused, which both set STATUS_FILE_UNREADABLE (the first alone sets
// STATUS_MESH_UNREADABLE too).
Geometric_Mesh *geoLoadMeshAndSolution(Function_Interface *fi, int NbrFil, char **names,
                                       const char *solName, MeshRefusal *refused = nullptr);

// Size passes: add (AddMeshSize) or write into a cleared array (FitMeshSize) the entity
// counts of one mesh file, SizMsh holding KmfSizMshLen ints indexed by kind.
int AddMeshSize(Function_Interface *fi, const char *name, int *SizMsh);
int FitMeshSize(Function_Interface *fi, const char *name, int *SizMsh);

int LoadMesh(Function_Interface *fi, const char *name, Geometric_Mesh *msh);
// The same with vertices, triangles and tetrahedra read by three pipeline tasks; files with
// other kinds go through LoadMesh.
int LoadMeshPipe(Function_Interface *fi, const char *name, Geometric_Mesh *msh);

// Per-kind loaders; NbrVer0 is the vertex count before this file.
int LoadVertex(Function_Interface *fi, KmfMeshFile *hdl, Geometric_Mesh *msh, int out[2]);
int LoadEdges(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh, int out[2]);
int LoadTriangles(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh);
int LoadP2Triangles(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh);
int LoadQuadrilaterals(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh);
int LoadP2Quadrilaterals(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh);
int LoadTetrahedra(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh);
int LoadP2Tetrahedra(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh);
int LoadPyramids(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh);
int LoadPrisms(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh);
int LoadHexahedra(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh);
int LoadP2Hexahedra(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh);
int LoadP2Edges(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh);
int LoadNormals(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh);

// Pipeline task bodies; the argument is a PipelineArgument holding the interface, the mesh,
// the file name, NbrVer0 and the file handle.
void LoadVertexPipe(void *arg);
void LoadTrianglesPipe(void *arg);
void LoadTetrahedraPipe(void *arg);

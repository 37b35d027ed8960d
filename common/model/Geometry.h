// Small queries by element kind on a mesh: counts, index checks, edges, nodes and centres.
// A null mesh gives 0; a kind a query does not know ends the process (code 100), so callers
// test kinds before asking and indices with geoCheckBound.
#pragma once

struct Geometric_Mesh;

int geoGetSizeType(const Geometric_Mesh *msh, int kind);
int geoGetMaxSizeType(const Geometric_Mesh *msh, int kind);
// 1 when 1 <= i <= the kind's count (clip planes: 0 <= i < 32).
int geoCheckBound(const Geometric_Mesh *msh, int i, int kind);
// 1 when element i has the edge {a, b} in either orientation; only vertex nodes are compared.
int geoEntHasEdge(int a, int b, const Geometric_Mesh *msh, int i, int kind);
// 1 for the volume kinds.
int is3dEnt(int kind);
// Copies the nodes of element i into out and returns their number; 0 for an invalid index.
int geoGetEntVer(const Geometric_Mesh *msh, int i, int kind, int *out);
// Mean of the vertex nodes of element i in out; 0 for an invalid index or node.
int geoGravityCenter(const Geometric_Mesh *msh, int i, int kind, double out[3]);
int geoGetHexVoi(const Geometric_Mesh *msh);

// A line of boundary edges, vertices and edges listed from its first end.
struct DiscreteLine {
  int NbrEfr;     // edges on the line
  int NbrVer;     // points on the line (NbrEfr + 1 when open, NbrEfr when closed)
  int EndVer[2];  // the two end vertices
  int EndEfr[2];  // the edges at the two ends
  int EndSid[2];  // node side (0 or 1) of each end edge holding the end vertex
  int Closed;
  int *Ver;       // NbrVer vertices (system allocator)
  int *Efr;       // NbrEfr edges (system allocator)
};

// Traces, step by step on the console, the line of boundary edges through edge e and records
// it in line (whose arrays are replaced: release them with FreeDiscreteLine). 1 when traced.
int GetDiscreteLine(const Geometric_Mesh *msh, int e, DiscreteLine *line);
void FreeDiscreteLine(DiscreteLine *line);

#include "tests/support/StructuredMesh.h"

#include <vector>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"

int GridVertex(int nx, int ny, int i, int j, int k) { return 1 + i + (nx + 1) * (j + (ny + 1) * k); }

int AddVertex(Geometric_Mesh *msh, double x, double y, double z, int ref) {
  Vertex &v = msh->Ver[++msh->NbrVer];
  v = Vertex{};
  v.Crd[0] = x, v.Crd[1] = y, v.Crd[2] = z;
  v.Tag = TAG_ALIVE;
  v.Ref = ref;
  // A vertex solution follows the vertices added after it was made.
  if (msh->SolAtVer) msh->NbrSolVer = msh->NbrVer;
  return msh->NbrVer;
}

Geometric_Mesh *MakeSizedMesh(Memory_List *mem, std::initializer_list<std::pair<int, int>> counts) {
  std::vector<int> siz(KmfSizMshLen, 0);
  for (const auto &c : counts) siz[c.first] = c.second;
  siz[KmfFileType] = FILE_TYPE_KMF;
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  if (msh) msh->Dim = 3;
  return msh;
}

Geometric_Mesh *MakeStructuredMesh(Memory_List *mem, int nx, int ny, int nz, unsigned kinds) {
  int nbrCell = nx * ny * nz, nbrFace = nx * ny;
  auto count = [&](unsigned kind, int n) { return (kinds & kind) ? n : 0; };
  Geometric_Mesh *msh = MakeSizedMesh(mem, {{KmfVertices, (nx + 1) * (ny + 1) * (nz + 1) + count(GEN_PYR, nbrCell)},
                                            {KmfHexahedra, count(GEN_HEX, nbrCell)},
                                            {KmfTetrahedra, count(GEN_TET, 6 * nbrCell)},
                                            {KmfPrisms, count(GEN_PRI, 2 * nbrCell)},
                                            {KmfPyramids, count(GEN_PYR, 6 * nbrCell)},
                                            {KmfQuadrilaterals, count(GEN_QUA, nbrFace)},
                                            {KmfTriangles, count(GEN_TRI, 2 * nbrFace)},
                                            {KmfEdges, count(GEN_EFR, 2 * (nx + ny))}});
  if (!msh) return nullptr;

  for (int k = 0; k <= nz; k++)
    for (int j = 0; j <= ny; j++)
      for (int i = 0; i <= nx; i++) AddVertex(msh, i, j, k);

  auto at = [&](int i, int j, int k) { return GridVertex(nx, ny, i, j, k); };
  for (int k = 0; k < nz; k++)
    for (int j = 0; j < ny; j++)
      for (int i = 0; i < nx; i++) {
        const int c[8] = {at(i, j, k),         at(i + 1, j, k),         at(i + 1, j + 1, k),
                          at(i, j + 1, k),     at(i, j, k + 1),         at(i + 1, j, k + 1),
                          at(i + 1, j + 1, k + 1), at(i, j + 1, k + 1)};
        if (kinds & GEN_HEX) {
          Hexahedron &h = AddRecord(msh->Hex, msh->NbrHex);
          for (int n = 0; n < 8; n++) h.Ver[n] = c[n];
        }
        if (kinds & GEN_TET) {
          // Six tetrahedra around the diagonal c0-c6.
          static const int kPath[7] = {1, 2, 3, 7, 4, 5, 1};
          for (int t = 0; t < 6; t++) {
            Tetrahedron &tet = AddRecord(msh->Tet, msh->NbrTet);
            tet.Ver[0] = c[0];
            tet.Ver[1] = c[kPath[t]];
            tet.Ver[2] = c[kPath[t + 1]];
            tet.Ver[3] = c[6];
          }
        }
        if (kinds & GEN_PRI) {
          static const int kPri[2][6] = {{0, 1, 2, 4, 5, 6}, {0, 2, 3, 4, 6, 7}};
          for (const auto &p : kPri) {
            Prism &pri = AddRecord(msh->Pri, msh->NbrPri);
            for (int n = 0; n < 6; n++) pri.Ver[n] = c[p[n]];
          }
        }
        if (kinds & GEN_PYR) {
          const int apex = AddVertex(msh, i + 0.5, j + 0.5, k + 0.5);
          static const int kFaces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 4, 5, 1},
                                           {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
          for (const auto &f : kFaces) {
            Pyramid &pyr = AddRecord(msh->Pyr, msh->NbrPyr);
            for (int n = 0; n < 4; n++) pyr.Ver[n] = c[f[n]];
            pyr.Ver[4] = apex;
          }
        }
      }

  for (int j = 0; j < ny; j++)
    for (int i = 0; i < nx; i++) {
      int a = at(i, j, 0), b = at(i + 1, j, 0), c = at(i + 1, j + 1, 0), d = at(i, j + 1, 0);
      if (kinds & GEN_QUA) {
        Quadrilateral &q = AddRecord(msh->Qua, msh->NbrQua);
        q.Ver[0] = a, q.Ver[1] = b, q.Ver[2] = c, q.Ver[3] = d;
      }
      if (kinds & GEN_TRI) {
        Triangle &t0 = AddRecord(msh->Tri, msh->NbrTri);
        t0.Ver[0] = a, t0.Ver[1] = b, t0.Ver[2] = c;
        Triangle &t1 = AddRecord(msh->Tri, msh->NbrTri);
        t1.Ver[0] = a, t1.Ver[1] = c, t1.Ver[2] = d;
      }
    }

  if (kinds & GEN_EFR) {
    // Around the bottom face, counter-clockwise, each edge linked to the next and previous.
    std::vector<int> loop;
    for (int i = 0; i < nx; i++) loop.push_back(at(i, 0, 0));
    for (int j = 0; j < ny; j++) loop.push_back(at(nx, j, 0));
    for (int i = nx; i > 0; i--) loop.push_back(at(i, ny, 0));
    for (int j = ny; j > 0; j--) loop.push_back(at(0, j, 0));
    int n = static_cast<int>(loop.size());
    for (int e = 0; e < n; e++) {
      BdyEdge &edg = AddRecord(msh->Efr, msh->NbrEfr);
      edg.Ver[0] = loop[e];
      edg.Ver[1] = loop[(e + 1) % n];
      edg.Voi[0] = 1 + (e + n - 1) % n;  // the edge through Ver[0]
      edg.Voi[1] = 1 + (e + 1) % n;      // the edge through Ver[1]
    }
  }
  msh->NbrFilTri = msh->NbrTri;
  msh->NbrFilTet = msh->NbrTet;
  return msh;
}

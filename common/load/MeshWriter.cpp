#include "common/load/MeshWriter.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/base/FunctionInterface.h"
#include "common/base/ShownName.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/load/FileNames.h"
#include "common/load/LoadInternal.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"

namespace {

bool alive(uint32_t tag) { return tag & TAG_ALIVE; }
bool isCorner(uint32_t tag) { return tag & TAG_CORNER; }
bool isRequiredVertex(uint32_t tag) { return (tag & TAG_REQUIRED) || (tag & TAG_VER_TYPE) == TAG_VER_TYPE; }
bool isRidge(uint32_t tag) { return tag & TAG_RIDGE; }
bool isRequiredEdge(uint32_t tag) { return tag & TAG_REQUIRED; }
uint32_t userBits(uint32_t tag) { return (tag & TAG_USR) >> 24; }

// An int array from the memory list, released with the object.
struct IntBuffer {
  Memory_List *Mem;
  int *Tab = nullptr;
  IntBuffer(Memory_List *mem, int64_t n) : Mem(mem) {
    Tab = static_cast<int *>(MEM_ALLOC(mem, Tab, sizeof(int) * static_cast<size_t>(n + 1)));
  }
  ~IntBuffer() { MEM_FREE(Mem, Tab); }
  IntBuffer(const IntBuffer &) = delete;
  IntBuffer &operator=(const IntBuffer &) = delete;
};

// The writing of one file: the open handle, the vertex numbering and whether every call
// went through.
struct Writer {
  KmfMeshFile *Out;
  Geometric_Mesh *Msh;
  Memory_List *Mem;
  const int *NewVer;  // new number of every vertex, 0 when it is not written; null: as stored
  bool Ok = true;

  int renumber(int v) const {
    if (!NewVer) return v;
    return v >= 1 && v <= Msh->NbrVer ? NewVer[v] : 0;
  }

  // A list section of the given numbers (Corners, Ridges, ...), when there is any.
  void list(int kwd, const int *tab, int n) {
    if (!n) return;
    KmfField f{KmfInt, reinterpret_cast<char *>(const_cast<int *>(tab)), sizeof(int)};
    Ok = Ok && KmfSetKwd(Out, kwd, n) && KmfSetBlockFields(Out, kwd, 0, nullptr, nullptr, nullptr, 1, &f);
  }

  // Section kwd of the records arr[1..n] that `keep` selects and whose vertices are all
  // written, with their vertices renumbered; left out when it holds no line.
  // Returns the number of lines; fills written[i] (when given) with record i's line number.
  template <typename Rec, typename Keep>
  int elements(int kwd, const Rec *arr, int n, int nodes, Keep keep, int *written = nullptr) {
    if (!arr) n = 0;
    int count = 0;
    bool renumbered = false;
    for (int i = 1; i <= n; i++) {
      bool take = keep(arr[i]);
      for (int k = 0; take && k < nodes; k++) {
        int nv = NewVer ? renumber(arr[i].Ver[k]) : arr[i].Ver[k];
        take = nv > 0 || !NewVer;
        renumbered |= nv != arr[i].Ver[k];
      }
      if (written) written[i] = take ? count + 1 : 0;
      count += take;
    }
    if (!count) return 0;
    if (!Ok || !KmfSetKwd(Out, kwd, count)) {
      Ok = false;
      return 0;
    }
    KmfField fields[28];
    if (!renumbered) {
      // The records themselves, through a map of the selected ones when some are left out.
      for (int k = 0; k < nodes; k++)
        fields[k] = {KmfInt, reinterpret_cast<char *>(const_cast<int *>(&arr[1].Ver[k])), sizeof(Rec)};
      fields[nodes] = {KmfInt, reinterpret_cast<char *>(const_cast<int *>(&arr[1].Ref)), sizeof(Rec)};
      if (count == n) {
        Ok = KmfSetBlockFields(Out, kwd, 0, nullptr, nullptr, nullptr, nodes + 1, fields);
        return count;
      }
      IntBuffer map(Mem, count);
      if (!map.Tab) return Ok = false, 0;
      int l = 0;
      for (int i = 1; i <= n; i++)
        if (keep(arr[i]) && nodesKept(arr[i], nodes)) map.Tab[++l] = i;
      Ok = KmfSetBlockFields(Out, kwd, 3, map.Tab, nullptr, nullptr, nodes + 1, fields);
      return count;
    }
    IntBuffer buf(Mem, static_cast<int64_t>(count) * (nodes + 1));
    if (!buf.Tab) return Ok = false, 0;
    int *p = buf.Tab;
    for (int i = 1; i <= n; i++) {
      if (!keep(arr[i]) || !nodesKept(arr[i], nodes)) continue;
      for (int k = 0; k < nodes; k++) *p++ = renumber(arr[i].Ver[k]);
      *p++ = arr[i].Ref;
    }
    const int64_t stride = sizeof(int) * (nodes + 1);
    for (int k = 0; k <= nodes; k++) fields[k] = {KmfInt, reinterpret_cast<char *>(buf.Tab + k), stride};
    Ok = KmfSetBlockFields(Out, kwd, 0, nullptr, nullptr, nullptr, nodes + 1, fields);
    return count;
  }

  template <typename Rec>
  bool nodesKept(const Rec &r, int nodes) const {
    for (int k = 0; NewVer && k < nodes; k++)
      if (renumber(r.Ver[k]) <= 0) return false;
    return true;
  }

  // Vertices whose new number is not 0 (all of them without a numbering), when there is any.
  void vertices() {
    const int n = Msh->Ver ? Msh->NbrVer : 0;
    const int dim = Msh->Dim;
    KmfField fields[4];
    for (int k = 0; k < dim; k++)
      fields[k] = {KmfDouble, reinterpret_cast<char *>(n ? &Msh->Ver[1].Crd[k] : nullptr), sizeof(Vertex)};
    fields[dim] = {KmfInt, reinterpret_cast<char *>(n ? &Msh->Ver[1].Ref : nullptr), sizeof(Vertex)};
    int count = 0;
    for (int i = 1; i <= n; i++) count += renumber(i) > 0;
    if (!count) return;
    if (!Ok || !KmfSetKwd(Out, KmfVertices, count)) {
      Ok = false;
      return;
    }
    if (count == n) {
      Ok = KmfSetBlockFields(Out, KmfVertices, 0, nullptr, nullptr, nullptr, dim + 1, fields);
      return;
    }
    IntBuffer map(Mem, count);
    if (!map.Tab) {
      Ok = false;
      return;
    }
    for (int i = 1; i <= n; i++)
      if (renumber(i) > 0) map.Tab[renumber(i)] = i;
    Ok = KmfSetBlockFields(Out, KmfVertices, 3, map.Tab, nullptr, nullptr, dim + 1, fields);
  }

  // Corners and required vertices among the written vertices.
  void vertexFlags() {
    const int n = Msh->Ver ? Msh->NbrVer : 0;
    IntBuffer cor(Mem, n), req(Mem, n);
    if (!cor.Tab || !req.Tab) {
      Ok = false;
      return;
    }
    int nc = 0, nr = 0;
    for (int i = 1; i <= n; i++) {
      int nv = renumber(i);
      if (nv <= 0) continue;
      if (isCorner(Msh->Ver[i].Tag)) cor.Tab[nc++] = nv;
      if (isRequiredVertex(Msh->Ver[i].Tag)) req.Tab[nr++] = nv;
    }
    list(KmfCorners, cor.Tab, nc);
    list(KmfRequiredVertices, req.Tab, nr);
  }

  // Boundary edges, then the ridges and required edges among those written.
  template <typename Keep>
  void edges(Keep keep) {
    const int n = Msh->Efr ? Msh->NbrEfr : 0;
    IntBuffer line(Mem, n), rid(Mem, n), req(Mem, n);
    if (!line.Tab || !rid.Tab || !req.Tab) {
      Ok = false;
      return;
    }
    elements(KmfEdges, Msh->Efr, n, 2, keep, line.Tab);
    int nr = 0, nq = 0;
    for (int i = 1; i <= n; i++) {
      if (!line.Tab[i]) continue;
      if (isRidge(Msh->Efr[i].Tag)) rid.Tab[nr++] = line.Tab[i];
      if (isRequiredEdge(Msh->Efr[i].Tag)) req.Tab[nq++] = line.Tab[i];
    }
    list(KmfRidges, rid.Tab, nr);
    list(KmfRequiredEdges, req.Tab, nq);
  }

  // Normals (all of them: they carry no tag) and the attachments to written vertices.
  void normals() {
    const int n = Msh->Nor ? Msh->NbrNor : 0;
    if (!n) return;
    const int dim = Msh->Dim;
    KmfField fields[3];
    for (int k = 0; k < dim; k++) fields[k] = {KmfDouble, reinterpret_cast<char *>(&Msh->Nor[1].Crd[k]), sizeof(Normal)};
    Ok = Ok && KmfSetKwd(Out, KmfNormals, n) &&
         KmfSetBlockFields(Out, KmfNormals, 0, nullptr, nullptr, nullptr, dim, fields);
    IntBuffer at(Mem, 2 * static_cast<int64_t>(n));
    if (!at.Tab) {
      Ok = false;
      return;
    }
    int na = 0;
    for (int i = 1; i <= n; i++) {
      int nv = renumber(Msh->Nor[i].Ver);
      if (Msh->Nor[i].Ver <= 0 || nv <= 0 || Msh->Nor[i].Ver > Msh->NbrVer) continue;
      at.Tab[2 * na] = nv;
      at.Tab[2 * na + 1] = i;
      na++;
    }
    if (!na) return;
    KmfField f[2] = {{KmfInt, reinterpret_cast<char *>(at.Tab), 2 * sizeof(int)},
                     {KmfInt, reinterpret_cast<char *>(at.Tab + 1), 2 * sizeof(int)}};
    Ok = Ok && KmfSetKwd(Out, KmfNormalAtVertices, na) &&
         KmfSetBlockFields(Out, KmfNormalAtVertices, 0, nullptr, nullptr, nullptr, 2, f);
  }
};

// Opens the file for a writer; null after reporting through fi.
KmfMeshFile *openOutput(Function_Interface *fi, const char *name, Geometric_Mesh *mesh, const char *fn) {
  if (LoadArgsMissing(fi, fn, name, mesh)) return nullptr;
  int ver = MeshWriteVersion(name, mesh), dim = mesh->Dim;
  KmfMeshFile *out = GetMeshDesc(fi, name, &ver, &dim, KmfMesh, KmfWrite);
  if (!out) {
    fprintf(stderr, "  ## ERROR: %s: CANNOT CREATE %s\n", fn, ShownName(name).c_str());
    if (fi) {
      fi->ErrCod = ERR_BAD_DATA;
      fi->Status |= STATUS_FILE_UNREADABLE;
    }
  }
  return out;
}

// Closes the file; 0 when anything failed on the way.
int finish(Function_Interface *fi, Writer &w, const char *name, const char *fn) {
  // A writer that failed drops its file: the old one of that name, if any, stays whole.
  int closed = w.Ok ? KmfCloseMesh(w.Out) : KmfAbandonMesh(w.Out);
  if (w.Ok && closed) return 1;
  fprintf(stderr, "  ## ERROR: %s: WRITING %s FAILED\n", fn, ShownName(name).c_str());
  if (fi) fi->ErrCod = ERR_BAD_DATA;
  return 0;
}

Memory_List *memOf(Function_Interface *fi) { return fi ? fi->Mem : nullptr; }

}  // namespace

int MeshWriteVersion(const char *name, const Geometric_Mesh *mesh) {
  if (!name || !mesh || KindExtension(name, KmfMesh) != NAME_EXT_BINARY) return 2;
  // 32-bit words of a version-2 file holding every record any writer may write: a vertex is
  // its reals of two words and a reference, an element its nodes and a reference; corners
  // and required vertices a word per vertex at most, ridges and required edges one per edge,
  // a normal its reals and its attachment. Then the header, End and every section's keyword,
  // position and count.
  const int64_t dim = mesh->Dim > 0 ? mesh->Dim : 3;
  const struct {
    int count;
    int64_t words;
  } rows[] = {{mesh->NbrVer, 2 * dim + 1 + 2}, {mesh->NbrEfr, 3 + 2},    {mesh->NbrTri, 4},     {mesh->NbrQua, 5},
              {mesh->NbrTet, 5},              {mesh->NbrPyr, 6},        {mesh->NbrPri, 7},     {mesh->NbrHex, 9},
              {mesh->NbrP2Efr, 4},            {mesh->NbrP2Tri, 7},      {mesh->NbrP2Qua, 10},  {mesh->NbrP2Tet, 11},
              {mesh->NbrP2Hex, 28},           {mesh->NbrNor, 2 * dim + 2}};
  int64_t words = 5 + 2 + 3 * static_cast<int64_t>(KmfMaxKwd);
  for (const auto &r : rows) words += static_cast<int64_t>(r.count > 0 ? r.count : 0) * r.words;
  return words <= INT32_MAX / 4 ? 2 : 3;
}

namespace {

// Opens the file, numbers the vertices that `keepVertex` selects 1, 2, ... in their order
// (the others are not written, nor the elements that use them), lets `body` write the
// sections and closes the file.
template <typename KeepVertex, typename Body>
int writeRenumbered(Function_Interface *fi, const char *name, Geometric_Mesh *mesh, const char *fn,
                    KeepVertex keepVertex, Body body) {
  KmfMeshFile *out = openOutput(fi, name, mesh, fn);
  if (!out) return 0;
  Writer w{out, mesh, memOf(fi), nullptr};
  const int nv = mesh->Ver ? mesh->NbrVer : 0;
  IntBuffer newVer(w.Mem, nv);
  if (!newVer.Tab) {
    KmfAbandonMesh(out);
    return 0;
  }
  newVer.Tab[0] = 0;
  for (int i = 1, k = 0; i <= nv; i++) newVer.Tab[i] = keepVertex(mesh->Ver[i].Tag) ? ++k : 0;
  w.NewVer = newVer.Tab;
  body(w);
  return finish(fi, w, name, fn);
}

}  // namespace

int WriteMesh(Function_Interface *fi, const char *name, Geometric_Mesh *mesh) {
  return writeRenumbered(fi, name, mesh, "WRITEMESH", alive, [mesh](Writer &w) {
    auto live = [](const auto &r) { return alive(r.Tag); };
    w.vertices();
    w.vertexFlags();
    w.elements(KmfTriangles, mesh->Tri, mesh->NbrTri, 3, live);
    w.elements(KmfTrianglesP2, mesh->P2Tri, mesh->NbrP2Tri, 6, live);
    w.elements(KmfQuadrilaterals, mesh->Qua, mesh->NbrQua, 4, live);
    w.elements(KmfQuadrilateralsQ2, mesh->P2Qua, mesh->NbrP2Qua, 9, live);
    w.elements(KmfTetrahedra, mesh->Tet, mesh->NbrTet, 4, live);
    w.elements(KmfPyramids, mesh->Pyr, mesh->NbrPyr, 5, live);
    w.elements(KmfPrisms, mesh->Pri, mesh->NbrPri, 6, live);
    w.elements(KmfHexahedra, mesh->Hex, mesh->NbrHex, 8, live);
    w.elements(KmfHexahedraQ2, mesh->P2Hex, mesh->NbrP2Hex, 27, live);
    w.elements(KmfTetrahedraP2, mesh->P2Tet, mesh->NbrP2Tet, 10, live);
    w.edges(live);
    w.elements(KmfEdgesP2, mesh->P2Efr, mesh->NbrP2Efr, 3, live);
    w.normals();
  });
}

int WriteSubMesh(Function_Interface *fi, const char *name, Geometric_Mesh *mesh) {
  auto selected = [](uint32_t t) { return alive(t) && (t & TAG_VISIBLE) && userBits(t) == 1; };
  return writeRenumbered(fi, name, mesh, "WRITESUBMESH", selected, [mesh](Writer &w) {
    auto marked = [](const auto &r) { return alive(r.Tag) && (r.Tag & TAG_VISIBLE) && userBits(r.Tag) == 0; };
    w.vertices();
    w.elements(KmfTriangles, mesh->Tri, mesh->NbrTri, 3, marked);
    w.elements(KmfQuadrilaterals, mesh->Qua, mesh->NbrQua, 4, marked);
    w.elements(KmfTetrahedra, mesh->Tet, mesh->NbrTet, 4, marked);
    w.elements(KmfPrisms, mesh->Pri, mesh->NbrPri, 6, marked);
    w.elements(KmfHexahedra, mesh->Hex, mesh->NbrHex, 8, marked);
  });
}

int WriteSimplicialMesh(Function_Interface *fi, const char *name, Geometric_Mesh *mesh) {
  KmfMeshFile *out = openOutput(fi, name, mesh, "WRITEMESH");
  if (!out) return 0;
  Writer w{out, mesh, memOf(fi), nullptr};
  auto all = [](const auto &) { return true; };
  w.vertices();
  w.vertexFlags();
  w.elements(KmfTriangles, mesh->Tri, mesh->NbrTri, 3, all);
  w.elements(KmfTetrahedra, mesh->Tet, mesh->NbrTet, 4, all);
  w.edges(all);
  return finish(fi, w, name, "WRITEMESH");
}

// Capping of cut volumes: every cut element split into tetrahedra, every tetrahedron cut by
// the plane into one triangle or quadrilateral (the case split of marching tetrahedra).
#include "zelvane/lists/ZelCapping.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <utility>

#include "common/model/Mesh.h"
#include "zelvane/lists/ZelClipGeom.h"
#include "zelvane/lists/ZelHexSplit.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelPalette.h"

namespace {

const uint32_t CapTagBits = TAG_ALIVE | TAG_CLIPPED | TAG_VISIBLE;

// Tag word of element e of a capping kind, or null outside the kind's range.
const uint32_t *elementTag(const Geometric_Mesh *mesh, int kind, int e) {
  if (kind == ZelCapTetrahedra)
    return mesh->Tet && e >= 1 && e <= mesh->NbrTet ? &mesh->Tet[e].Tag : nullptr;
  if (kind == ZelCapHexahedra)
    return mesh->Hex && e >= 1 && e <= mesh->NbrHex ? &mesh->Hex[e].Tag : nullptr;
  if (kind == ZelCapP2Tetrahedra)
    return mesh->P2Tet && e >= 1 && e <= mesh->NbrP2Tet ? &mesh->P2Tet[e].Tag : nullptr;
  if (kind == ZelCapQ2Hexahedra)
    return mesh->P2Hex && e >= 1 && e <= mesh->NbrP2Hex ? &mesh->P2Hex[e].Tag : nullptr;
  return nullptr;
}

int kindCount(const Geometric_Mesh *mesh, int kind) {
  switch (kind) {
    case ZelCapTetrahedra: return mesh->NbrTet;
    case ZelCapHexahedra: return mesh->NbrHex;
    case ZelCapP2Tetrahedra: return mesh->NbrP2Tet;
    default: return mesh->NbrP2Hex;
  }
}

bool isCapKind(int kind) {
  return kind == ZelCapTetrahedra || kind == ZelCapHexahedra || kind == ZelCapP2Tetrahedra ||
         kind == ZelCapQ2Hexahedra;
}

// Hexahedral kinds: six tetrahedra an element.
bool isHexKind(int kind) { return kind == ZelCapHexahedra || kind == ZelCapQ2Hexahedra; }

// Walks the chain, calling take(e) for every element with the cap bits; a chain leaving the
// range or longer than the kind's count (a loop) stops.
template <class Take>
void walkClipped(int kind, int head, const Geometric_Mesh *mesh, const ZelLink *links, Take take) {
  int steps = kindCount(mesh, kind);
  for (int e = head; e != 0 && steps-- > 0; e = links[e].Nxt) {
    const uint32_t *tag = elementTag(mesh, kind, e);
    if (!tag) return;
    if ((TagAtomicLoad(tag) & CapTagBits) == CapTagBits) take(e);
  }
}

// Normalises n in place when its squared length is positive; reports whether it was.
bool normalise(double n[3]) {
  double len2 = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
  if (!(len2 > 0)) return false;
  double inv = 1.0 / std::sqrt(len2);
  for (int i = 0; i < 3; i++) n[i] *= inv;
  return true;
}

void cross(const float *o, const float *a, const float *b, double n[3]) {
  double u[3], v[3];
  for (int i = 0; i < 3; i++) {
    u[i] = static_cast<double>(a[i]) - o[i];
    v[i] = static_cast<double>(b[i]) - o[i];
  }
  n[0] = u[1] * v[2] - u[2] * v[1];
  n[1] = u[2] * v[0] - u[0] * v[2];
  n[2] = u[0] * v[1] - u[1] * v[0];
}

void storeNormal(const double n[3], float *out) {
  for (int i = 0; i < 3; i++) out[i] = static_cast<float>(n[i]);
}

// Quadrilateral normal: the first of four corner triples that spans an area; zero when none.
void quadNormal(const float *P, float *out) {
  static const int Triples[4][3] = {{0, 1, 2}, {2, 3, 0}, {0, 1, 3}, {1, 2, 3}};
  double n[3] = {0, 0, 0};
  for (const auto &t : Triples) {
    cross(P + 3 * t[0], P + 3 * t[1], P + 3 * t[2], n);
    if (normalise(n)) break;
    n[0] = n[1] = n[2] = 0;
  }
  storeNormal(n, out);
}

void triangleNormal(const float *P, float *out) {
  double n[3];
  cross(P, P + 3, P + 6, n);
  normalise(n);
  storeNormal(n, out);
}

// The cut of each tetrahedron comes out in whatever turn its edges give: one piece faces the
// removed half-space, its neighbour the kept one, and under one-sided lighting a flat section
// showed as a checkerboard of lit and dark pieces. Every piece is turned (corner order, values
// and normal) to face the side the clip plane removes, where a viewer of the section stands:
// the positive side of (a, b, c), as the view keeps a x + b y + c z + d <= 0.
void facePlane(const double *plane, int corners, float *P, float *sol, float *nor) {
  const double along = plane[0] * nor[0] + plane[1] * nor[1] + plane[2] * nor[2];
  if (!(along < 0)) return;
  // Reversing the turn keeps the first corner: swap 1 with 2 (triangle) or 1 with 3 (quad).
  const int last = corners - 1;
  for (int i = 0; i < 3; i++) std::swap(P[3 + i], P[3 * last + i]);
  if (sol) std::swap(sol[1], sol[last]);
  for (int i = 0; i < 3; i++) nor[i] = -nor[i];
}

// Allocates count entries (one byte more, so that a zero capacity is not a refusal).
template <class T>
bool take(T *&arr, size_t count) {
  arr = static_cast<T *>(malloc(count * sizeof(T) + 1));
  return arr != nullptr;
}

}  // namespace

GLMesh *zel_allocGLMesh(int maxTri, int maxQua, int withSol) {
  if (maxTri < 0 || maxQua < 0) return nullptr;
  GLMesh *cap = static_cast<GLMesh *>(calloc(1, sizeof(GLMesh)));
  if (!cap) return nullptr;
  cap->MaxNbrTri = maxTri;
  cap->MaxNbrQua = maxQua;
  size_t nt = static_cast<size_t>(maxTri), nq = static_cast<size_t>(maxQua);
  // The first refusal ends it; calloc'ed pointers not reached stay null for the release.
  bool ok = take(cap->TriCrd, 9 * nt) && take(cap->TriNor, 3 * nt) && take(cap->TriSrc, nt) &&
            take(cap->QuaCrd, 12 * nq) && take(cap->QuaNor, 3 * nq) && take(cap->QuaSrc, nq) &&
            (!withSol || (take(cap->TriSol, 3 * nt) && take(cap->QuaSol, 4 * nq)));
  if (!ok) {
    zel_freeGLMesh(cap);
    return nullptr;
  }
  return cap;
}

int zel_freeGLMesh(GLMesh *cap) {
  if (!cap) return 0;
  for (void *arr : {static_cast<void *>(cap->TriCrd), static_cast<void *>(cap->TriNor),
                    static_cast<void *>(cap->TriSol), static_cast<void *>(cap->TriSrc),
                    static_cast<void *>(cap->QuaCrd), static_cast<void *>(cap->QuaNor),
                    static_cast<void *>(cap->QuaSol), static_cast<void *>(cap->QuaSrc)})
    free(arr);
  free(cap);
  return 0;
}

int *zel_getclippedentities(int kind, int head, Geometric_Mesh *mesh, ZelLink *links, int *count) {
  if (count) *count = 0;
  if (!mesh || !links || !isCapKind(kind)) return nullptr;
  int n = 0;
  walkClipped(kind, head, mesh, links, [&](int) { n++; });
  int *list = static_cast<int *>(malloc((static_cast<size_t>(n) + 1) * sizeof(int)));
  if (!list) return nullptr;
  int k = 0;
  walkClipped(kind, head, mesh, links, [&](int e) { list[k++] = e; });
  if (count) *count = n;
  return list;
}

void zel_cappingtet(const double *plane, ZelPalette *palette, Geometric_Mesh *mesh, ZelMesh *zmesh,
                    int element, const int *vertices, GLMesh *cap) {
  if (!plane || !mesh || !mesh->Ver || !zmesh || !zmesh->Crd || !vertices || !cap) return;
  double s[4];
  for (int k = 0; k < 4; k++) {
    if (vertices[k] < 1 || vertices[k] > mesh->NbrVer) return;
    s[k] = zelPlaneValue(plane, mesh->Ver[vertices[k]].Crd);
  }
  ZelTetCut cut;
  int corners = zelCutTetrahedron(s, &cut);
  if (!corners) return;

  bool quad = corners == 4;
  int &nbr = quad ? cap->NbrQua : cap->NbrTri;
  int max = quad ? cap->MaxNbrQua : cap->MaxNbrTri;
  if (nbr + 1 >= max) {
    printf(quad ? " capping: enlarge quad space %d-%d  \n" : " capping: enlarge tri space %d-%d \n",
           nbr, max);
    return;
  }
  float *P = (quad ? cap->QuaCrd : cap->TriCrd) + 3 * corners * nbr;
  float *sol = quad ? cap->QuaSol : cap->TriSol;
  if (sol) sol += corners * nbr;
  // Values are per vertex only when the field is a vertex field.
  const double *F = palette && mesh->SolAtVer ? palette->Sol : nullptr;

  for (int q = 0; q < corners; q++) {
    int u = cut.From[q], w = cut.To[q];
    double diff = s[w] - s[u];
    float t = diff == 0 ? 1.0f : static_cast<float>(std::fabs(s[u] / diff));
    const float *Du = zmesh->Crd[vertices[u]], *Dw = zmesh->Crd[vertices[w]];
    for (int i = 0; i < 3; i++) P[3 * q + i] = Du[i] + (Dw[i] - Du[i]) * t;
    if (sol) {
      int vu = vertices[u], vw = vertices[w];
      bool have = F && vu <= palette->NbrSol && vw <= palette->NbrSol;
      sol[q] = have ? static_cast<float>((F[vw] - F[vu]) * t + F[vu]) : 0.0f;
    }
  }
  float *nor = (quad ? cap->QuaNor : cap->TriNor) + 3 * nbr;
  if (quad) {
    quadNormal(P, nor);
    cap->QuaSrc[nbr] = element;
  } else {
    triangleNormal(P, nor);
    cap->TriSrc[nbr] = element;
  }
  facePlane(plane, corners, P, sol, nor);
  nbr++;
}

void zel_cappinghex(const double *plane, ZelPalette *palette, Geometric_Mesh *mesh, ZelMesh *zmesh,
                    int element, const int *vertices, GLMesh *cap) {
  if (!vertices) return;
  int tet[6][4];
  int n = zelSplitHexahedron(vertices, tet);
  for (int t = 0; t < n; t++) {
    int ver[4] = {vertices[tet[t][0]], vertices[tet[t][1]], vertices[tet[t][2]],
                  vertices[tet[t][3]]};
    zel_cappingtet(plane, palette, mesh, zmesh, element, ver, cap);
  }
}

int zel_cappingmesh(int kind, int head, const double *plane, ZelPalette *palette,
                    Geometric_Mesh *mesh, ZelMesh *zmesh, ZelLink *links, GLMesh **cap) {
  if (!cap) return 0;
  *cap = nullptr;
  if (!plane) return 0;
  if (!isCapKind(kind)) {
    printf(" zel_capping undefined for type %d \n", kind);
    return 1;
  }
  if (!mesh || !mesh->Ver || !zmesh || !zmesh->Crd || !links) return 0;
  int n = 0;
  int *list = zel_getclippedentities(kind, head, mesh, links, &n);
  if (!list) return 0;
  int64_t room = isHexKind(kind) ? 6 * int64_t{n} + 6 : int64_t{n} + 1;
  GLMesh *m = room <= INT32_MAX ? zel_allocGLMesh(static_cast<int>(room), static_cast<int>(room),
                                                  palette != nullptr)
                                : nullptr;
  if (!m) {
    free(list);
    return 0;
  }
  for (int i = 0; i < n; i++) {
    int e = list[i];
    // A curved element is capped through its corners, its first nodes.
    switch (kind) {
      case ZelCapTetrahedra: zel_cappingtet(plane, palette, mesh, zmesh, e, mesh->Tet[e].Ver, m); break;
      case ZelCapHexahedra: zel_cappinghex(plane, palette, mesh, zmesh, e, mesh->Hex[e].Ver, m); break;
      case ZelCapP2Tetrahedra: zel_cappingtet(plane, palette, mesh, zmesh, e, mesh->P2Tet[e].Ver, m); break;
      default: zel_cappinghex(plane, palette, mesh, zmesh, e, mesh->P2Hex[e].Ver, m); break;
    }
  }
  free(list);
  *cap = m;
  return 1;
}

// Palettes of the solution fields: scalars per entity, range, iso values, hues and the refined
// levels of the iso-lines; the solution view holding one palette per field.
#include "zelvane/scene/ZelPalette.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelEigen.h"
#include "zelvane/scene/ZelSceneOptions.h"
#include "zelvane/scene/ZelScratchMap.h"

namespace {

const char *kLogWarning =
    "### WARNING You are using Log scale with negatives or null values! disaster may occur (TBF)\n ";

// The solution a palette reads and how many entities it holds.
struct SolChoice {
  const Geometric_Solution *Sol = nullptr;
  int Count = 0;
};

SolChoice chooseSolution(const Geometric_Mesh *msh) {
  using M = Geometric_Mesh;
  static const struct {
    Geometric_Solution *M::*Sol;
    int M::*Lin;
    int M::*Curved;  // null: no curved form
    int M::*Capacity;
  } rows[] = {
      {&M::SolAtVer, &M::NbrVer, nullptr, &M::MaxSolVer},
      {&M::SolAtTet, &M::NbrTet, &M::NbrP2Tet, &M::MaxSolTet},
      {&M::SolAtPyr, &M::NbrPyr, nullptr, &M::MaxSolPyr},
      {&M::SolAtPri, &M::NbrPri, nullptr, &M::MaxSolPri},
      {&M::SolAtHex, &M::NbrHex, &M::NbrP2Hex, &M::MaxSolHex},
      {&M::SolAtTri, &M::NbrTri, &M::NbrP2Tri, &M::MaxSolTri},
      {&M::SolAtQua, &M::NbrQua, &M::NbrP2Qua, &M::MaxSolQua},
  };
  SolChoice c;
  if (!msh) return c;
  for (const auto &r : rows) {
    const Geometric_Solution *sol = msh->*r.Sol;
    if (!sol) continue;
    c.Sol = sol;
    c.Count = msh->*r.Lin;
    if (c.Count <= 0 && r.Curved) c.Count = msh->*r.Curved;
    // Never past the values the solution holds.
    int held = (sol->SizTot > 0 && sol->Sol) ? msh->*r.Capacity / sol->SizTot : 0;
    c.Count = std::max(0, std::min(c.Count, held));
    return c;
  }
  return c;
}

int fieldSize(int type, int dim) {
  switch (type) {
    case SOL_SCALAR: return 1;
    case SOL_VECTOR: return dim;
    case SOL_SYMMAT: return dim == 3 ? 6 : 3;
    case SOL_MATRIX: return dim == 3 ? 9 : 4;
  }
  return -1;
}

// Offset of field k within an entity's values.
int fieldOffset(const Geometric_Solution *sol, int k, int dim) {
  int off = 0;
  for (int f = 0; f < k; f++) {
    int s = fieldSize(sol->SizFld[f], dim);
    if (s < 0) myexit("FATAL INTERNAL ERROR", 100);
    off += s;
  }
  return off;
}

enum class ScalarIssue { None, NoZ, BadType };

// The scalar of getPrintSol, the problem it met reported to the caller.
double scalarOf(int dim, int repr, int type, const double *v, ScalarIssue *issue) {
  *issue = ScalarIssue::None;
  const int n = dim == 3 ? 3 : 2;
  switch (type) {
    case SOL_SCALAR: return v[0];
    case SOL_VECTOR:
      switch (repr) {
        case 1: return *std::min_element(v, v + n);
        case 2: return *std::max_element(v, v + n);
        case 3:
        case 4:
        case 5:
          if (repr - 3 >= n) {
            *issue = ScalarIssue::NoZ;
            return 0.0;
          }
          return v[repr - 3];
      }
      return n == 3 ? std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])
                    : std::sqrt(v[0] * v[0] + v[1] * v[1]);
    case SOL_SYMMAT: {
      double det = n == 3 ? (v[4] * v[1] - v[3] * v[2]) * v[2] + (v[4] * v[2] - v[5] * v[1]) * v[1] +
                                (v[3] * v[5] - v[4] * v[4]) * v[0]
                          : v[0] * v[2] - v[1] * v[1];
      if (repr == 1) return std::sqrt(std::fabs(det));
      if (repr != 2 && repr != 3) return det;
      double val[3] = {0, 0, 0}, vec[9];
      int ok = n == 3 ? mtxEigen3(v, val, vec) : mtxEigen2(v, val, vec);
      if (!ok) return 0.0;
      double big = 0.0;
      for (int i = 0; i < n; i++) big = std::max(big, std::fabs(val[i]));
      // A zero tensor has no size: infinite, left out of the range.
      return 1.0 / std::sqrt(big);
    }
    case SOL_MATRIX: {
      double big = DBL_MIN;
      for (int i = 0; i < n * n; i++) big = std::max(big, std::fabs(v[i]));
      return big;
    }
  }
  *issue = ScalarIssue::BadType;
  return 0.0;
}

void reportIssue(ScalarIssue issue) {
  if (issue == ScalarIssue::NoZ) printf("error in getPrintSol in zel_sol\n");
  if (issue == ScalarIssue::BadType) printf("solution type not implemented yet!\n");
}

// Sol[1..n] = the field's scalars, n the entities both Sol and the solution hold (Sol past n
// is cleared); the range of the finite ones, (0, 0) when none. false when the mesh has no
// solution or no such field.
bool fillScalars(const Geometric_Mesh *msh, int field, ZelPalette *pal, double *lo, double *hi, int *filled) {
  SolChoice c = chooseSolution(msh);
  const Geometric_Solution *sol = c.Sol;
  if (!sol || field < 0 || field >= sol->NbrFld || !sol->SizFld) return false;
  const int dim = msh->Dim == 3 ? 3 : 2;
  const int off = fieldOffset(sol, field, dim), type = sol->SizFld[field];
  const int n = (pal->Sol && c.Count > 0) ? std::min(pal->NbrSol, c.Count) : 0;
  double mn = DBL_MAX, mx = -DBL_MAX;
  ScalarIssue issue = ScalarIssue::None, last = ScalarIssue::None;
  for (int j = 1; j <= n; j++) {
    double s = scalarOf(dim, pal->Repr, type, sol->Sol + static_cast<size_t>(j) * sol->SizTot + off, &issue);
    if (issue != ScalarIssue::None) last = issue;
    pal->Sol[j] = s;
    if (!std::isfinite(s)) continue;
    mn = std::min(mn, s);
    mx = std::max(mx, s);
  }
  // One report per update, not one per entity.
  reportIssue(last);
  if (pal->Sol) {
    pal->Sol[0] = 0.0;
    for (int j = n + 1; j <= pal->NbrSol; j++) pal->Sol[j] = 0.0;
  }
  *filled = n;
  if (mn > mx) mn = mx = 0.0;
  *lo = mn;
  *hi = mx;
  return true;
}

void setRange(ZelPalette *pal, double lo, double hi, int N) {
  pal->Mid = 0.5 * (lo + hi);
  double span = std::fabs(lo - hi);
  pal->Inv = span > 1e-6 ? 1.0 / span : 1.0;
  pal->N = N;
}

void setHues(ZelPalette *pal) {
  for (int i = 0; i < pal->N; i++)
    pal->Hue[i] = static_cast<float>((1.0 - static_cast<double>(i) / (pal->N - 1)) * 240.0);
}

void normaliseScalars(ZelPalette *pal, int n) {
  for (int j = 1; j <= n; j++) pal->Sol[j] = (pal->Sol[j] - pal->Mid) * pal->Inv;
}

template <class T>
void release(Memory_List *mem, T *&arr) {
  if (arr) MEM_FREE(mem, arr);
  arr = nullptr;
}

}  // namespace

double getPrintSol(int dim, int repr, int type, const double *values) {
  if (!values) return 0.0;
  ScalarIssue issue;
  double s = scalarOf(dim, repr, type, values, &issue);
  reportIssue(issue);
  return s;
}

int zelUpdatePalette(int field, const Geometric_Mesh *msh, int N, ZelPalette *pal) {
  if (!pal || N < 2 || N > ZelMaxIso) return 0;
  double lo, hi;
  int n;
  if (!fillScalars(msh, field, pal, &lo, &hi, &n)) return 0;
  setRange(pal, lo, hi, N);

  bool logScale = pal->Scale == 1;
  if (logScale && hi <= 0.0) {
    // No logarithm of a range without a positive value: linear instead of NaN. The palette
    // says so itself, so that its colours, typed values and window read it as linear too.
    printf("%s", kLogWarning);
    logScale = false;
    pal->Scale = 0;
  }
  if (logScale) {
    double start = lo;
    if (lo <= 0.0) {
      printf("%s", kLogWarning);
      start = 1e-15;
    }
    double ratio = std::pow(hi / start, 1.0 / (N - 1));
    pal->Iso[0] = start;
    pal->NormIso[0] = static_cast<float>(start);
    for (int i = 1; i < N; i++) {
      pal->Iso[i] = pal->Iso[i - 1] * ratio;
      pal->NormIso[i] = static_cast<float>(pal->NormIso[i - 1] * ratio);
    }
  } else {
    double step = (hi - lo) / (N - 1);
    float nstep = static_cast<float>(((hi - pal->Mid) * pal->Inv - (lo - pal->Mid) * pal->Inv) / (N - 1));
    for (int i = 0; i < N; i++) {
      pal->Iso[i] = lo + i * step;
      pal->NormIso[i] = static_cast<float>((lo - pal->Mid) * pal->Inv + i * nstep);
    }
  }
  setHues(pal);
  zelUpdateIsoLineDraw(pal, pal->Subdiv);
  if (!logScale) normaliseScalars(pal, n);
  return 1;
}

int zelDefaultPalette(const ZelSceneOptions *opt, int field, const Geometric_Mesh *msh, int N,
                      ZelPalette *pal) {
  if (!opt || opt->palCount == 0) return zelUpdatePalette(field, msh, N, pal);
  if (!pal || N < 2 || N > std::min(opt->palCount, 5)) return 0;
  double lo, hi;
  int n;
  if (!fillScalars(msh, field, pal, &lo, &hi, &n)) return 0;
  setRange(pal, lo, hi, N);
  for (int i = 0; i < N; i++) {
    pal->Iso[i] = opt->pal[i];
    pal->NormIso[i] = static_cast<float>((pal->Iso[i] - pal->Mid) * pal->Inv);
    printf(" zelDefaultPalette: Iso %g \n", pal->Iso[i]);
  }
  setHues(pal);
  zelUpdateIsoLineDraw(pal, pal->Subdiv);
  if (pal->Scale != 1) normaliseScalars(pal, n);
  return 1;
}

void zelUpdateIsoLineDraw(ZelPalette *pal, int n) {
  if (!pal) return;
  if (n < 0) n = 0;
  pal->Subdiv = n;
  release(pal->Mem, pal->RefLvl);
  release(pal->Mem, pal->RefHue);
  pal->NbrRef = 0;
  if (pal->N < 1 || pal->N > ZelMaxIso) return;
  int64_t m = static_cast<int64_t>(pal->N - 1) * n;
  if (m > (1 << 24)) return;  // no panel asks for millions of levels
  size_t cells = static_cast<size_t>(m) + 1;
  pal->RefLvl = static_cast<float *>(MEM_ALLOC(pal->Mem, pal->RefLvl, sizeof(float) * cells));
  pal->RefHue = static_cast<float *>(MEM_ALLOC(pal->Mem, pal->RefHue, sizeof(float) * cells));
  if (!pal->RefLvl || !pal->RefHue) zelAllocFailure("zelUpdateIsoLineDraw", "RefLvl");
  for (int64_t k = 0; k < m; k++) {
    int64_t i = k / n;
    float f = static_cast<float>(k % n) / static_cast<float>(n);
    pal->RefLvl[k] = pal->NormIso[i + 1] * f + pal->NormIso[i] * (1.0f - f);
    pal->RefHue[k] = pal->Hue[i + 1] * f + pal->Hue[i] * (1.0f - f);
  }
  pal->RefLvl[m] = pal->NormIso[pal->N - 1];
  pal->RefHue[m] = pal->Hue[pal->N - 1];
  pal->NbrRef = static_cast<int32_t>(m);
}

ZelViewSolution *zelNewViewSolution(Memory_List *mem, const ZelSceneOptions *opt, const Geometric_Mesh *msh) {
  SolChoice c = chooseSolution(msh);
  if (!c.Sol || c.Sol->NbrFld < 1) return nullptr;
  const int nbrFld = c.Sol->NbrFld;
  auto *view = static_cast<ZelViewSolution *>(MEM_ALLOC(mem, new, sizeof(ZelViewSolution)));
  if (!view) zelAllocFailure("zelNewViewSolution", "new");
  view->NbrFld = nbrFld;
  view->ZelPal = static_cast<ZelPalette *>(MEM_ALLOC(mem, new->ZelPal, sizeof(ZelPalette) * nbrFld));
  if (!view->ZelPal) zelAllocFailure("zelNewViewSolution", "new->ZelPal");
  view->SolSca = static_cast<double(*)[2]>(MEM_ALLOC(mem, new->SolSca, sizeof(double[2]) * nbrFld));
  if (!view->SolSca) zelAllocFailure("zelNewViewSolution", "new->SolSca");
  std::memset(view->SolSca, 0, sizeof(double[2]) * nbrFld);
  for (int f = 0; f < nbrFld; f++) {
    ZelPalette *pal = &view->ZelPal[f];
    *pal = ZelPalette{};
    pal->Mem = mem;
    pal->IsoWidth = 2.0f;
    pal->Subdiv = 9;
    pal->NbrSol = c.Count;
    size_t cells = static_cast<size_t>(c.Count) + 1;
    pal->Sol = static_cast<double *>(MEM_ALLOC(mem, new->ZelPal[iFld].Sol, sizeof(double) * cells));
    if (!pal->Sol) zelAllocFailure("zelNewViewSolution", "new->ZelPal[iFld].Sol");
    std::memset(pal->Sol, 0, sizeof(double) * cells);
    zelDefaultPalette(opt, f, msh, 5, pal);
    zelUpdateIsoLineDraw(pal, 9);
  }
  return view;
}

void zelFreePalette(Memory_List *mem, ZelPalette *pal) {
  if (!pal) return;
  release(mem, pal->Sol);
  release(mem, pal->RefLvl);
  release(mem, pal->RefHue);
  pal->NbrSol = pal->NbrRef = 0;
}

ZelViewSolution *zelFreeViewSolution(Memory_List *mem, ZelViewSolution *view) {
  if (!view) return nullptr;
  if (view->ZelPal) {
    for (int f = 0; f < view->NbrFld; f++) zelFreePalette(mem, &view->ZelPal[f]);
    MEM_FREE(mem, view->ZelPal);
  }
  if (view->SolSca) MEM_FREE(mem, view->SolSca);
  MEM_FREE(mem, view);
  return nullptr;
}

namespace {

// Points of the iso-line kept in order, a point dropped when a kept one lies within 1e-6 in
// both x and y. Kept points are filed by cells of 2e-6, so a point's possible duplicates are in
// the 3 x 3 cells around its own: one pass whatever the number of points.
class DistinctPoints {
 public:
  explicit DistinctPoints(size_t expected) : cells_(expected) {}

  void add(double x, double y) {
    int64_t cx = cellOf(x), cy = cellOf(y);
    for (int64_t i = cx - 1; i <= cx + 1; i++)
      for (int64_t j = cy - 1; j <= cy + 1; j++)
        if (const int *head = cells_.find(key(i, j)))
          for (int k = *head; k >= 0; k = next_[k])
            if (std::fabs(pts_[2 * k] - x) < 1e-6 && std::fabs(pts_[2 * k + 1] - y) < 1e-6) return;
    int idx = static_cast<int>(next_.size());
    int *head = cells_.find(key(cx, cy));
    next_.push_back(head ? *head : -1);
    if (head)
      *head = idx;
    else
      cells_.insert(key(cx, cy), idx);
    pts_.push_back(x);
    pts_.push_back(y);
  }

  const std::vector<double> &points() const { return pts_; }

 private:
  static int64_t cellOf(double v) {
    double q = std::floor(v / 2e-6);
    if (!(q > -4e18)) return q != q ? 0 : INT64_MIN / 2;  // NaN in cell 0, far values clamped
    return q < 4e18 ? static_cast<int64_t>(q) : INT64_MAX / 2;
  }
  // Distinct cells may share a key: their points are then compared with each other too,
  // which changes nothing since the distance decides.
  static uint64_t key(int64_t i, int64_t j) {
    return static_cast<uint64_t>(i) * 0x9E3779B97F4A7C15ull ^
           static_cast<uint64_t>(j) * 0xC2B2AE3D27D4EB4Full;
  }

  ZelScratchMap cells_;
  std::vector<int> next_;  // next kept point of the same cell key, -1 ends
  std::vector<double> pts_;
};

}  // namespace

double *zelGetIsoLinPts(const Geometric_Mesh *msh, int field, int *count, double iso) {
  if (!msh || msh->Dim != 2 || !count || !msh->Ver || !msh->Tri) return nullptr;
  const Geometric_Solution *sol = msh->SolAtVer;
  if (!sol || !sol->Sol || !sol->SizFld || field < 0 || field >= sol->NbrFld) return nullptr;
  const int off = fieldOffset(sol, field, 2);
  const int nbrVer = std::min(msh->NbrVer, sol->SizTot > 0 ? msh->MaxSolVer / sol->SizTot : 0);
  auto value = [&](int v) { return sol->Sol[static_cast<size_t>(v) * sol->SizTot + off]; };

  std::vector<double> seg;  // two points per crossed triangle
  for (int t = 1; t <= msh->NbrTri; t++) {
    const Triangle &tri = msh->Tri[t];
    // A dead triangle may hold vertex numbers the loader refused.
    if (!(TagAtomicLoad(&tri.Tag) & TAG_ALIVE)) continue;
    if (!std::all_of(tri.Ver, tri.Ver + 3, [&](int v) { return v >= 1 && v <= nbrVer; })) continue;
    double p[4][2];
    int k = 0;
    for (int e = 0; e < 3; e++) {
      const double *A = msh->Ver[tri.Ver[e]].Crd, *B = msh->Ver[tri.Ver[(e + 1) % 3]].Crd;
      double va = value(tri.Ver[e]), vb = value(tri.Ver[(e + 1) % 3]);
      if (va == iso && vb == iso) {
        p[k][0] = A[0], p[k][1] = A[1], k++;
        p[k][0] = B[0], p[k][1] = B[1], k++;
        break;
      }
      if ((va < iso && iso < vb) || (vb < iso && iso < va)) {
        double da = std::fabs(va - iso), db = std::fabs(vb - iso), s = da + db;
        for (int c = 0; c < 2; c++) p[k][c] = (db / s) * A[c] + (da / s) * B[c];
        k++;
      }
    }
    // A line through one vertex only gives one point: no segment.
    if (k != 2 || (std::fabs(p[0][0] - p[1][0]) < 1e-6 && std::fabs(p[0][1] - p[1][1]) < 1e-6)) continue;
    seg.insert(seg.end(), {p[0][0], p[0][1], p[1][0], p[1][1]});
  }
  const size_t nbrPts = seg.size() / 2;
  printf("nb tri inter = %d \n", static_cast<int>(nbrPts / 2));
  printf("n = %d\n", static_cast<int>(nbrPts));

  DistinctPoints kept(nbrPts);
  for (size_t i = 0; i < nbrPts; i++) kept.add(seg[2 * i], seg[2 * i + 1]);
  const std::vector<double> &pts = kept.points();
  printf("nombre pnt = %d \n", static_cast<int>(pts.size() / 2));
  auto *out = static_cast<double *>(std::malloc(sizeof(double) * std::max<size_t>(pts.size(), 2)));
  if (!out) return nullptr;
  std::copy(pts.begin(), pts.end(), out);
  *count = static_cast<int>(pts.size() / 2);
  return out;
}

int zelFieldOffset(const Geometric_Solution *sol, int field, int dim) {
  return fieldOffset(sol, field, dim);
}

int zel_CriticalPoints() { return 0; }
int zelCutByIsoLin() { return 0; }
void zel_ReorderVertex() {}

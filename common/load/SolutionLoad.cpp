// Solution files: size pass, load of the values with the minimum and maximum of every field,
// and the "not ready" answer for a file that is still being written, or that changes while a
// reload reads it.
#include "common/load/SolutionLoad.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/ShownName.h"
#include "common/load/LoadInternal.h"
#include "common/load/LoadNotices.h"
#include "common/load/MeshLoad.h"
#include "common/load/Su2.h"

namespace {

// Solution keywords in the order the size pass looks at them.
const int kSizeOrder[] = {KmfSolAtVertices, KmfSolAtTetrahedra, KmfSolAtPrisms, KmfSolAtPyramids,
                          KmfSolAtHexahedra, KmfSolAtTriangles, KmfSolAtQuadrilaterals};

int notReady() {
  LoadNotice("\n Warning, solution file not ready, waiting for it \n ");
  return 2;
}

// The quantity of one field value that its minimum and maximum follow. A quantity that is NaN
// or infinite (a value of the file, or a length or determinant out of the doubles' range) is
// left out: one would stretch the range, hence the palette, to infinity.
void updateBox(int type, int dim, double *v, double2 &box) {
  auto take = [&](double q) {
    if (!std::isfinite(q)) return;
    if (q < box[0]) box[0] = q;
    if (q > box[1]) box[1] = q;
  };
  switch (type) {
    case SOL_SCALAR: take(v[0]); break;
    case SOL_VECTOR: {
      double s = 0;
      for (int j = 0; j < dim; j++) s += v[j] * v[j];
      take(s);
      break;
    }
    case SOL_SYMMAT:
      if (dim == 2) {
        take(v[0] * v[2] - v[1] * v[1]);
      } else {
        // Files store xx, xy, yy, xz, yz, zz; the mesh keeps xx, xy, xz, yy, yz, zz.
        double t = v[2];
        v[2] = v[3];
        v[3] = t;
        double xx = v[0], xy = v[1], xz = v[2], yy = v[3], yz = v[4], zz = v[5];
        take(xx * (yy * zz - yz * yz) - xy * (xy * zz - yz * xz) + xz * (xy * yz - yy * xz));
      }
      break;
    default:
      for (int j = 0; j < dim * dim; j++) take(v[j]);
      break;
  }
}

// The per-entity pass of a solution section, run on each block as it is read: the ranges of
// each block's fields (2 x NbrTyp values per block, minimum then maximum) and the count of
// its values that are NaN or infinite, merged afterwards in file order.
struct ValuePass {
  double *First;  // values of the section's first entity
  int64_t S;      // values per entity
  int NbrTyp, Dim;
  const int *Types;
  double *Ranges;
  int64_t *NonFinite;  // one count per block
};

void valueBlock(int64_t first, int64_t last, void *arg) {
  const auto *p = static_cast<const ValuePass *>(arg);
  const int64_t block = (first - 1) / KmfBlockLines;
  double2 *box = reinterpret_cast<double2 *>(p->Ranges + 2 * p->NbrTyp * block);
  int64_t nonFinite = 0;
  for (int64_t e = first - 1; e < last; e++) {
    double *v = p->First + e * p->S;
    for (int64_t k = 0; k < p->S; k++) nonFinite += !std::isfinite(v[k]);
    for (int f = 0; f < p->NbrTyp; f++) {
      updateBox(p->Types[f], p->Dim, v, box[f]);
      v += KmfTypeSize(p->Types[f], p->Dim);
    }
  }
  p->NonFinite[block] = nonFinite;
}

// What the blocks of one section give: nblocks x nfld empty ranges (DBL_MAX, -DBL_MAX) and
// nblocks counts, freed with the object; Val or NonFinite is null when the memory could not
// be had.
struct BlockTallies {
  double *Val;
  int64_t *NonFinite;
  BlockTallies(int64_t nblocks, int64_t nfld) {
    const int64_t n = nblocks * nfld;
    Val = static_cast<double *>(MEM_ALLOC(nullptr, Val, sizeof(double) * 2 * static_cast<size_t>(n)));
    NonFinite = static_cast<int64_t *>(MEM_ALLOC(nullptr, NonFinite, sizeof(int64_t) * static_cast<size_t>(nblocks)));
    for (int64_t k = 0; Val && k < n; k++) {
      Val[2 * k] = DBL_MAX;
      Val[2 * k + 1] = -DBL_MAX;
    }
    for (int64_t b = 0; NonFinite && b < nblocks; b++) NonFinite[b] = 0;
  }
  ~BlockTallies() {
    MEM_FREE(nullptr, Val);
    MEM_FREE(nullptr, NonFinite);
  }
  BlockTallies(const BlockTallies &) = delete;
  BlockTallies &operator=(const BlockTallies &) = delete;
};

struct Slot {
  Geometric_Solution *Sol;
  int Kwd;
  int *Nbr;
  int Max;
  const char *Name;
};

// Why path gives no solution to read, as the size pass found it unusable: what stands there
// (SolMissing when nothing does); a readable regular file is refused as not being a
// solution file when its name is one's (sol), else as having no solution file's name.
int whyAt(const char *path, bool sol) {
  const int why = SolPathWhy(path);
  if (why != SolTaken) return why;
  return sol ? SolNotKeyword : SolOtherKind;
}

// Why the opener refused the readable file at path (refusal: KmfLastRefusal right after): the
// reason it found in the file, else not being a solution file.
int refusedWhy(const char *path, int refusal) {
  const int why = whyAt(path, true);
  if (why != SolNotKeyword) return why;
  if (refusal == KmfRefusedHeaderAgain) return SolHeaderChanged;
  if (refusal == KmfRefusedFieldTypes) return SolDamaged;
  return why;
}

// Why no solution file of name could be read: the first of the files it stands for (the name
// itself when it ends in ".sol" or ".solb", else its base name's ".solb", then ".sol") that
// exists says it, else the name as given, else nothing is there.
int absentWhy(const char *name) {
  const int ext = KindExtension(name, FILE_NAME_SOL);
  if (ext == NAME_EXT_TEXT || ext == NAME_EXT_BINARY) return whyAt(name, true);
  char base[FileNameMax + 1], path[FileNameMax + 1];
  getBaseName(name, base, sizeof(base));
  for (bool binary : {true, false}) {
    if (!AppendExtension(base, FILE_NAME_SOL, binary, path, sizeof(path))) continue;
    const int why = whyAt(path, true);
    if (why != SolMissing) return why;
  }
  return whyAt(name, false);
}

void printFieldRanges(const Geometric_Mesh *msh) {
  const Geometric_Solution *all[] = {msh->SolAtVer, msh->SolAtTet, msh->SolAtPyr, msh->SolAtPri,
                                     msh->SolAtHex, msh->SolAtQua, msh->SolAtTri};
  for (const Geometric_Solution *s : all) {
    if (!s) continue;
    for (int f = 0; f < s->NbrFld; f++) {
      // A field with no finite value so far has an empty range: shown as it will be settled.
      const bool empty = s->Box[f][0] > s->Box[f][1];
      const double b[2] = {empty ? 0.0 : s->Box[f][0], empty ? 0.0 : s->Box[f][1]};
      switch (s->SizFld[f]) {
        case SOL_SCALAR: printf("   Scalar : [%lg %lg] \n", b[0], b[1]); break;
        case SOL_VECTOR: printf("   Vector : [%lg %lg] \n", sqrt(fabs(b[0])), sqrt(fabs(b[1]))); break;
        case SOL_SYMMAT: printf("   Tensor : [%lg %lg] \n", sqrt(fabs(b[0])), sqrt(fabs(b[1]))); break;
        default: printf("   Matrix : [%lg %lg] \n", b[0], b[1]); break;
      }
    }
  }
}

}  // namespace

const char *SolWhyWords(int why) {
  // In the order of SolWhy.
  static const char *const words[] = {"",
                                      "A NAME LONGER THAN THE LOADERS TAKE",
                                      "NO SUCH FILE",
                                      "NOT READABLE BY THIS USER",
                                      "A FOLDER",
                                      "NOT A REGULAR FILE",
                                      "NO .sol OR .solb FILE BY THAT NAME",
                                      "NOT A SOLUTION FILE OR CUT SHORT",
                                      "NO SOLUTION IN IT",
                                      "INCOMPATIBLE WITH THE SOLUTION OF AN EARLIER FILE",
                                      "OF ANOTHER DIMENSION THAN THE MESH",
                                      "A FILE VERSION THE LOADERS DO NOT TAKE",
                                      "NOT WRITTEN TO ITS END YET",
                                      "VALUES FOR MORE ENTITIES THAN THE MESH HAS",
                                      "DAMAGED, ITS VALUES CANNOT BE READ",
                                      "A LATER Dimension OR MeshVersionFormatted OF ANOTHER VALUE THAN ITS HEADER'S",
                                      "FIELDS OTHER THAN THOSE SHOWN"};
  static_assert(sizeof(words) / sizeof(words[0]) == SolOtherFields + 1, "one reason per row");
  return why >= 0 && why < static_cast<int>(sizeof(words) / sizeof(words[0])) ? words[why] : "";
}

int SolPathWhy(const char *path) {
  struct stat st;
  if (stat(path, &st) != 0) return errno == EACCES ? SolUnreadable : SolMissing;
  if (S_ISDIR(st.st_mode)) return SolFolder;
  if (!S_ISREG(st.st_mode)) return SolNotRegular;
  if (access(path, R_OK) != 0) return SolUnreadable;
  return SolTaken;
}

int FitSolSize(int mode, Function_Interface *fi, const char *name, int *SizMsh, int *why) {
  auto none = [&](int reason) {
    if (why) *why = reason;
    return 0;
  };
  if (why) *why = SolTaken;
  if (!name || !SizMsh) return none(SolMissing);
  if (!LoadNameFits(fi, "FITSOLSIZE", name)) return none(SolLongName);
  char base[FileNameMax + 1];
  getBaseName(name, base, sizeof(base));
  bool su2 = GetInputFileType(name) == FILE_TYPE_SU2;
  // In quiet mode an absent file is no error: do not ask the opener, which reports it.
  char target[FileNameMax + 1], path[FileNameMax + 1];
  bool present = FindSolutionFile(name, target, path, sizeof(path));
  KmfMeshFile *hdl = nullptr;
  int ver = 0, dim = 0;
  if (!su2 && (mode != 1 || present))
    hdl = LoadOpenKmf(fi, target, KmfSol, &ver, &dim);
  if (!hdl) {
    const int refusal = KmfLastRefusal();
    if (su2 && FitSU2SolSize(mode, fi, name, SizMsh)) return 1;
    if (mode != 1 && !su2) {
      fprintf(stderr, "  ## ERROR: FITSOLSIZE: CANNOT OPEN %s.[sol[b]]\n", ShownName(base).c_str());
      fi->ErrCod = ERR_BAD_DATA;
      fi->Status |= STATUS_FILE_UNREADABLE;
    }
    // The ".dat" beside an SU2 mesh has a reader that words its own refusals.
    if (su2) return none(SolMissing);
    return none(present ? refusedWhy(path, refusal) : absentWhy(name));
  }
  static thread_local int types[KmfMaxTyp];
  bool mismatch = false;
  for (int kwd : kSizeOrder) {
    int ntyp = 0, solsiz = 0;
    int n = CountFromFile(KmfStatKwd(hdl, kwd, &ntyp, &solsiz, types));
    if (n <= 0) continue;
    bool fresh = SizMsh[KmfSolSizTot] == 0 && SizMsh[KmfSolNbrFld] == 0;
    if (fresh) {
      SizMsh[kwd] = n;
      SizMsh[KmfSolSizTot] = solsiz;
      SizMsh[KmfSolNbrFld] = ntyp;
      for (int t = 0; t < ntyp; t++) SizMsh[KmfSolTypes + t] = types[t];
      KmfCloseMesh(hdl);
      return n;
    }
    // Compare with what earlier files hold before adding anything.
    bool same = SizMsh[KmfSolSizTot] == solsiz && SizMsh[KmfSolNbrFld] == ntyp &&
                static_cast<int64_t>(SizMsh[kwd]) + n <= INT32_MAX - 2;
    for (int t = 0; same && t < ntyp; t++) same = SizMsh[KmfSolTypes + t] == types[t];
    if (same) {
      SizMsh[kwd] += n;
      KmfCloseMesh(hdl);
      return n;
    }
    fprintf(stderr, kwd == KmfSolAtTetrahedra
                        ? "  ## ERROR: TRYSSOLSIZE: INCOMPATIBLE SOLUTIONS BETWEEN FILES \n"
                        : "  ## ERROR: TRYSOLSOLSIZE: INCOMPATIBLE SOLUTIONS BETWEEN FILES \n");
    fprintf(stderr, "  SOLUTION FIELDS IGNORES \n");
    fi->Status |= STATUS_SOLUTION_MISMATCH;
    mismatch = true;
  }
  KmfCloseMesh(hdl);
  return none(mismatch ? SolIncompatible : SolNoSection);
}

int LoadSolAtEntity(Function_Interface *fi, KmfMeshFile *hdl, Geometric_Mesh *msh, int kwd,
                    Geometric_Solution *sol, int *NbrSol, int MaxSol, int64_t *nonFinite) {
  if (!hdl || !msh || !NbrSol) {
    fprintf(stderr, "  ## ERROR: LOADSOLATENTITY: INVALID MESH FILE DESCRIPTOR %lld \n", HandleId(hdl));
    fi->ErrCod = ERR_BAD_HANDLE;
    return 0;
  }
  if (MaxSol < 1) return 0;
  int dim = 0;
  KmfStatMesh(hdl, nullptr, &dim, nullptr);
  if (dim != msh->Dim) {
    fprintf(stderr, "  ## ERROR: LOADSOLATENTITY: SOLUTION FIELD DIMENSION INVALID %d <> MESH DIMENSION %d \n",
            dim, msh->Dim);
    fi->ErrCod = ERR_NOT_ALLOCATED;
    return 0;
  }
  if (!sol || !sol->Sol || !sol->SizFld || !sol->Box) {
    fprintf(stderr, "  ## ERROR: LOADSOLATENTITY: SOLUTION ARRAY IS NOT ALLOCATED \n");
    fi->ErrCod = ERR_NOT_ALLOCATED;
    return 0;
  }
  static thread_local int types[KmfMaxTyp];
  int ntyp = 0, solsiz = 0;
  int n = CountFromFile(KmfStatKwd(hdl, kwd, &ntyp, &solsiz, types));
  bool same = n > 0 && ntyp == sol->NbrFld && solsiz == sol->SizTot;
  for (int t = 0; same && t < ntyp; t++) same = types[t] == sol->SizFld[t];
  if (!same) {
    fprintf(stderr, "  ## ERROR: LOADSOLATENTITY: INVALID SOLUTION TYPE \n");
    fprintf(stderr, "  ALLOCATED TOTAL SIZE %d      <> READ %d \n", sol->SizTot, solsiz);
    fprintf(stderr, "  ALLOCATED NUMBER OF FIELD %d <> READ %d \n", sol->NbrFld, ntyp);
    fi->ErrCod = ERR_NOT_ALLOCATED;
    return 0;
  }
  for (int t = 0; t < ntyp; t++)
    if (types[t] < SOL_SCALAR || types[t] > SOL_MATRIX) {
      fprintf(stderr, "  ## ERROR: LOADSOLATENTITY: INVALID FIELD TYPE %d \n", types[t]);
      fi->ErrCod = ERR_BAD_DATA;
      return 0;
    }
  // Entities against entities: this file's values go after those already read.
  int64_t cap = MaxSol / sol->SizTot;
  int64_t need = static_cast<int64_t>(*NbrSol) + n;
  if (*NbrSol < 0) return CapacityExceeded(fi, "LOADSOLATENTITY", "SOLUTION", "SOLUTIONS", static_cast<int>(cap), need);
  if (need > cap) {
    // More values than the mesh has entities: the file is not this mesh's (opening says the same).
    fprintf(stderr, "  ## ERROR: LOADSOLATENTITY: INCONSISTENT SIZE IN # OF SOLUTION(%lld) >  # OF %s(%lld) \n",
            static_cast<long long>(need), SolutionKindWords(msh, sol), static_cast<long long>(cap));
    fi->ErrCod = ERR_CAPACITY;
    return 0;
  }
  const int64_t S = sol->SizTot;
  double *first = sol->Sol + (static_cast<int64_t>(*NbrSol) + 1) * S;
  double *last = sol->Sol + need * S;
  // Ranges of every block, each starting empty.
  int64_t nblocks = (n + KmfBlockLines - 1) / KmfBlockLines;
  BlockTallies ranges(nblocks, ntyp);
  if (!ranges.Val || !ranges.NonFinite)
    return CapacityExceeded(fi, "LOADSOLATENTITY", "SOLUTION", "SOLUTIONS", static_cast<int>(cap), need);
  ValuePass pass{first, S, ntyp, dim, types, ranges.Val, ranges.NonFinite};
  if (!KmfGetBlock(hdl, kwd, 1, n, 0, nullptr, valueBlock, &pass, KmfDouble, first, last)) {
    fprintf(stderr, "  ## ERROR: LOADSOLATENTITY: CANNOT READ THE SOLUTION FROM THE FILE \n");
    fi->ErrCod = ERR_BAD_DATA;
    return 0;
  }
  // A fresh fill (first file, or a reload that set the count back to 0) starts new ranges;
  // a later file of a set widens those of the earlier ones.
  if (*NbrSol == 0) ResetFieldRanges(sol);
  for (int64_t b = 0; b < nblocks; b++) {
    for (int f = 0; f < ntyp; f++) {
      const double *r = ranges.Val + 2 * (b * ntyp + f);
      if (r[0] < sol->Box[f][0]) sol->Box[f][0] = r[0];
      if (r[1] > sol->Box[f][1]) sol->Box[f][1] = r[1];
    }
    if (nonFinite) *nonFinite += ranges.NonFinite[b];
  }
  *NbrSol += n;
  return 1;
}

namespace {

// Opens the solution a name stands for (FindSolutionFile), base being its base name. Null with
// *result the answer to give when it cannot be loaded now (2 for a file still being written,
// 0 after the error) and *why the reason (SolWhy).
KmfMeshFile *openSolution(Function_Interface *fi, const char *name, const char *base, int *ver, int *dim,
                          int *result, int *why, char path[FileNameMax + 1]) {
  char target[FileNameMax + 1];
  path[0] = '\0';
  bool present = FindSolutionFile(name, target, path, FileNameMax + 1);
  uint32_t status = fi->Status;
  KmfMeshFile *hdl = LoadOpenKmf(fi, target, KmfSol, ver, dim);
  if (!hdl) {
    const int refusal = KmfLastRefusal();  // before the probe below opens the file again
    // Still being written: not an error yet. Only a regular file is ever written to its end:
    // a FIFO, a device or a folder is refused for good.
    struct stat st;
    if (present && stat(path, &st) == 0 && S_ISREG(st.st_mode) && !KmfFileComplete(path)) {
      fi->Status = status;
      fi->ErrCod = 0;
      *result = notReady();
      *why = SolNotComplete;
      return nullptr;
    }
    fprintf(stderr, "  ## ERROR: LOADSOLUTION: CANNOT OPEN %s.sol[b]\n", ShownName(base).c_str());
    fi->ErrCod = ERR_BAD_DATA;
    fi->Status |= STATUS_FILE_UNREADABLE;
    *result = 0;
    *why = present ? refusedWhy(path, refusal) : absentWhy(name);
    return nullptr;
  }
  // A binary file may open up to a last section that is not End yet.
  if (KmfStatKwd(hdl, KmfEnd) == 0) {
    KmfCloseMesh(hdl);
    *result = notReady();
    *why = SolNotComplete;
    return nullptr;
  }
  return hdl;
}

// The file must have the mesh's dimension and a version the loaders take; *why says which
// it has not.
bool headerFits(Function_Interface *fi, const Geometric_Mesh *msh, const char *shown, int ver, int dim, int *why) {
  if (dim != msh->Dim) {
    fprintf(stderr, "  ## ERROR: LOADSOLUTION: WRONG MESH DIMENSION IN FILE %s\n", ShownName(shown).c_str());
    *why = SolOtherDimension;
  } else if (ver < 1 || ver > 3) {
    fprintf(stderr, "  ## ERROR: LOADMESHSOLUTION: INVALID MESH VERSION %d, MUST BE 1,2 or 3 \n", ver);
    fprintf(stderr, "  FILE %s IS IGNORED. \n", ShownName(shown).c_str());
    *why = SolBadVersion;
  } else {
    return true;
  }
  fi->ErrCod = ERR_BAD_DATA;
  return false;
}

// The mesh's one solution (the first slot that has one, in the order the loader fills them),
// or a slot with a null Sol when it holds none.
Slot heldSlot(Geometric_Mesh *msh) {
  const Slot slots[] = {
      {msh->SolAtVer, KmfSolAtVertices, &msh->NbrSolVer, msh->MaxSolVer, "LOADSOLATVER"},
      {msh->SolAtTet, KmfSolAtTetrahedra, &msh->NbrSolTet, msh->MaxSolTet, "LOADSOLATTET"},
      {msh->SolAtPyr, KmfSolAtPyramids, &msh->NbrSolPyr, msh->MaxSolPyr, "LOADSOLATPYR"},
      {msh->SolAtPri, KmfSolAtPrisms, &msh->NbrSolPri, msh->MaxSolPri, "LOADSOLATPRI"},
      {msh->SolAtHex, KmfSolAtHexahedra, &msh->NbrSolHex, msh->MaxSolHex, "LOADSOLATHEX"},
      {msh->SolAtTri, KmfSolAtTriangles, &msh->NbrSolTri, msh->MaxSolTri, "LOADSOLATTRI"},
      {msh->SolAtQua, KmfSolAtQuadrilaterals, &msh->NbrSolQua, msh->MaxSolQua, "LOADSOLATQUA"}};
  for (const Slot &s : slots)
    if (s.Sol) return s;
  return Slot{nullptr, 0, nullptr, 0, nullptr};
}

// Whether the file's section of the mesh's one solution holds other fields than it (or none):
// another count, other types or another order of them. A mesh without one has nothing to differ.
bool otherFields(KmfMeshFile *hdl, Geometric_Mesh *msh) {
  const Slot s = heldSlot(msh);
  if (!s.Sol) return false;
  static thread_local int types[KmfMaxTyp];
  int ntyp = 0, solsiz = 0;
  const int n = CountFromFile(KmfStatKwd(hdl, s.Kwd, &ntyp, &solsiz, types));
  bool same = n > 0 && ntyp == s.Sol->NbrFld && solsiz == s.Sol->SizTot;
  for (int t = 0; same && t < ntyp; t++) same = types[t] == s.Sol->SizFld[t];
  return !same;
}

// The values of the mesh's one solution; *nonFinite grows by those that are NaN or infinite.
bool loadValues(Function_Interface *fi, KmfMeshFile *hdl, Geometric_Mesh *msh, const char *shown,
                int64_t *nonFinite) {
  const Slot s = heldSlot(msh);
  if (!s.Sol || LoadSolAtEntity(fi, hdl, msh, s.Kwd, s.Sol, s.Nbr, s.Max, nonFinite)) return true;
  fprintf(stderr, "  ## ERROR: LOADMESH: %s FAILS FOR FILE %s \n", s.Name, ShownName(shown).c_str());
  return false;
}

// The first value of the one-line section kwd (Time: a real into *real, Iterations: an
// integer into *integer), when the file has it: *has says so. False after the error when it
// cannot be read.
bool readOneValue(Function_Interface *fi, KmfMeshFile *hdl, int kwd, const char *shown, bool *has, double *real,
                  int64_t *integer) {
  *has = KmfStatKwd(hdl, kwd) > 0;
  if (!*has) return true;
  int64_t ints[2];
  double reals[2];
  int ni = 0, nr = 0;
  if (KmfGotoKwd(hdl, kwd) && KmfGetLinTab(hdl, kwd, ints, &ni, reals, &nr, nullptr, nullptr) &&
      (real ? nr : ni) >= 1) {
    if (real) *real = reals[0];
    if (integer) *integer = ints[0];
    return true;
  }
  fprintf(stderr, "  ## ERROR: LOADSOLUTION: CANNOT READ %s IN FILE %s\n", KmfKwdFmt[kwd][0], ShownName(shown).c_str());
  fi->ErrCod = ERR_BAD_DATA;
  return false;
}

}  // namespace

int LoadSolutionValues(Function_Interface *fi, const char *name, Geometric_Mesh *msh, int64_t *nonFinite, int *why) {
  int reason = SolTaken;
  if (!why) why = &reason;
  *why = SolTaken;
  *nonFinite = 0;
  fi->ErrCod = 0;
  if (!name) return 1;
  if (!msh) {
    fprintf(stderr, "  ## ERROR: LOADSOLUTION: INPUT MESH NOT ALLOCATED \n");
    fi->ErrCod = ERR_BAD_HANDLE;
    *why = SolDamaged;
    return 0;
  }
  if (!LoadNameFits(fi, "LOADSOLUTION", name)) {
    *why = SolLongName;
    return 0;
  }
  char base[FileNameMax + 1];
  getBaseName(name, base, sizeof(base));
  int ver = 0, dim = 0, result = 0;
  char shown[FileNameMax + 8];
  KmfMeshFile *hdl = openSolution(fi, name, base, &ver, &dim, &result, why, shown);
  if (!hdl) return result;
  // Messages name the file that was opened; the mesh's encoding says nothing of the solution's.
  if (!shown[0]) getPrintName(FILE_NAME_SOL, fi->Status, base, shown, sizeof(shown));
  bool ok = headerFits(fi, msh, shown, ver, dim, why);
  if (ok) SayUnreadSections("LOADSOLUTION", hdl);
  if (ok && fi->Verbose > 0) printf("  %% %s OPENED (file version %d)\n", ShownName(shown).c_str(), ver);
  bool hasTime = false, hasIter = false;
  double time = 0;
  int64_t iter = 0;
  if (ok && !(loadValues(fi, hdl, msh, shown, nonFinite) &&
              readOneValue(fi, hdl, KmfTime, shown, &hasTime, &time, nullptr) &&
              readOneValue(fi, hdl, KmfIterations, shown, &hasIter, nullptr, &iter))) {
    // Past the header only the capacity and the fields are about the mesh; the rest about the values.
    *why = fi->ErrCod == ERR_CAPACITY ? SolTooMany : otherFields(hdl, msh) ? SolOtherFields : SolDamaged;
    ok = false;
  }
  KmfCloseMesh(hdl);
  if (!ok) return 0;
  // Only a file read to its end sets them.
  if (hasTime) msh->Time = time;
  if (hasIter) msh->Iter = static_cast<int>(iter);
  if (fi->Verbose > 0) {
    printFieldRanges(msh);
    if (hasIter) printf("   Iteration %d \n", msh->Iter);
    if (hasTime) printf("   Time      %lg \n", msh->Time);
  }
  if (fi->OptBits & LOAD_OPT_PROFILE) PrintLoadMemory("  Loading sol.  Memory used", msh);
  return 1;
}

int LoadSolution(Function_Interface *fi, const char *name, Geometric_Mesh *msh) {
  int64_t nonFinite = 0;
  const int res = LoadSolutionValues(fi, name, msh, &nonFinite);
  if (res != 1 || !name) return res;
  SettleFieldRanges(heldSlot(msh).Sol);
  if (nonFinite > 0) {
    char open[FileNameMax + 1], shown[FileNameMax + 1];
    if (!FindSolutionFile(name, open, shown, sizeof(shown))) snprintf(shown, sizeof(shown), "%s", name);
    NoticeNonFinite("LOADSOLUTION", shown, nonFinite);
  }
  return res;
}

namespace {

// What a reload puts aside while it reads: the values, ranges and count it may give back, and
// Time and Iterations, which a file read whole sets.
struct HeldValues {
  double *Sol;
  double2 *Box;
  int Nbr;
  double Time;
  int Iter;
};

int64_t nanos(const timespec &t) { return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; }

// How long a file must have been left alone before it is read. A write stamps the file with
// the clock of the moment, cut to the file system's step (a kernel tick, 10 ms on some, whole
// seconds on older ones): one made while the file is read shows in its stamp only when the
// file was last changed a step or more before the read began. A file that ends, or changes,
// during the read is then caught by comparing the stamps taken before and after.
std::atomic<int64_t> quietNs{50 * 1000000LL};  // file systems that keep sub-second times
const int64_t kQuietWholeNs = 2000000000LL;     // file systems that keep whole seconds
const int64_t kClockSkewNs = 1000000000LL;      // a change time this far ahead: another clock

// 1 when the file at path was left alone long enough to be read (*st its stamp then), 2 when
// it keeps changing (a writer is at work: not ready), 0 when it cannot be looked at (the load
// then says why). A file changed within the quiet time is waited for on a sub-second file
// system (at most that time plus a tick); on a whole-second one it is left for a later try.
int quietStamp(const char *path, FileStamp *st) {
  const int64_t quiet = quietNs.load();
  const int64_t waitedMax = quiet + 20 * 1000000LL;
  int64_t waited = 0;
  for (;;) {
    // The clock is read before the stamp: a write after the stamp is then stamped no earlier.
    timespec now;
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    if (!FileStampOf(path, st)) return 0;
    if (!S_ISREG(st->Mode)) return 1;  // refused by the load with its own line
    const bool whole = st->Mtim.tv_nsec == 0 && st->Ctim.tv_nsec == 0;
    const int64_t age = nanos(now) - nanos(st->Ctim);
    if (quiet <= 0 || age < -kClockSkewNs || age >= (whole ? kQuietWholeNs : quiet)) return 1;
    if (whole || waited >= waitedMax) return 2;
    const int64_t step = 2 * 1000000LL;
    timespec pause{0, static_cast<long>(step)};
    nanosleep(&pause, nullptr);
    waited += step;
  }
}

// The refusal that closes what the loaders said of a file a reload did not take.
int refusedReload(const char *name, const char *why) {
  LoadRefusal("  ## ERROR: RELOADSOLUTION: SOLUTION %s NOT LOADED: %s\n", ShownName(name).c_str(), why);
  return 0;
}

// "2 FIELDS AT VERTICES (SCALAR, VECTOR)": a solution's fields as a message names them, the
// types of the first ten (a file may declare a thousand).
std::string fieldWords(int nfld, const int *types, const char *where) {
  static const char *const kinds[] = {"SCALAR", "VECTOR", "TENSOR", "MATRIX"};
  std::string words = std::to_string(nfld) + (nfld == 1 ? " FIELD AT " : " FIELDS AT ") + where + " (";
  for (int f = 0; f < nfld && f < 10; f++) {
    const int t = types[f];
    words += f ? ", " : "";
    words += t >= SOL_SCALAR && t <= SOL_MATRIX ? kinds[t - SOL_SCALAR] : "TYPE " + std::to_string(t);
  }
  return words + (nfld > 10 ? ", ...)" : ")");
}

// Why a reload of file into the solution held is refused for its fields: those the file holds
// (its first solution section, as an opening with it would read it) and those the mesh holds.
std::string otherFieldsWhy(Function_Interface *fi, const char *file, const Geometric_Mesh *msh, const Slot &held) {
  std::vector<int> sizes(KmfSizMshLen, 0);
  const uint32_t status = fi->Status;
  const int code = fi->ErrCod;
  // Quiet: the file opened a moment ago; what the probe finds or not changes no answer.
  const int found = FitSolSize(1, fi, file, sizes.data());
  fi->Status = status;
  fi->ErrCod = code;
  if (!found || sizes[KmfSolNbrFld] <= 0) return SolWhyWords(SolNoSection);
  int asked = 0, entities = 0;
  const char *where = SizedSolutionKind(sizes.data(), &asked, &entities);
  return std::string(SolWhyWords(SolOtherFields)) + ": THE FILE HOLDS " +
         fieldWords(sizes[KmfSolNbrFld], sizes.data() + KmfSolTypes, where ? where : "ENTITIES") +
         ", THE MESH SHOWS " + fieldWords(held.Sol->NbrFld, held.Sol->SizFld, SolutionKindWords(msh, held.Sol));
}

// A mesh that holds no solution is given the one of the file, shaped as an opening with that
// file would shape it: the layout of its size pass, checked against the mesh's counts. 1 when
// the mesh has it (values cleared: the reload then reads them); otherwise the reload's answer,
// 2 for a file not written to its end yet, 0 once the lines say why the file is refused.
int giveLayout(Function_Interface *fi, const char *name, Geometric_Mesh *msh) {
  std::vector<int> sizes(KmfSizMshLen, 0);
  MeshCounts(msh, sizes.data());
  int why = SolTaken;
  // Quiet: a file that does not open is worded by the load, as for a mesh that has a solution.
  if (!FitSolSize(1, fi, name, sizes.data(), &why)) {
    int64_t nonFinite = 0;
    int loadWhy = SolTaken;
    // Of a mesh without values, a load that opens the file takes its Time and Iterations only.
    const double time = msh->Time;
    const int iter = msh->Iter;
    const int res = why != SolNoSection ? LoadSolutionValues(fi, name, msh, &nonFinite, &loadWhy) : 0;
    msh->Time = time;
    msh->Iter = iter;
    if (res == 2) return 2;
    return refusedReload(name, SolWhyWords(loadWhy != SolTaken ? loadWhy : why));
  }
  int asked = 0, held = 0;
  const char *kind = SizedSolutionKind(sizes.data(), &asked, &held);
  if (kind && asked > held)
    return refusedReload(name, ("VALUES FOR " + std::to_string(asked) + " " + kind + " ON A MESH OF " +
                                std::to_string(held)).c_str());
  if (!AddSizedSolution(fi->Mem, msh, sizes.data())) return refusedReload(name, "A SOLUTION SIZE THE MESH CANNOT HOLD");
  return 1;
}

}  // namespace

int64_t SetReloadQuietTime(int64_t ns) { return quietNs.exchange(ns < 0 ? 0 : ns); }

namespace {

int reloadValues(Function_Interface *fi, const char *name, Geometric_Mesh *msh, int64_t *readTime) {
  const Slot held = heldSlot(msh);
  // The file read is the one looked at: its stamp before and after the read must agree.
  char target[FileNameMax + 1], path[FileNameMax + 1];
  const bool present = FindSolutionFile(name, target, path, sizeof(path));
  FileStamp before{};
  const int quiet = present ? quietStamp(path, &before) : 0;
  if (quiet == 2) return notReady();
  const bool stamped = quiet == 1;
  const char *read = stamped ? path : name;
  Geometric_Solution *sol = held.Sol;
  const int64_t S = sol->SizTot, entities = S > 0 && held.Max > 0 ? held.Max / S : 0;
  const size_t nbrVal = static_cast<size_t>((entities + 1) * S);
  // New arrays the size of the old ones; the file is read into them, and they replace the
  // old ones only when the whole file was read.
  auto *fresh = static_cast<double *>(MEM_ALLOC(fi->Mem, fresh, sizeof(double) * nbrVal));
  auto *freshBox = static_cast<double2 *>(MEM_ALLOC(fi->Mem, freshBox, sizeof(double2) * sol->NbrFld));
  if (!fresh || !freshBox) {
    if (fresh) MEM_FREE(fi->Mem, fresh);
    if (freshBox) MEM_FREE(fi->Mem, freshBox);
    fprintf(stderr, "  ## ERROR: RELOADSOLUTION: NOT ENOUGH MEMORY TO RELOAD THE SOLUTION\n");
    fi->ErrCod = ERR_CAPACITY;
    return 0;
  }
  const HeldValues old{sol->Sol, sol->Box, *held.Nbr, msh->Time, msh->Iter};
  sol->Sol = fresh;
  sol->Box = freshBox;
  ResetFieldRanges(sol);
  *held.Nbr = 0;  // the file's values start at entity 1
  // A file without Time or Iterations has none, as at opening: never those of the step before.
  msh->Time = 0;
  msh->Iter = 0;
  const uint32_t status = fi->Status;
  int64_t nonFinite = 0;
  int why = SolTaken;
  int res = LoadSolutionValues(fi, read, msh, &nonFinite, &why);
  // A file that ended early or was refused while a writer changed it, or that changed while
  // it was read (even when the read went through: its values may mix two versions), is not
  // ready: it is read again later. Only a file that stayed the same is refused or taken.
  FileStamp after{};
  if (stamped && (!FileStampOf(path, &after) || !SameFileStamp(before, after))) {
    if (res != 2) res = notReady();
    fi->Status = status;
    fi->ErrCod = 0;
  }
  if (res != 1) {
    sol->Sol = old.Sol;
    sol->Box = old.Box;
    *held.Nbr = old.Nbr;
    msh->Time = old.Time;
    msh->Iter = old.Iter;
    MEM_FREE(fi->Mem, fresh);
    MEM_FREE(fi->Mem, freshBox);
    // The loader's lines name the sizes it compared; a user is told which fields differ, in
    // the file the loader names.
    if (res == 0 && why == SolOtherFields) refusedReload(read, otherFieldsWhy(fi, read, msh, held).c_str());
    return res;
  }
  // Entity 0 keeps what it held; the entities past this file's hold 0, as at opening: a value
  // of the step before would pass for one of this step.
  const size_t filled = static_cast<size_t>(*held.Nbr + 1) * S;
  std::memcpy(fresh, old.Sol, sizeof(double) * S);
  if (filled < nbrVal) std::memset(fresh + filled, 0, sizeof(double) * (nbrVal - filled));
  MEM_FREE(fi->Mem, old.Sol);
  MEM_FREE(fi->Mem, old.Box);
  SettleFieldRanges(sol);
  NoticeShortSolution("LOADSOLUTION", read, *held.Nbr, SolutionEntities(msh, sol), SolutionKindWords(msh, sol));
  NoticeNonFinite("LOADSOLUTION", read, nonFinite);
  if (readTime && stamped) *readTime = nanos(before.Mtim);
  return res;
}

}  // namespace

int ReloadSolution(Function_Interface *fi, const char *name, Geometric_Mesh *msh, int64_t *readTime) {
  if (readTime) *readTime = 0;
  // Nothing to keep: the plain load gives every answer (no name, no mesh).
  if (!name || !msh) return LoadSolution(fi, name, msh);
  if (!LoadNameFits(fi, "LOADSOLUTION", name)) return 0;
  // A mesh without a solution is given the file's layout first, and keeps it only when the
  // file is read whole: refused or not ready, it is left without one, as it was.
  const bool given = !heldSlot(msh).Sol;
  if (given) {
    const int res = giveLayout(fi, name, msh);
    if (res != 1) return res;
  }
  const int res = reloadValues(fi, name, msh, readTime);
  if (res != 1 && given) DropMeshSolution(fi->Mem, msh);
  return res;
}

// The helpers every loader shares: opening a keyword file for loading, the checks of counts
// and capacities read from files, the report of invalid entries and the bounding box. They
// call the keyword-file access and the file names, never a loader.
#include "common/load/LoadInternal.h"

#include <cfloat>
#include <climits>
#include <cstdio>

#include "common/base/FunctionInterface.h"
#include "common/load/FileNames.h"
#include "common/load/LoadNotices.h"
#include "common/load/MeshLoad.h"
#include "common/pool/MthParallel.h"

bool LoadArgsMissing(Function_Interface *fi, const char *fun, const char *name, const Geometric_Mesh *msh) {
  if (name && msh) return false;
  fprintf(stderr, "  ## ERROR: %s: MESH/FILE NAME NOT ALLOCATED \n", fun);
  if (fi) fi->ErrCod = ERR_BAD_HANDLE;
  return true;
}

bool LoadBadHandle(Function_Interface *fi, const char *fun, KmfMeshFile *hdl, Geometric_Mesh *msh) {
  if (hdl && msh) return false;
  fprintf(stderr, "  ## ERROR: %s: INVALID MESH FILE DESCRIPTOR %lld \n", fun, HandleId(hdl));
  fi->ErrCod = ERR_BAD_HANDLE;
  return true;
}

void EndInvalidReport(Function_Interface *fi, const BadEntries &bad, const char *noMore) {
  if (bad.Nbr > BadEntries::Max) fputs(noMore, stderr);
  fi->Status |= STATUS_INVALID_ELEMENTS;
}

long long HandleId(const KmfMeshFile *hdl) {
  return static_cast<long long>(reinterpret_cast<intptr_t>(hdl));
}

int LoadNameFits(Function_Interface *fi, const char *fun, const char *name) {
  if (!name || FileNameFits(name)) return 1;
  fprintf(stderr, "  ## ERROR: %s: FILE NAME LONGER THAN %d CHARACTERS \n", fun, FileNameMax);
  if (fi) {
    fi->ErrCod = ERR_BAD_DATA;
    fi->Status |= STATUS_FILE_UNREADABLE;
  }
  return 0;
}

int LoadCannotOpen(Function_Interface *fi, const char *fun, const char *name) {
  char base[FileNameMax + 1];
  getBaseName(name, base, sizeof(base));
  fprintf(stderr, "  ## ERROR: %s: CANNOT OPEN %s.[mesh[b]]\n", fun, ShownName(base).c_str());
  fi->ErrCod = ERR_BAD_DATA;
  fi->Status |= STATUS_FILE_UNREADABLE;
  return 0;
}
KmfMeshFile *LoadOpenKmf(Function_Interface *fi, const char *name, int kind, int *ver, int *dim) {
  // Pick the existing file ourselves: asking the opener to try names that do not exist
  // fills the terminal with complaints.
  char path[FileNameMax + 1];
  bool resolved = KindExtension(name, kind) == NAME_EXT_NONE && ExistingKeywordFile(name, kind, path, sizeof(path));
  KmfMeshFile *hdl = GetMeshDesc(fi, resolved ? path : name, ver, dim, kind, KmfRead);
  // Large sections are read on the main pool, which the loading thread controls.
  if (hdl && fi && fi->Par) KmfSetPool(hdl, fi->Par->Pool);
  return hdl;
}

KmfMeshFile *LoadOpenMesh(Function_Interface *fi, const char *name, const char *versionLevel, int *ver,
                          int *dim) {
  if (!LoadNameFits(fi, "LOADMESH", name)) return nullptr;
  KmfMeshFile *hdl = LoadOpenKmf(fi, name, KmfMesh, ver, dim);
  if (!hdl) {
    LoadCannotOpen(fi, "LOADMESH", name);
    return nullptr;
  }
  // The opener has refused every dimension but 2 and 3; the loaders take versions 1 to 3.
  if (*ver >= 1 && *ver <= 3) return hdl;
  fprintf(stderr, "  ## %s: LOADMESH: INVALID MESH VERSION %d, MUST BE 1,2 or 3 \n", versionLevel, *ver);
  fprintf(stderr, "  FILE %s IS IGNORED. \n", ShownName(name).c_str());
  KmfCloseMesh(hdl);
  fi->ErrCod = ERR_BAD_DATA;
  NoteMeshRefusal(MeshBadVersion);
  return nullptr;
}

bool FileStampOf(const char *path, FileStamp *st) {
  struct stat s;
  if (stat(path, &s) != 0) return false;
  *st = {s.st_dev, s.st_ino, s.st_mode, s.st_size, s.st_mtim, s.st_ctim};
  return true;
}

namespace {
bool sameTime(const timespec &a, const timespec &b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }
thread_local int meshRefusal = 0;
}  // namespace

bool SameFileStamp(const FileStamp &a, const FileStamp &b) {
  return a.Dev == b.Dev && a.Ino == b.Ino && a.Size == b.Size && sameTime(a.Mtim, b.Mtim) && sameTime(a.Ctim, b.Ctim);
}

void NoteMeshRefusal(int why) { meshRefusal = why; }

int TakeMeshRefusal() {
  const int why = meshRefusal;
  meshRefusal = 0;
  return why;
}

void SayUnreadSections(const char *fun, KmfMeshFile *hdl) {
  for (int kwd = 1; kwd <= KmfMaxKwd; kwd++) {
    int unread = 0;
    int64_t left = 0;
    const int n = KmfSectionCount(hdl, kwd, &unread, &left);
    if (unread > 0)
      LoadWarning("  ## WARNING: %s: %s HOLDS %d %s SECTIONS: ONLY THE LAST IS READ, %lld LINES LEFT OUT \n", fun,
                  ShownName(hdl->FilNam).c_str(), n, KmfKwdFmt[kwd][0], static_cast<long long>(left));
  }
}

void ReportNonFiniteVertices(const char *fun, const char *name, int64_t n) {
  if (n > 0)
    printf("  ## WARNING: %s: %lld VERTICES OF %s HAVE A NAN OR INFINITE COORDINATE, LEFT OUT OF THE BOUNDING BOX \n",
           fun, static_cast<long long>(n), ShownName(name).c_str());
}

void PrintLoadBox(const Geometric_Mesh *msh) {
  const double *b = msh->Box;
  printf("  Bounding box x:[%lg %lg] y:[%lg %g] z:[%lg %lg]\n", b[0], b[3], b[1], b[4], b[2], b[5]);
}

void PrintLoadMemory(const char *what, const Geometric_Mesh *msh) {
  double mem[2];
  GetMeshMem(msh, mem);
  const double mo = 1024.0 * 1024.0;
  printf("%s %6.2lf Mo (%3.2f %%) allocated %6.2lf Mo\n", what, mem[1] / mo,
         mem[0] > 0 ? 100.0 * mem[1] / mem[0] : 0.0, mem[0] / mo);
}

int CountFromFile(int64_t n) { return n < 0 || n > INT_MAX - 2 ? -1 : static_cast<int>(n); }

int CapacityExceeded(Function_Interface *fi, const char *fun, const char *what, const char *maxName,
                     int max, int64_t need) {
  fprintf(stderr, "  ## ERROR: %s: NOT ENOUGH MEMORY TO LOAD %s\n", fun, what);
  fprintf(stderr, "  MAXIMUM NUMBER OF %s %d NEEDED %lld \n", maxName, max, static_cast<long long>(need));
  fi->ErrCod = ERR_CAPACITY;
  return 0;
}

namespace {

// What one solution slot gives values to: its linear elements, or the second-order ones of the
// same kind when the whole load holds none of the linear ones. The linear capacity of
// triangles and tetrahedra also makes room for their second-order forms, which is taken off.
struct SolutionSlot {
  int Count;
  const char *Words;
};

SolutionSlot solutionSlot(const Geometric_Mesh *m, const Geometric_Solution *sol) {
  auto pick = [](int lin, int linRoom, int p2, const char *linWords, const char *p2Words) {
    return linRoom > 0 ? SolutionSlot{lin, linWords} : SolutionSlot{p2, p2Words};
  };
  if (sol == m->SolAtVer) return {m->NbrVer, "VERTICES"};
  if (sol == m->SolAtTet)
    return pick(m->NbrTet, m->MaxNbrTet - m->MaxNbrP2Tet, m->NbrP2Tet, "TETRAHEDRA", "P2 TETRAHEDRA");
  if (sol == m->SolAtHex) return pick(m->NbrHex, m->MaxNbrHex, m->NbrP2Hex, "HEXAHEDRA", "Q2 HEXAHEDRA");
  if (sol == m->SolAtTri)
    return pick(m->NbrTri, m->MaxNbrTri - m->MaxNbrP2Tri, m->NbrP2Tri, "TRIANGLES", "P2 TRIANGLES");
  if (sol == m->SolAtQua) return pick(m->NbrQua, m->MaxNbrQua, m->NbrP2Qua, "QUADRILATERALS", "Q2 QUADRILATERALS");
  if (sol == m->SolAtPri) return {m->NbrPri, "PRISMS"};
  return {m->NbrPyr, "PYRAMIDS"};
}

}  // namespace

const char *SolutionKindWords(const Geometric_Mesh *m, const Geometric_Solution *sol) {
  return solutionSlot(m, sol).Words;
}

int SolutionEntities(const Geometric_Mesh *m, const Geometric_Solution *sol) { return solutionSlot(m, sol).Count; }

void ResetFieldRanges(Geometric_Solution *sol) {
  for (int f = 0; f < sol->NbrFld; f++) {
    sol->Box[f][0] = DBL_MAX;
    sol->Box[f][1] = -DBL_MAX;
  }
}

void SettleFieldRanges(Geometric_Solution *sol) {
  if (!sol || !sol->Box) return;
  for (int f = 0; f < sol->NbrFld; f++)
    if (sol->Box[f][0] > sol->Box[f][1]) sol->Box[f][0] = sol->Box[f][1] = 0.0;
}

// The loading driver: size pass over every file, creation of the mesh at its final size,
// then the load of each mesh file and of its solution, appending.
#include "common/load/MeshLoad.h"

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/mman.h>

#include "common/base/Clock.h"
#include "common/base/FunctionInterface.h"
#include "common/base/ShownName.h"
#include "common/load/LoadInternal.h"
#include "common/load/LoadNotices.h"
#include "common/base/Memory.h"
#include "common/load/SolutionLoad.h"
#include "common/load/Su2.h"

namespace {

// SizMsh[kind] += n, refusing sums an int cannot hold.
bool addCount(int *SizMsh, int kind, int64_t n) {
  int64_t sum = static_cast<int64_t>(SizMsh[kind]) + n;
  if (n < 0 || sum > INT_MAX - 2) return false;
  SizMsh[kind] = static_cast<int>(sum);
  return true;
}

// Adds the counts of an open file into SizMsh; false when a count is too large.
bool addFileCounts(Function_Interface *fi, KmfMeshFile *hdl, int *SizMsh) {
  auto n = [&](int kwd) { return KmfStatKwd(hdl, kwd); };
  bool ok = addCount(SizMsh, KmfVertices, n(KmfVertices));
  if (!(fi->OptBits & LOAD_OPT_NO_SURFACE)) {
    for (int k : {KmfEdges, KmfTriangles, KmfQuadrilaterals, KmfEdgesP2, KmfTrianglesP2,
                  KmfQuadrilateralsQ2})
      ok = ok && addCount(SizMsh, k, n(k));
    // The linear arrays have room for the second-order elements as well.
    ok = ok && addCount(SizMsh, KmfTriangles, n(KmfTrianglesP2)) &&
         addCount(SizMsh, KmfEdges, n(KmfEdgesP2));
  }
  if (!(fi->OptBits & LOAD_OPT_NO_VOLUME)) {
    for (int k : {KmfTetrahedra, KmfHexahedra, KmfPyramids, KmfPrisms, KmfTetrahedraP2, KmfHexahedraQ2})
      ok = ok && addCount(SizMsh, k, n(k));
    ok = ok && addCount(SizMsh, KmfTetrahedra, n(KmfTetrahedraP2));
  }
  if (!(fi->OptBits & LOAD_OPT_NO_NORMALS)) ok = ok && addCount(SizMsh, KmfNormals, n(KmfNormals));
  return ok;
}

// Counts shown after a file was loaded.
struct Counts {
  int Ver, Efr, P2Efr, Tri, P2Tri, Qua, P2Qua, Tet, P2Tet, Pyr, Pri, Hex, P2Hex, Nor;
};

Counts countsOf(const Geometric_Mesh *m) {
  return {m->NbrVer, m->NbrEfr, m->NbrP2Efr, m->NbrTri, m->NbrP2Tri, m->NbrQua, m->NbrP2Qua,
          m->NbrTet, m->NbrP2Tet, m->NbrPyr, m->NbrPri, m->NbrHex, m->NbrP2Hex, m->NbrNor};
}

void printCounts(const Counts &a, const Counts &b, const int crn[2], const int rid[2]) {
  if (b.Ver > a.Ver) {
    printf("  Number Of Vertices           %15d", b.Ver - a.Ver);
    if (crn[0] > 0) printf("  Corners %10d ", crn[0]);
    if (crn[1] > 0) printf("  Required %10d ", crn[1]);
    printf("\n");
  }
  if (b.Efr > a.Efr) {
    printf("  Number Of Edges              %15d", b.Efr - a.Efr);
    if (rid[0] > 0) printf("  Ridges  %10d ", rid[0]);
    if (rid[1] > 0) printf("  Required %10d ", rid[1]);
    printf("\n");
  }
  const struct {
    int from, to;
    const char *fmt;
  } rows[] = {{a.P2Efr, b.P2Efr, "  Number Of P2 Edges           %15d\n"},
              {a.Tri, b.Tri, "  Number Of Triangles          %15d\n"},
              {a.P2Tri, b.P2Tri, "  Number Of P2 Triangles       %15d\n"},
              {a.Qua, b.Qua, "  Number Of Quadrilaterals     %15d\n"},
              {a.P2Qua, b.P2Qua, "  Number Of Q2 Quadrilaterals  %15d\n"},
              {a.Tet, b.Tet, "  Number Of Tetrahedra         %15d\n"},
              {a.P2Tet, b.P2Tet, "  Number Of P2 Tetrahedra      %15d\n"},
              {a.Pyr, b.Pyr, "  Number Of Pyramids           %15d\n"},
              {a.Pri, b.Pri, "  Number Of Prisms             %15d\n"},
              {a.Hex, b.Hex, "  Number Of Hexahedra          %15d\n"},
              {a.P2Hex, b.P2Hex, "  Number Of P2 Hexahedra          %15d\n"},
              {a.Nor, b.Nor, "  Number Of Normals            %15d\n"}};
  for (const auto &r : rows)
    if (r.to > r.from) printf(r.fmt, r.to - r.from);
}

// The arrays of a fresh mesh are written once each by the loaders: large pages spare most of
// the page faults that otherwise cost as much as the reading itself. A hint only.
void adviseLargePages(const Geometric_Mesh *m) {
#ifdef MADV_HUGEPAGE
  const size_t page = 2u << 20;
  auto advise = [&](const void *p, size_t bytes) {
    uintptr_t beg = (reinterpret_cast<uintptr_t>(p) + page - 1) & ~(page - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(page - 1);
    if (p && end > beg) madvise(reinterpret_cast<void *>(beg), end - beg, MADV_HUGEPAGE);
  };
  advise(m->Ver, sizeof(Vertex) * (static_cast<size_t>(m->MaxNbrVer) + 1));
  advise(m->Tri, sizeof(Triangle) * (static_cast<size_t>(m->MaxNbrTri) + 1));
  advise(m->Qua, sizeof(Quadrilateral) * (static_cast<size_t>(m->MaxNbrQua) + 1));
  advise(m->Tet, sizeof(Tetrahedron) * (static_cast<size_t>(m->MaxNbrTet) + 1));
  advise(m->Hex, sizeof(Hexahedron) * (static_cast<size_t>(m->MaxNbrHex) + 1));
  advise(m->Pri, sizeof(Prism) * (static_cast<size_t>(m->MaxNbrPri) + 1));
  advise(m->Pyr, sizeof(Pyramid) * (static_cast<size_t>(m->MaxNbrPyr) + 1));
  if (m->SolAtVer) advise(m->SolAtVer->Sol, sizeof(double) * (static_cast<size_t>(m->MaxSolVer) + m->SolAtVer->SizTot));
#else
  (void)m;
#endif
}

// The solution of the mesh and its count field, or null.
Geometric_Solution *meshSolution(Geometric_Mesh *m, int **count) {
  struct {
    Geometric_Solution *sol;
    int *cnt;
  } slots[] = {{m->SolAtVer, &m->NbrSolVer}, {m->SolAtTet, &m->NbrSolTet},
               {m->SolAtPyr, &m->NbrSolPyr}, {m->SolAtPri, &m->NbrSolPri},
               {m->SolAtHex, &m->NbrSolHex}, {m->SolAtTri, &m->NbrSolTri},
               {m->SolAtQua, &m->NbrSolQua}};
  for (auto &s : slots)
    if (s.sol) {
      *count = s.cnt;
      return s.sol;
    }
  return nullptr;
}

}  // namespace

const char *MeshWhyWords(int why) {
  if (why >= MeshTaken && why <= MeshNotRegular) return SolWhyWords(why);
  // In the order of MeshWhy.
  static const char *const words[] = {"STILL BEING WRITTEN, IT CHANGED WHILE IT WAS READ",
                                      "CUT SHORT, IT ENDS BEFORE ITS End SECTION",
                                      "A LATER Dimension OR MeshVersionFormatted OF ANOTHER VALUE THAN ITS HEADER'S",
                                      "A FILE VERSION THE LOADERS DO NOT TAKE",
                                      "MORE ENTITIES THAN A MESH HOLDS",
                                      "DAMAGED, ITS SECTIONS OR VALUES CANNOT BE READ",
                                      "NOT ENOUGH MEMORY FOR THE MESH"};
  static_assert(sizeof(words) / sizeof(words[0]) == MeshNoMemory - MeshBeingWritten + 1, "one reason per row");
  return why >= MeshBeingWritten && why <= MeshNoMemory ? words[why - MeshBeingWritten] : "";
}

int AddMeshSize(Function_Interface *fi, const char *name, int *SizMsh) {
  if (!name || !SizMsh) return 0;
  if (!LoadNameFits(fi, "ADDMESHSIZE", name)) return 0;
  // SU2 files are not keyword files: do not let the keyword opener complain about them.
  if (GetInputFileType(name) == FILE_TYPE_SU2) {
    if (AddSU2MeshSize(fi, name, SizMsh)) return 1;
    return LoadCannotOpen(fi, "ADDMESHSIZE", name);
  }
  int ver = 0, dim = 0;
  KmfMeshFile *hdl = LoadOpenKmf(fi, name, KmfMesh, &ver, &dim);
  if (!hdl) return LoadCannotOpen(fi, "ADDMESHSIZE", name);
  bool ok = addFileCounts(fi, hdl, SizMsh);
  KmfCloseMesh(hdl);
  if (!ok) {
    fprintf(stderr, "  ## ERROR: ADDMESHSIZE: TOO MANY ENTITIES IN %s\n", ShownName(name).c_str());
    fi->ErrCod = ERR_CAPACITY;
    fi->Status |= STATUS_FILE_UNREADABLE;
    NoteMeshRefusal(MeshTooLarge);
    return 0;
  }
  SizMsh[KmfFileType] = FILE_TYPE_KMF;
  return 1;
}

int FitMeshSize(Function_Interface *fi, const char *name, int *SizMsh) {
  if (!name || !SizMsh) return 0;
  if (!LoadNameFits(fi, "FITMESHSIZE", name)) return 0;
  int ver = 0, dim = 0;
  KmfMeshFile *hdl = LoadOpenKmf(fi, name, KmfMesh, &ver, &dim);
  if (!hdl) return LoadCannotOpen(fi, "FITMESHSIZE", name);
  int fileType = SizMsh[KmfFileType];
  memset(SizMsh, 0, sizeof(int) * KmfMaxSizMsh);
  SizMsh[KmfFileType] = fileType;
  bool ok = addFileCounts(fi, hdl, SizMsh);
  KmfCloseMesh(hdl);
  if (!ok) {
    fprintf(stderr, "  ## ERROR: FITMESHSIZE: TOO MANY ENTITIES IN %s\n", ShownName(name).c_str());
    fi->ErrCod = ERR_CAPACITY;
    return 0;
  }
  return 1;
}

int LoadMesh(Function_Interface *fi, const char *name, Geometric_Mesh *msh) {
  if (LoadArgsMissing(fi, "LOADMESH", name, msh)) return 0;
  int ver = 0, dim = 0;
  KmfMeshFile *hdl = LoadOpenMesh(fi, name, "ERROR", &ver, &dim);
  if (!hdl) return 0;
  SayUnreadSections("LOADMESH", hdl);
  if (msh->Dim == 0) msh->Dim = dim;
  char shown[FileNameMax + 8];
  getPrintName(0, fi->Status, name, shown, sizeof(shown));
  if (fi->Verbose > 0) printf("  %% %s OPENED (file version %d)\n", ShownName(shown).c_str(), ver);

  Counts before = countsOf(msh);
  int NbrVer0 = msh->NbrVer;
  int crn[2] = {0, 0}, rid[2] = {0, 0};
  struct Step {
    const char *name;
    int (*load)(Function_Interface *, KmfMeshFile *, int, Geometric_Mesh *);
  };
  const Step steps[] = {{"LOADTRIANGLES", LoadTriangles},
                        {"LOADP2TRIANGLES", LoadP2Triangles},
                        {"LOADQUADRILATERALS", LoadQuadrilaterals},
                        {"LOADQ2QUADRILATERALS", LoadP2Quadrilaterals},
                        {"LOADTETRAHEDRA", LoadTetrahedra},
                        {"LOADP2TETRAHEDRA", LoadP2Tetrahedra},
                        {"LOADPYRAMIDS", LoadPyramids},
                        {"LOADPRISMS", LoadPrisms},
                        {"LOADHEXAHEDRA", LoadHexahedra},
                        {"LOADHEXAHEDRAP2", LoadP2Hexahedra}};
  const char *failed = nullptr;
  if (!LoadVertex(fi, hdl, msh, crn)) failed = "LOADVERTEX";
  for (const Step &s : steps)
    if (!failed && !s.load(fi, hdl, NbrVer0, msh)) failed = s.name;
  if (!failed && !LoadEdges(fi, hdl, NbrVer0, msh, rid)) failed = "LOADEDGES";
  if (!failed && !LoadP2Edges(fi, hdl, NbrVer0, msh)) failed = "LOADP2EDGES";
  if (!failed && !LoadNormals(fi, hdl, NbrVer0, msh)) failed = "LOADNORMALS";
  KmfCloseMesh(hdl);
  if (failed) {
    fprintf(stderr, "  ## ERROR: LOADMESH: %s FAILS FOR FILE %s \n", failed, ShownName(shown).c_str());
    return 0;
  }
  if (fi->Verbose > 0) printCounts(before, countsOf(msh), crn, rid);
  if (fi->Verbose >= 2) PrintLoadBox(msh);
  if (fi->OptBits & LOAD_OPT_PROFILE) PrintLoadMemory("  Loading mesh Memory used", msh);
  return 1;
}

namespace {

// What the driver does with each file.
enum : int { FileLoaded = 0, FileSkipped = 1, FileMeshFailed = 2 };

// Size-array entries of the one solution a mesh may be created with.
const int kSolutionSizeSlots[] = {KmfSolAtVertices,  KmfSolAtPyramids,   KmfSolAtTriangles,
                                  KmfSolAtQuadrilaterals, KmfSolAtTetrahedra, KmfSolAtPrisms,
                                  KmfSolAtHexahedra, KmfSolSizTot,       KmfSolNbrFld};

// One call of the driver: the files, what became of each, and the scratch arrays from the
// memory list, released with the object.
struct LoadRun {
  Function_Interface *Fi;
  int NbrFil;
  char **Names;
  const char *SolName;
  bool WithSol;
  int *Skip = nullptr;     // per file: FileLoaded, FileSkipped or FileMeshFailed
  int *SizMsh = nullptr;
  int *SolBase = nullptr;  // entities of the solution's kind before each file, so that each
                           // file's values land on its own entities

  LoadRun(Function_Interface *fi, int nbrFil, char **names, const char *solName)
      : Fi(fi), NbrFil(nbrFil < 0 ? 0 : nbrFil), Names(names), SolName(solName),
        WithSol(!(fi->OptBits & LOAD_OPT_NO_SOLUTION)), Stamps(size_t(NbrFil)), Stamped(size_t(NbrFil), 0) {
    // Cleared ints, labelled as the driver's own.
    auto ints = [&](const char *var, const char *expr, size_t n) {
      auto *p = static_cast<int *>(Alloc(fi->Mem, nullptr, sizeof(int) * n, "A %s = %s IN FUNCTION %s LINE %d ", var,
                                         expr, "geoLoadMeshAndSolution", __LINE__));
      if (p) memset(p, 0, sizeof(int) * n);
      return p;
    };
    size_t n = static_cast<size_t>(NbrFil + 1);
    Skip = ints("skip", "sizeof(int)*max(NbrFil+1,1)", n);
    SizMsh = ints("SizMsh", "sizeof(int)*(KmfMaxSizMsh+10)", KmfSizMshLen);
    SolBase = ints("solBase", "sizeof(int)*max(NbrFil+1,1)", n);
  }
  ~LoadRun() {
    if (Skip) MEM_FREE(Fi->Mem, Skip);
    if (SizMsh) MEM_FREE(Fi->Mem, SizMsh);
    if (SolBase) MEM_FREE(Fi->Mem, SolBase);
  }
  LoadRun(const LoadRun &) = delete;
  LoadRun &operator=(const LoadRun &) = delete;

  // Each mesh file as it stood before the size pass read it, to tell a file changed while
  // read from one that stayed as it is.
  std::vector<FileStamp> Stamps;
  std::vector<char> Stamped;
  MeshRefusal Mesh;  // the first mesh file refused

  // The file a mesh name stands for: a name without ".mesh" the binary file, else the text
  // one, as the opener resolves it; written into path when it is not the name itself.
  const char *meshPath(int i, char (&path)[FileNameMax + 1]) const {
    if (su2(i) || KindExtension(Names[i], FILE_NAME_MESH) != NAME_EXT_NONE) return Names[i];
    return ExistingKeywordFile(Names[i], FILE_NAME_MESH, path, sizeof(path)) ? path : Names[i];
  }

  void stamp(int i) {
    char path[FileNameMax + 1];
    Stamped[i] = FileNameFits(Names[i]) && FileStampOf(meshPath(i, path), &Stamps[i]);
  }

  // Mesh file i was just refused: the first one refused is kept with why.
  void meshRefused(int i) {
    // Both before anything opens a file again.
    const int noted = TakeMeshRefusal(), refusal = KmfLastRefusal();
    if (Mesh.Why == MeshTaken) Mesh = {Names[i], refusedWhy(i, noted, refusal)};
  }

  // Why mesh file i was refused, as far as the file tells now: noted, what the loaders noted
  // as they refused it; refusal, the opener's reason (KmfLastRefusal).
  int refusedWhy(int i, int noted, int refusal) const {
    if (!FileNameFits(Names[i])) return MeshLongName;
    char path[FileNameMax + 1];
    const char *at = meshPath(i, path);
    if (const int gone = SolPathWhy(at)) return gone;
    FileStamp now;
    if (!Stamped[i] || !FileStampOf(at, &now) || !SameFileStamp(now, Stamps[i])) return MeshBeingWritten;
    if (noted) return noted;
    if (su2(i)) return MeshDamaged;
    if (refusal == KmfRefusedHeaderAgain) return MeshHeaderChanged;
    return KmfFileComplete(at) ? MeshDamaged : MeshCutShort;
  }

  bool givenSolution() const { return SolName && NbrFil == 1; }
  const char *solutionName(int i) const { return givenSolution() ? SolName : Names[i]; }
  bool su2(int i) const { return GetInputFileType(Names[i]) == FILE_TYPE_SU2; }

  // Counts the solution of file i into SizMsh; false when it has none. An SU2 mesh reads the
  // ".dat" beside it, or the solution named for it, which must be a ".dat" table too. A named
  // solution that cannot serve says why in one line; the one beside a mesh is optional and
  // missed in silence when no file stands there (nothing, a folder, a FIFO), but a file there
  // that is refused (cut short, damaged) is said as a named one is.
  bool solutionSize(int i) {
    if (!su2(i) || !givenSolution()) {
      int why = SolTaken;
      if (FitSolSize(1, Fi, solutionName(i), SizMsh, &why)) return true;
      if (givenSolution())
        NotLoaded(SolName, SolWhyWords(why));
      else if (why != SolMissing && why != SolOtherKind && why != SolFolder && why != SolNotRegular)
        NotLoaded(shownSolution(i).c_str(), SolWhyWords(why));
      return false;
    }
    const int ending = KindExtension(SolName, FILE_NAME_SOL);
    if (ending == NAME_EXT_TEXT || ending == NAME_EXT_BINARY) {
      NotLoaded(SolName, "A KEYWORD SOLUTION, AN SU2 MESH TAKES A .dat TABLE");
      return false;
    }
    // Quiet about a table that does not open, as about a keyword file: the line below says why.
    if (FitSU2SolSize(1, Fi, SolName, SizMsh)) return true;
    NotLoaded(SolName, su2TableWhy(SolName));
    return false;
  }

  // Why the ".dat" table name stands for was refused, when its reader has said how.
  static const char *su2TableWhy(const char *name) {
    char dat[FileNameMax + 1];
    const int why = Su2SolutionName(name, dat, sizeof(dat)) ? SolPathWhy(dat) : SolLongName;
    return why == SolTaken ? "A .dat TABLE THE SU2 READER REFUSES" : SolWhyWords(why);
  }

  // Says why the size pass's solution of the one mesh file, named or beside it, is not on the
  // mesh NewCommonMesh made (which has said how). A section without values is no solution:
  // said only of a named one.
  void sayDropped() {
    if (NbrFil != 1) return;
    int asked = 0, held = 0;
    const char *kind = SizedSolutionKind(SizMsh, &asked, &held);
    std::string why = "A SOLUTION SIZE THE MESH CANNOT HOLD";
    if (SizMsh[KmfSolSizTot] <= 0 || SizMsh[KmfSolNbrFld] <= 0) {
      if (!givenSolution()) return;
      why = SolWhyWords(SolNoSection);
    } else if (kind && asked > held) {
      why = "VALUES FOR " + std::to_string(asked) + " " + kind + " ON A MESH OF " + std::to_string(held);
    }
    NotLoaded(shownSolution(0).c_str(), why.c_str());
  }

  // Adds every file's counts and solution to SizMsh; the number of files that can be loaded.
  int sizePass() {
    int loaded = 0;
    for (int i = 0; i < NbrFil; i++) {
      if (!Names || !Names[i]) {
        fprintf(stderr, "  ## ERROR: GEOLOADMESHANDSOLUTION: %d th FILE NOT ALLOCATED \n", i);
        Fi->Status |= STATUS_NO_FILE_NAME;
        Skip[i] = FileSkipped;
        continue;
      }
      TakeMeshRefusal();
      stamp(i);
      if (!AddMeshSize(Fi, Names[i], SizMsh)) {
        meshRefused(i);
        char base[FileNameMax + 1];
        getBaseName(Names[i], base, sizeof(base));
        fprintf(stderr, "  ## ERROR: GEOLOADMESHANDSOLUTION: CANNOT READ INPUT MESH %s.mesh[b] \n",
                ShownName(base).c_str());
        Fi->Status |= STATUS_FILE_UNREADABLE | STATUS_MESH_UNREADABLE;
        Skip[i] = FileSkipped;
        continue;
      }
      loaded++;
      if (WithSol && !solutionSize(i)) WithSol = false;
    }
    // No solution at all unless every file has one; an SU2 vertex solution is counted as 1
    // until the vertices are known.
    if (!WithSol) {
      for (int k : kSolutionSizeSlots) SizMsh[k] = 0;
    } else if (SizMsh[KmfSolAtVertices] == 1) {
      SizMsh[KmfSolAtVertices] = SizMsh[KmfVertices];
    }
    return loaded;
  }

  // Loads every file of the size pass in turn, appending; sol, when not null, is the
  // solution whose entities each file starts at.
  void loadMeshes(Geometric_Mesh *msh, const Geometric_Solution *sol) {
    bool named = false;
    for (int i = 0; i < NbrFil; i++) {
      if (Skip[i]) continue;
      if (!named) {
        getBaseName(Names[i], msh->MshNam, sizeof(msh->MshNam));
        named = true;
      }
      if (sol) SolBase[i] = SolutionEntities(msh, sol);
      TakeMeshRefusal();
      // The reader is chosen per file: keyword and SU2 files may be mixed.
      if (su2(i)) {
        if (!LoadSU2Mesh(Fi, Names[i], msh)) {
          meshRefused(i);
          fprintf(stderr, "  ## ERROR: GEOLOADMESHANDSOLUTION: LOAD SU2 MESH FAILED\n");
          Fi->Status |= STATUS_FILE_UNREADABLE | STATUS_MESH_UNREADABLE;
          Skip[i] = FileMeshFailed;
        }
      } else if (!LoadMesh(Fi, Names[i], msh)) {
        meshRefused(i);
        fprintf(stderr, "  ## ERROR: GEOLOADMESHANDSOLUTION: LOAD MESH FAILED WITH ERROR CODE %d \n", Fi->ErrCod);
        Fi->Status |= STATUS_FILE_UNREADABLE | STATUS_MESH_UNREADABLE;
        Skip[i] = FileMeshFailed;
      }
    }
  }

  // The entities of file i's mesh: up to where the next loaded file's begin.
  int fileEntities(const Geometric_Mesh *msh, const Geometric_Solution *sol, int i) const {
    for (int j = i + 1; j < NbrFil; j++)
      if (!Skip[j]) return SolBase[j] - SolBase[i];
    return SolutionEntities(msh, sol) - SolBase[i];
  }

  // Loads the values of every loaded file onto its own entities, with a notice for a file that
  // gives values to fewer of them than its mesh has. False at the first file whose solution is
  // refused (or not complete yet), its name and the reason then in Refused and RefusedWhy: the
  // others are not read.
  bool loadSolutions(Geometric_Mesh *msh, const Geometric_Solution *sol, int *solCount) {
    for (int i = 0; i < NbrFil; i++) {
      // A file whose mesh could not be loaded has no entities for its values.
      if (Skip[i]) continue;
      *solCount = SolBase[i];
      const std::string shown = shownSolution(i);
      if (su2(i)) {
        int64_t points = 0;
        if (!LoadSU2Solution(Fi, solutionName(i), msh, &points, fileEntities(msh, sol, i)))
          return refused(i, su2TableWhy(solutionName(i)));
        NoticeShortSolution("LOADSU2SOL", shown.c_str(), points, fileEntities(msh, sol, i), "VERTICES");
        continue;
      }
      int64_t nonFinite = 0;
      int why = SolTaken;
      if (LoadSolutionValues(Fi, solutionName(i), msh, &nonFinite, &why) != 1) return refused(i, SolWhyWords(why));
      const int given = *solCount - SolBase[i], entities = fileEntities(msh, sol, i);
      // Values past its own mesh's would land on the next file's entities.
      if (given > entities) {
        fprintf(stderr, "  ## ERROR: GEOLOADMESHANDSOLUTION: %s: INCONSISTENT SIZE IN # OF SOLUTION(%d) >  # OF %s(%d) \n",
                ShownName(shown).c_str(), given, SolutionKindWords(msh, sol), entities);
        return refused(i, "VALUES FOR " + std::to_string(given) + " " + SolutionKindWords(msh, sol) +
                              " ON ITS MESH OF " + std::to_string(entities));
      }
      NoticeShortSolution("LOADSOLUTION", shown.c_str(), given, entities, SolutionKindWords(msh, sol));
      NoticeNonFinite("LOADSOLUTION", shown.c_str(), nonFinite);
    }
    return true;
  }

  // The solution file i's values come from, as messages show it: the file found for its name,
  // else the name as given.
  std::string shownSolution(int i) const {
    char shown[FileNameMax + 1] = "", open[FileNameMax + 1];
    if (su2(i) ? Su2SolutionName(solutionName(i), shown, sizeof(shown))
               : FindSolutionFile(solutionName(i), open, shown, sizeof(shown)))
      return shown;
    return solutionName(i);
  }

  // The solution of file i refused for why: kept to be said once the field is dropped.
  bool refused(int i, const std::string &why) {
    Fi->Status |= STATUS_FILE_UNREADABLE;
    Refused = shownSolution(i);
    RefusedWhy = why;
    return false;
  }
  std::string Refused, RefusedWhy;

  // The line that closes what the loaders said of a solution not loaded: the file, shown
  // escaped, and the reason; on standard error and in the window's terminal.
  static void NotLoaded(const char *file, const char *why) {
    LoadRefusal("  ## ERROR: GEOLOADMESHANDSOLUTION: SOLUTION %s NOT LOADED: %s, THE MESH IS LOADED WITHOUT IT\n",
                ShownName(file).c_str(), why);
  }
};

}  // namespace

Geometric_Mesh *geoLoadMeshAndSolution(Function_Interface *fi, int NbrFil, char **names,
                                       const char *solName, MeshRefusal *refused) {
  if (refused) *refused = MeshRefusal();
  if (!fi) {
    fprintf(stderr, "  ERROR: GEOLOADMESHANDSOLUTION: FATAL ERROR: INTERFACE FUNCTION NOT ALLOCATED \n");
    myexit("INTERNAL ERROR", 100);
  }
  double t0 = GetWallClock();
  LoadRun run(fi, NbrFil, names, solName);
  if (!run.Skip || !run.SizMsh || !run.SolBase) {
    fprintf(stderr, "  ## ERROR: GEOLOADMESHANDSOLUTION: ALLOCATION FAILED \n");
    fi->ErrCod = ERR_NOT_ALLOCATED;
    return nullptr;
  }
  const int loaded = run.sizePass();
  Geometric_Mesh *msh = loaded ? NewCommonMesh(fi->Mem, run.SizMsh) : nullptr;
  if (loaded && !msh) {
    fprintf(stderr, "  ## ERROR: GEOLOADMESHANDSOLUTION: CANNOT CREATE THE MESH \n");
    fi->ErrCod = ERR_NOT_ALLOCATED;
    fi->Status |= STATUS_FILE_UNREADABLE;
    if (run.Mesh.Why == MeshTaken) run.Mesh = {NbrFil > 0 && names && names[0] ? names[0] : "", MeshNoMemory};
  }
  if (!msh) {
    if (refused) *refused = run.Mesh;
    return nullptr;
  }
  adviseLargePages(msh);
  int *solCount = nullptr;
  Geometric_Solution *sol = run.WithSol ? meshSolution(msh, &solCount) : nullptr;
  // The mesh was made without the solution the size pass found: NewCommonMesh said how.
  if (run.WithSol && !sol) run.sayDropped();
  run.loadMeshes(msh, sol);
  if (sol && !run.loadSolutions(msh, sol, solCount)) {
    // The layout of the size pass came from a file that was then refused (wrong dimension,
    // unknown field type, values cut short): none of it may shape the palettes.
    fprintf(stderr, "  SOLUTION FIELD IGNORED. \n");
    DropMeshSolution(fi->Mem, msh);
    LoadRun::NotLoaded(run.Refused.c_str(), run.RefusedWhy.c_str());
  } else if (sol) {
    // Only now: a field with no finite value in one file may get some from the next.
    SettleFieldRanges(sol);
  }
  printf("  Cpu Time to load the mesh       %lg (s)\n", GetWallClock() - t0);
  if (refused) *refused = run.Mesh;
  return msh;
}

// Generation of the sample box and its field, and their files.
#include "zelvane/sample/ZelSample.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/ShownName.h"
#include "common/base/StopCleanup.h"
#include "common/base/UserFile.h"
#include "common/kmf/KmfFormat.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/load/MeshWriter.h"
#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"

namespace {

int vertexOf(int n, int i, int j, int k) { return 1 + i + (n + 1) * (j + (n + 1) * k); }

// Six tetrahedra around the diagonal from corner 0 to corner 7 of a cell, corner q at
// (q & 1, (q >> 1) & 1, q >> 2); each keeps a positive volume.
const int CellTets[6][4] = {{0, 1, 3, 7}, {0, 1, 7, 5}, {0, 4, 5, 7},
                            {0, 2, 7, 3}, {0, 6, 7, 2}, {0, 4, 7, 6}};

}  // namespace

double zelSampleField(const double x[3]) { return x[0] * x[0] - 0.5 * x[1] + x[2] / 3.0 + 0.5 * x[0] * x[2]; }

Geometric_Mesh *zelMakeSampleBox(Memory_List *mem, int n) {
  if (n < 1 || n > ZelSampleMaxCells) return nullptr;
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  siz[KmfVertices] = (n + 1) * (n + 1) * (n + 1);
  siz[KmfTetrahedra] = 6 * n * n * n;
  siz[KmfTriangles] = 12 * n * n;
  siz[KmfFileType] = FILE_TYPE_KMF;
  Geometric_Mesh *m = NewCommonMesh(mem, siz.data());
  if (!m) return nullptr;
  m->Dim = 3;
  for (int k = 0; k <= n; k++)
    for (int j = 0; j <= n; j++)
      for (int i = 0; i <= n; i++) {
        Vertex &v = m->Ver[++m->NbrVer];
        v = Vertex{};
        v.Crd[0] = i / double(n);
        v.Crd[1] = j / double(n);
        v.Crd[2] = k / double(n);
        v.Tag = TAG_ALIVE;
      }
  for (int k = 0; k < n; k++)
    for (int j = 0; j < n; j++)
      for (int i = 0; i < n; i++) {
        int c[8];
        for (int q = 0; q < 8; q++) c[q] = vertexOf(n, i + (q & 1), j + ((q >> 1) & 1), k + (q >> 2));
        for (const auto &t : CellTets) {
          Tetrahedron &e = m->Tet[++m->NbrTet];
          e = Tetrahedron{};
          for (int q = 0; q < 4; q++) e.Ver[q] = c[t[q]];
          e.Tag = TAG_ALIVE;
          e.Ref = 1;
        }
      }
  // Side s lies at coordinate s / 2 (x, y, z) equal to 0 for even s, n for odd s; its squares
  // run over the two other coordinates.
  for (int side = 0; side < 6; side++)
    for (int a = 0; a < n; a++)
      for (int b = 0; b < n; b++) {
        int p[4], w = side & 1 ? n : 0;
        for (int q = 0; q < 4; q++) {
          int u = a + (q & 1), v = b + (q >> 1);
          p[q] = side < 2 ? vertexOf(n, w, u, v) : side < 4 ? vertexOf(n, u, w, v) : vertexOf(n, u, v, w);
        }
        const int tri[2][3] = {{p[0], p[1], p[3]}, {p[0], p[3], p[2]}};
        for (const auto &t : tri) {
          Triangle &e = m->Tri[++m->NbrTri];
          e = Triangle{};
          std::memcpy(e.Ver, t, sizeof(t));
          e.Tag = TAG_ALIVE;
          e.Ref = side + 1;
        }
      }
  return m;
}

int64_t zelSampleMemory(int n) {
  const int64_t v = int64_t(n + 1) * (n + 1) * (n + 1) + 1, t = 6 * int64_t(n) * n * n + 1, f = 12 * int64_t(n) * n + 1;
  // The writer numbers the vertices and gathers their corners and required ones: three ints
  // a vertex, more than the field's double written after it. The rest is the program itself
  // and its write buffers.
  const int64_t program = int64_t(16) << 20;
  return v * int64_t(sizeof(Vertex)) + t * int64_t(sizeof(Tetrahedron)) + f * int64_t(sizeof(Triangle)) +
         v * 3 * int64_t(sizeof(int)) + program;
}

std::string zelGigabytes(int64_t bytes, int64_t other) {
  char text[2][64];
  for (int decimals = 1;; decimals++) {
    snprintf(text[0], sizeof(text[0]), "%.*f GB", decimals, double(bytes) / 1e9);
    snprintf(text[1], sizeof(text[1]), "%.*f GB", decimals, double(other) / 1e9);
    if (decimals == 9 || std::strcmp(text[0], text[1]) != 0) return text[0];
  }
}

int64_t zelAvailableMemory() {
  FILE *in = std::fopen("/proc/meminfo", "r");
  if (!in) return -1;
  int64_t available = -1, swap = 0;
  char line[256];
  while (std::fgets(line, sizeof(line), in)) {
    long long kb;
    if (std::sscanf(line, "MemAvailable: %lld kB", &kb) == 1) available = kb * 1024;
    if (std::sscanf(line, "SwapFree: %lld kB", &kb) == 1) swap = kb * 1024;
  }
  std::fclose(in);
  if (available < 0) return -1;
  available += swap;
  for (int limit : {RLIMIT_AS, RLIMIT_DATA}) {
    struct rlimit r;
    if (getrlimit(limit, &r) == 0 && r.rlim_cur != RLIM_INFINITY && int64_t(r.rlim_cur) < available)
      available = int64_t(r.rlim_cur);
  }
  return available;
}

int zelWriteSample(Function_Interface *fi, const char *meshPath, const char *solPath, Geometric_Mesh *msh) {
  if (!msh || !meshPath) return 0;
  if (!WriteMesh(fi, meshPath, msh)) return 0;
  if (!solPath) return 1;
  std::vector<double> sol(size_t(msh->NbrVer));
  for (int i = 1; i <= msh->NbrVer; i++) sol[size_t(i - 1)] = zelSampleField(msh->Ver[i].Crd);
  KmfMeshFile *f = KmfOpenMesh(solPath, KmfWrite, 2, 3);
  if (!f) return 0;
  int type = KmfSca;
  KmfField fld = {KmfDouble, reinterpret_cast<char *>(sol.data()), 8};
  bool ok = KmfSetKwd(f, KmfSolAtVertices, msh->NbrVer, 1, &type) &&
            KmfSetBlockFields(f, KmfSolAtVertices, 0, nullptr, nullptr, nullptr, 1, &fld);
  return ok ? KmfCloseMesh(f) : KmfAbandonMesh(f);
}

void (*zelSampleBetweenSteps)(const char *scratch, const char *next) = nullptr;

namespace {

// A folder of our own for the first, complete copies: beside the targets, else (a folder that
// takes no new name, whose files may still be written in place) in the temporary folder;
// emptied and removed when the write is over. It is made in a shared folder, where someone
// else may move it and put a link in its place: once made, it is reached only through its
// descriptor (names in it through /proc/self/fd, which leads to the very folder opened), and
// removed by its name only while that name still holds it, never through a link. A stop
// signal does the same (StopCleanup.h).
struct ScratchFolder {
  int parent = -1, fd = -1;  // the folder it was made in, and itself
  int stopSlot = 0;          // its slot in the stop cleanup
  std::string name;          // its name in parent
  std::string shown;         // its path as made, for zelSampleBetweenSteps
  std::string via;           // "/proc/self/fd/N/": the prefix of its files' names
  std::vector<std::string> files;
  int err = 0;  // why no folder could be made, from the first place tried
  bool noProc = false;  // /proc is missing: no folder can be reached as it must be
  explicit ScratchFolder(const char *target) {
    const char *slash = std::strrchr(target, '/');
    for (std::string place :
         {slash ? std::string(target, size_t(slash - target) + 1) : std::string(), UserTempFolder()}) {
      if (make(place)) return;
      if (!err) err = errno;
    }
    noProc = access("/proc/self/fd", F_OK) != 0;
  }
  ~ScratchFolder() {
    if (fd >= 0) {
      bool moved = true;
      {
        StopHold hold;  // removed by this or by a stop, never by both
        for (const std::string &f : files) unlinkat(fd, f.c_str(), 0);
        struct stat mine, there;
        moved = !(fstat(fd, &mine) == 0 && fstatat(parent, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
                  mine.st_dev == there.st_dev && mine.st_ino == there.st_ino);
        if (!moved) unlinkat(parent, name.c_str(), AT_REMOVEDIR);
        StopCleanupForget(stopSlot);
      }
      if (moved) sayMoved();
      close(fd);
    }
    if (parent >= 0) close(parent);
  }
  // Someone moved the folder away (its name may now hold anything): it stays where it went,
  // which one line tells, with what it still holds.
  void sayMoved() const {
    char now[4096];
    const ssize_t n = readlink(via.substr(0, via.size() - 1).c_str(), now, sizeof(now) - 1);
    const std::string where = n > 0 ? ShownName(std::string(now, size_t(n))) : std::string("a place unknown");
    int left = 0;
    const int again = dup(fd);
    if (DIR *d = again >= 0 ? fdopendir(again) : nullptr) {
      rewinddir(d);
      while (const dirent *e = readdir(d)) left += std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..");
      closedir(d);
    } else if (again >= 0) {
      close(again);
    }
    const std::string holding = left ? "HOLDING " + std::to_string(left) + (left > 1 ? " FILES" : " FILE") : "EMPTY";
    fprintf(stderr,
            "  ## WARNING: ZELWRITESAMPLEFILES: THE SCRATCH FOLDER %s WAS MOVED BY ANOTHER PROGRAM TO %s AND IS LEFT "
            "THERE, %s \n",
            ShownName(shown).c_str(), where.c_str(), holding.c_str());
  }
  bool made() const { return fd >= 0; }
  // Makes the folder in place ("" the current folder); false with errno when it cannot.
  bool make(const std::string &place) {
    parent = open(place.empty() ? "." : place.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) return false;
    std::string pattern = "/proc/self/fd/" + std::to_string(parent) + "/.zelvane-sample-XXXXXX";
    StopHold hold;  // a stop removes it as soon as it exists
    if (mkdtemp(&pattern[0])) {
      name = pattern.substr(pattern.rfind('/') + 1);
      fd = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      struct stat st;
      // Still the folder just made: this user's, for this user alone.
      if (fd >= 0 && fstat(fd, &st) == 0 && st.st_uid == geteuid() && (st.st_mode & 0077) == 0) {
        shown = place + name;
        via = "/proc/self/fd/" + std::to_string(fd) + "/";
        stopSlot = StopCleanupFolder(parent, name.c_str(), fd);
        return true;
      }
      if (fd >= 0) close(fd);
      fd = -1;
      errno = EEXIST;
    }
    const int e = errno;
    close(parent);
    parent = -1;
    errno = e;
    return false;
  }
  // A file of the folder with the target's extension, which chooses the file's format: its
  // name in the folder is kept, and the name to write it by returned.
  std::string file(const char *target) {
    const char *base = std::strrchr(target, '/');
    const char *dot = std::strrchr(base ? base : target, '.');
    files.push_back(std::string("sample") + (dot ? dot : ""));
    StopCleanupFolderFile(stopSlot, files.back().c_str());
    return via + files.back();
  }
  void step(const char *next) const {
    if (zelSampleBetweenSteps) zelSampleBetweenSteps(shown.c_str(), next);
  }
};

// Copies the folder's file `name` into the write w has begun; false at a read or write that
// failed.
bool copyInto(const ScratchFolder &scratch, const std::string &name, UserFileWrite *w) {
  const int in = openat(scratch.fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0) {
    NoteUserFileWriteError(w);
    return false;
  }
  char buf[1 << 16];
  bool ok = true;
  for (ssize_t n; ok && (n = read(in, buf, sizeof(buf))) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0 && fwrite(buf, 1, size_t(n), w->F) == size_t(n);
  }
  if (ok && fflush(w->F) != 0) ok = false;
  if (!ok) NoteUserFileWriteError(w);
  close(in);
  return ok;
}

}  // namespace

int zelWriteSampleFiles(Function_Interface *fi, const char *meshPath, const char *solPath, Geometric_Mesh *msh,
                        std::string *why) {
  if (!msh || !meshPath || !solPath) return 0;
  ClearUserFileWriteReason();
  UserFileWrite w[2] = {};
  ScratchFolder scratch(meshPath);
  // Each step runs only while every one before it succeeded; the first failure's reason is
  // kept before the other write is dropped. Each file's lock is held from its preparation to
  // the end of both commits, always the mesh's first: two runs on one pair then commit one
  // after the other, never into each other.
  bool ok = BeginUserFileWrite(&w[0], meshPath, UserFileHoldLock) &&
            BeginUserFileWrite(&w[1], solPath, UserFileHoldLock) && scratch.made();
  if (ok) {
    const std::string mesh = scratch.file(meshPath), sol = scratch.file(solPath);
    scratch.step("write");
    ok = zelWriteSample(fi, mesh.c_str(), sol.c_str(), msh);
    scratch.step("read back");
    ok = ok && copyInto(scratch, scratch.files[0], &w[0]) && copyInto(scratch, scratch.files[1], &w[1]);
  }
  // Both complete and the room for both reserved: only now is either target replaced (a
  // commit then fails only at an error of the disk itself).
  ok = ok && PrepareUserFileCommit(&w[0]) && PrepareUserFileCommit(&w[1]);
  const bool prepared = ok;
  {
    // A stop waits for both commits: one between them would leave the mesh of this run beside
    // the old solution.
    StopHold stops;
    ok = ok && CommitUserFileWrite(&w[0]);
    if (ok) scratch.step("commit the solution");
    ok = ok && CommitUserFileWrite(&w[1]);
  }
  if (!ok && why) {
    // The file whose write failed is named: both are as they were unless a commit failed,
    // and then the line says what the other one holds.
    const int bad = w[0].Err ? 0 : w[1].Err ? 1 : -1;
    const char *reason = UserFileWriteReason();
    if (!reason && bad >= 0) reason = std::strerror(w[bad].Err);
    if (reason)
      *why = (bad >= 0 ? ShownName(bad ? solPath : meshPath) + ": " : std::string()) + reason;
    else if (scratch.noProc)
      *why = "the first copies need /proc (their scratch folder is reached through /proc/self/fd), and /proc is "
             "missing";
    else if (!scratch.made())
      *why = std::string("no room for the first copies: ") + std::strerror(scratch.err);
    else
      *why = "the files were not written";
    if (prepared && bad >= 0)
      *why += "; " + ShownName(bad ? meshPath : solPath) + (bad ? " holds the new mesh" : " is as it was");
  }
  for (UserFileWrite &x : w) AbandonUserFileWrite(&x);
  return ok ? 1 : 0;
}

int zelSampleCommandLine(int argc, char **argv, int *cells, std::string *base) {
  for (int i = 1; i < argc; i++) {
    const bool valued = i + 1 < argc;
    if (!std::strcmp(argv[i], "-n") && valued) {
      const char *word = argv[++i];
      bool digits = *word != '\0';
      for (const char *c = word; *c; c++) digits = digits && std::isdigit(static_cast<unsigned char>(*c));
      const long n = digits && std::strlen(word) < 10 ? std::strtol(word, nullptr, 10) : 0;
      if (n < 1 || n > ZelSampleMaxCells) {
        fprintf(stderr, "  ## ERROR: ZELVANE-SAMPLE: -n TAKES A WHOLE NUMBER OF CELLS FROM 1 TO %d, NOT \"%s\" \n",
                ZelSampleMaxCells, ShownName(word).c_str());
        return 2;
      }
      *cells = int(n);
    } else if (!std::strcmp(argv[i], "-o") && valued) {
      *base = argv[++i];
    } else {
      fprintf(stderr, "usage: %s [-n CELLS] [-o BASE]\n", ShownName(argv[0]).c_str());
      return 2;
    }
  }
  return 0;
}

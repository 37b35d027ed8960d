// Reading speed of keyword mesh files: a structured box of about two million tetrahedra with
// its vertices, boundary triangles and a vertex solution, written in text (version 2) and in
// binary (version 3), then read keyword by keyword with block reads, next to a plain fread of
// the same files. The same box is also written with every keyword in eight sections standing
// apart, as a converter writes one per block of cells, which the reader joins. Each is read on
// the calling thread alone, and with a worker pool of one thread per core (KmfSetPool), as the
// loaders read. Rates are bytes of file per second.
//
// Before them, a file of a million sections without a line (after a small mesh) is loaded end
// to end by geoLoadMeshAndSolution with the pool, text and binary, each in a child process of
// its own: best time of three loads and peak resident memory. So are text files of long lines,
// each against the same bytes in lines of 2 MB: a small mesh with a comment of 200 MB on one
// line, and the box's mesh with every value after its header on one line, as converters that
// separate values by blanks alone write them.
//
//   KmfReadBench [--cells N] [--empty SECTIONS] [--comment MB] [google benchmark flags]
// The files go to $TMPDIR (or /tmp) and are removed at the end.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/LoadBenchKit.h"
#include "common/base/Clock.h"
#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/load/MeshLoad.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/pool/Parallel.h"

namespace {

struct Box {
  int N = 70;  // cells per side: 6 N^3 tetrahedra
  std::vector<double> Crd;
  std::vector<int> VerRef, Tet, Tri, Sol0;
  std::vector<double> Sol;
  int64_t nver() const { return int64_t(N + 1) * (N + 1) * (N + 1); }
  int64_t ntet() const { return Tet.size() / 5; }
  int64_t ntri() const { return Tri.size() / 4; }
};

int vid(int n, int i, int j, int k) { return 1 + i + (n + 1) * (j + (n + 1) * k); }

void build(Box &b) {
  const int n = b.N;
  for (int k = 0; k <= n; k++)
    for (int j = 0; j <= n; j++)
      for (int i = 0; i <= n; i++) {
        b.Crd.insert(b.Crd.end(), {i / double(n), j / double(n), k / double(n) + 1e-3 * i * j});
        b.VerRef.push_back((i + j + k) % 4);
        b.Sol.push_back(0.1 * i - 0.37 * j + k / 7.0);
      }
  // Six tetrahedra per cube around its main diagonal.
  static const int cube[6][4] = {{0, 1, 3, 7}, {0, 1, 7, 5}, {0, 4, 5, 7}, {0, 2, 7, 3}, {0, 6, 7, 2}, {0, 4, 7, 6}};
  for (int k = 0; k < n; k++)
    for (int j = 0; j < n; j++)
      for (int i = 0; i < n; i++) {
        int c[8];
        for (int m = 0; m < 8; m++) c[m] = vid(n, i + (m & 1), j + ((m >> 1) & 1), k + ((m >> 2) & 1));
        for (const auto &t : cube) b.Tet.insert(b.Tet.end(), {c[t[0]], c[t[1]], c[t[2]], c[t[3]], 1});
      }
  // Two triangles per boundary square of the six sides.
  for (int side = 0; side < 6; side++)
    for (int a = 0; a < n; a++)
      for (int c = 0; c < n; c++) {
        int p[4];
        for (int m = 0; m < 4; m++) {
          int u = a + (m & 1), v = c + (m >> 1), w = side & 1 ? n : 0;
          int axis = side / 2;
          p[m] = axis == 0 ? vid(n, w, u, v) : axis == 1 ? vid(n, u, w, v) : vid(n, u, v, w);
        }
        b.Tri.insert(b.Tri.end(), {p[0], p[1], p[3], side + 1, p[0], p[3], p[2], side + 1});
      }
}

KmfField field(int typ, const void *adr, int64_t stride) {
  return KmfField{typ, static_cast<char *>(const_cast<void *>(adr)), stride};
}

// The first line (from 0) of part k of n lines cut in `parts`.
int64_t partStart(int64_t n, int parts, int k) { return n * k / parts; }

// The box's mesh and solution with every keyword in `parts` sections, those of the mesh's
// keywords taking turns.
bool writeFiles(const Box &b, const std::string &mesh, const std::string &sol, int version, int parts) {
  bool ok = true;
  // Part k of the n lines of kwd, from the records the fields give.
  auto part = [&](KmfMeshFile *out, int kwd, std::vector<KmfField> fields, int64_t n, int k) {
    const int64_t l0 = partStart(n, parts, k), l1 = partStart(n, parts, k + 1);
    for (KmfField &fld : fields) fld.Adr += l0 * fld.Stride;
    int type = KmfSca;
    ok = ok && (kwd == KmfSolAtVertices ? KmfSetKwd(out, kwd, l1 - l0, 1, &type) : KmfSetKwd(out, kwd, l1 - l0)) &&
         KmfSetBlockFields(out, kwd, 0, nullptr, nullptr, nullptr, static_cast<int>(fields.size()), fields.data());
  };
  const std::vector<KmfField> ver = {field(KmfDouble, &b.Crd[0], 24), field(KmfDouble, &b.Crd[1], 24),
                                     field(KmfDouble, &b.Crd[2], 24), field(KmfInt, &b.VerRef[0], 4)};
  std::vector<KmfField> tet, tri;
  for (int k = 0; k < 5; k++) tet.push_back(field(KmfInt, &b.Tet[k], 20));
  for (int k = 0; k < 4; k++) tri.push_back(field(KmfInt, &b.Tri[k], 16));
  KmfMeshFile *f = KmfOpenMesh(mesh.c_str(), KmfWrite, version, 3);
  if (!f) return false;
  for (int k = 0; k < parts; k++) {
    part(f, KmfVertices, ver, b.nver(), k);
    part(f, KmfTetrahedra, tet, b.ntet(), k);
    part(f, KmfTriangles, tri, b.ntri(), k);
  }
  ok = KmfCloseMesh(f) && ok;
  f = KmfOpenMesh(sol.c_str(), KmfWrite, version, 3);
  if (!f) return false;
  for (int k = 0; k < parts; k++) part(f, KmfSolAtVertices, {field(KmfDouble, &b.Sol[0], 8)}, b.nver(), k);
  return KmfCloseMesh(f) && ok;
}

int64_t fileSize(const std::string &p) {
  struct stat st;
  return stat(p.c_str(), &st) ? 0 : st.st_size;
}

// The caller's arrays, as a loader holds them.
struct Target {
  std::vector<double> Crd, Sol;
  std::vector<int> Ref, Tet, Tri;
  explicit Target(const Box &b)
      : Crd(3 * b.nver()), Sol(b.nver()), Ref(b.nver()), Tet(5 * b.ntet()), Tri(4 * b.ntri()) {}
};

Box box;

// Reads every keyword whole, on the pool when one is given; false when a read failed or a
// keyword's line count is not the box's.
bool readFiles(const std::string &mesh, const std::string &sol, Target &t, ParallelPool *pool) {
  int v, d;
  KmfMeshFile *f = KmfOpenMesh(mesh.c_str(), KmfRead, &v, &d);
  if (!f) return false;
  KmfSetPool(f, pool);
  int64_t nv = KmfStatKwd(f, KmfVertices), nt = KmfStatKwd(f, KmfTetrahedra), nf = KmfStatKwd(f, KmfTriangles);
  bool ok = nv == box.nver() && nt == box.ntet() && nf == box.ntri() &&
            KmfGetBlock(f, KmfVertices, 1, nv, 0, nullptr, nullptr, KmfDouble, &t.Crd[0], &t.Crd[3 * (nv - 1)],
                        KmfDouble, &t.Crd[1], &t.Crd[3 * (nv - 1) + 1], KmfDouble, &t.Crd[2], &t.Crd[3 * (nv - 1) + 2],
                        KmfInt, &t.Ref[0], &t.Ref[nv - 1]) &&
            KmfGetBlock(f, KmfTetrahedra, 1, nt, 0, nullptr, nullptr, KmfIntVec, 5, &t.Tet[0], &t.Tet[5 * (nt - 1)]) &&
            KmfGetBlock(f, KmfTriangles, 1, nf, 0, nullptr, nullptr, KmfIntVec, 4, &t.Tri[0], &t.Tri[4 * (nf - 1)]);
  KmfCloseMesh(f);
  f = KmfOpenMesh(sol.c_str(), KmfRead, &v, &d);
  if (!f) return false;
  KmfSetPool(f, pool);
  ok = ok && KmfStatKwd(f, KmfSolAtVertices, nullptr, nullptr, nullptr) == nv &&
       KmfGetBlock(f, KmfSolAtVertices, 1, nv, 0, nullptr, nullptr, KmfDouble, &t.Sol[0], &t.Sol[nv - 1]);
  KmfCloseMesh(f);
  return ok;
}

int64_t freadAll(const std::string &p, std::vector<char> &buf) {
  FILE *f = std::fopen(p.c_str(), "rb");
  if (!f) return 0;
  int64_t total = 0;
  for (size_t n; (n = std::fread(buf.data(), 1, buf.size(), f)) > 0;) total += static_cast<int64_t>(n);
  std::fclose(f);
  return total;
}

struct Pair {
  std::string Mesh, Sol;
};
Pair text, binary, text8, binary8;  // one section per keyword, eight
ParallelPool *pool;

void BM_BlockRead(benchmark::State &state, const Pair *files, bool pooled) {
  Target t(box);
  int64_t bytes = fileSize(files->Mesh) + fileSize(files->Sol);
  for (auto _ : state) {
    if (!readFiles(files->Mesh, files->Sol, t, pooled ? pool : nullptr)) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(t.Tet.data());
  }
  // Every line must be the one written.
  if (t.Tet != box.Tet || t.Tri != box.Tri || t.Ref != box.VerRef || t.Sol != box.Sol) state.SkipWithError("wrong values read");
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["MB"] = double(bytes) / 1e6;
}

void BM_Fread(benchmark::State &state, const Pair *files) {
  std::vector<char> buf(1 << 20);
  int64_t bytes = 0;
  for (auto _ : state) {
    bytes = freadAll(files->Mesh, buf) + freadAll(files->Sol, buf);
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

// A small mesh (a box of one cell), then `sections` sections without a line of keywords the
// loaders look at, taking turns (not the mesh's own: a reader that reads only a keyword's
// last section reads the mesh too).
bool writeEmptySections(const std::string &path, int64_t sections) {
  Box small;
  small.N = 1;
  build(small);
  KmfMeshFile *f = KmfOpenMesh(path.c_str(), KmfWrite, 3, 3);
  if (!f) return false;
  KmfField ver[4] = {field(KmfDouble, &small.Crd[0], 24), field(KmfDouble, &small.Crd[1], 24),
                     field(KmfDouble, &small.Crd[2], 24), field(KmfInt, &small.VerRef[0], 4)};
  KmfField tet[5];
  for (int k = 0; k < 5; k++) tet[k] = field(KmfInt, &small.Tet[k], 20);
  bool ok = KmfSetKwd(f, KmfVertices, small.nver()) && KmfSetBlockFields(f, KmfVertices, 0, nullptr, nullptr, nullptr, 4, ver) &&
            KmfSetKwd(f, KmfTetrahedra, small.ntet()) && KmfSetBlockFields(f, KmfTetrahedra, 0, nullptr, nullptr, nullptr, 5, tet);
  const int kinds[] = {KmfTriangles, KmfEdges, KmfPrisms, KmfCorners, KmfHexahedra, KmfQuadrilaterals, KmfRidges};
  for (int64_t k = 0; ok && k < sections; k++) ok = KmfSetKwd(f, kinds[k % 7], 0);
  return KmfCloseMesh(f) && ok;
}

// What three loads of one file gave in a child process: the best time and the child's peak.
struct LoadResult {
  double Best;
  int64_t Peak;
  bool Ok;
};

// Loads path three times with a pool of one thread per core (in a child: standard error goes);
// the mesh must come with nver vertices and ntet tetrahedra.
LoadResult loadThrice(const std::string &path, int64_t nver = 8, int64_t ntet = 6) {
  LoadResult r{1e30, 0, true};
  Common_MthParallel *par = NewMthParallel(GetNumberOfCores(), 0, 0);
  // A reader that reads the last section of each keyword says so on standard error at every
  // load: not on the terminal's time either.
  int null = open("/dev/null", O_WRONLY);
  if (null >= 0) dup2(null, 2);
  for (int k = 0; k < 3; k++) {
    Memory_List *mem = NewMemory(10000);
    double t = 0;
    Geometric_Mesh *m = TimedLoad(mem, par, path, &t);
    r.Ok = r.Ok && m && m->NbrTet == ntet && m->NbrVer == nver;
    r.Best = t < r.Best ? t : r.Best;
    FreeCommonMesh(mem, m);
    FreeMemory(mem);
  }
  FreeMthParallel(par);
  r.Peak = ProcStatusBytes("VmHWM:");
  return r;
}

// Copies the text file src to dst with its first three lines (the header) as they are and every
// later newline turned into a blank, but the first one after each lineBytes bytes of a line
// (none when lineBytes is 0): the same bytes, in lines of about lineBytes or in one line.
bool reline(const std::string &src, const std::string &dst, int64_t lineBytes) {
  FILE *in = std::fopen(src.c_str(), "rb"), *out = std::fopen(dst.c_str(), "wb");
  bool ok = in && out;
  std::vector<char> buf(1 << 20);
  int header = 3;
  int64_t run = 0;  // bytes of the line being written
  for (size_t n; ok && (n = std::fread(buf.data(), 1, buf.size(), in)) > 0;) {
    for (size_t i = 0; i < n; i++, run++) {
      if (buf[i] != '\n') continue;
      if (header > 0) header--;
      else if (!lineBytes || run < lineBytes) buf[i] = ' ';
      if (buf[i] == '\n') run = -1;
    }
    ok = std::fwrite(buf.data(), 1, n, out) == n;
  }
  if (in) std::fclose(in);
  if (out && std::fclose(out)) ok = false;
  return ok;
}

// A small mesh (a box of one cell) with a comment of `bytes` bytes before its End, on one line
// (lineBytes 0) or in lines of lineBytes, each a comment of its own. The comment holds words
// and numbers, names of sections among them.
bool writeCommentFile(const std::string &path, int64_t bytes, int64_t lineBytes) {
  const std::string small = path + ".small.mesh";
  Box b;
  b.N = 1;
  build(b);
  if (!writeFiles(b, small, path + ".small.sol", 2, 1)) return false;
  std::remove((path + ".small.sol").c_str());
  std::string text;
  {
    FILE *f = std::fopen(small.c_str(), "rb");
    if (!f) return false;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof(chunk), f)) > 0;) text.append(chunk, n);
    std::fclose(f);
  }
  std::remove(small.c_str());
  const size_t end = text.rfind("End");
  if (end == std::string::npos) return false;
  text.resize(end);
  FILE *out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  const std::string words = "Vertices 1 2.5 -3e7 Tetrahedra x7 #9 End\t0.125 ";
  std::string line;
  for (int64_t left = bytes; ok && left > 0;) {
    const int64_t n = lineBytes && lineBytes < left ? lineBytes : left;
    line.assign("#");
    while (static_cast<int64_t>(line.size()) < n - 1) line += words;
    line.resize(static_cast<size_t>(n - 1));
    line += '\n';
    ok = std::fwrite(line.data(), 1, line.size(), out) == line.size();
    left -= n;
  }
  ok = ok && std::fputs("\nEnd\n", out) >= 0;
  return std::fclose(out) == 0 && ok;
}

// Takes "--name value" out of the arguments: its value, or fallback.
long long takeOption(int &argc, char **argv, const char *name, long long fallback) {
  for (int i = 1; i + 1 < argc; i++)
    if (!std::strcmp(argv[i], name)) {
      long long v = std::atoll(argv[i + 1]);
      for (int j = i; j + 2 <= argc; j++) argv[j] = argv[j + 2];
      argc -= 2;
      return v;
    }
  return fallback;
}

}  // namespace

int main(int argc, char **argv) {
  box.N = static_cast<int>(takeOption(argc, argv, "--cells", box.N));
  const long long empty = takeOption(argc, argv, "--empty", 1000000);
  const long long commentMB = takeOption(argc, argv, "--comment", 200);
  if (box.N < 1) box.N = 1;
  const char *tmp = std::getenv("TMPDIR");
  std::string dir = tmp && *tmp ? tmp : "/tmp";
  std::string base = dir + "/kmfbench" + std::to_string(getpid());
  // Before the box is built, so that the children's peaks are the loads' own.
  int status = 0;
  for (const char *ext : {".mesh", ".meshb"}) {
    const std::string path = base + "empty" + ext;
    LoadResult r{};
    if (!writeEmptySections(path, empty) || !RunInChild([&] { return loadThrice(path); }, &r) || !r.Ok) {
      fprintf(stderr, "%s: writing or loading the file of empty sections failed\n", path.c_str());
      status = 1;
    } else {
      printf("%lld empty sections, %-6s %7.1f MB: load best of 3 %7.3f s, peak resident %7.1f MiB\n", empty, ext + 1,
             fileSize(path) / 1e6, r.Best, r.Peak / (1024.0 * 1024.0));
    }
    std::remove(path.c_str());
  }
  // Long lines: each file against the same bytes in lines of 2 MB, loaded in a child of its own.
  const int64_t twoMB = int64_t(2) << 20;
  struct LongCase {
    const char *What;
    std::string Path;
    int64_t LineBytes, NbrVer, NbrTet;
  };
  std::vector<LongCase> longCases;
  if (!writeCommentFile(base + "comment1.mesh", commentMB << 20, 0) ||
      !writeCommentFile(base + "comment2.mesh", commentMB << 20, twoMB)) {
    fprintf(stderr, "cannot write the files of a long comment in %s\n", dir.c_str());
    status = 1;
  } else {
    longCases.push_back({"a comment, one line", base + "comment1.mesh", 0, 8, 6});
    longCases.push_back({"a comment, 2 MB lines", base + "comment2.mesh", twoMB, 8, 6});
  }
  // The box's values are written by a child: its arrays stay out of the loads' peaks.
  bool written = false;
  const std::string boxText = base + "box.mesh";
  const bool wroteBox = RunInChild(
      [&] {
        Box b;
        b.N = box.N;
        build(b);
        const bool ok = writeFiles(b, boxText, base + "box.sol", 2, 1) && reline(boxText, base + "values1.mesh", 0) &&
                        reline(boxText, base + "values2.mesh", twoMB);
        std::remove(boxText.c_str());
        std::remove((base + "box.sol").c_str());
        return ok;
      },
      &written);
  if (!wroteBox || !written) {
    fprintf(stderr, "cannot write the box's values on long lines in %s\n", dir.c_str());
    status = 1;
  } else {
    const int64_t nv = int64_t(box.N + 1) * (box.N + 1) * (box.N + 1), nt = int64_t(6) * box.N * box.N * box.N;
    longCases.push_back({"values after the header, one line", base + "values1.mesh", 0, nv, nt});
    longCases.push_back({"values after the header, 2 MB lines", base + "values2.mesh", twoMB, nv, nt});
  }
  for (const LongCase &c : longCases) {
    LoadResult r{};
    if (!RunInChild([&] { return loadThrice(c.Path, c.NbrVer, c.NbrTet); }, &r) || !r.Ok) {
      fprintf(stderr, "%s: loading the file of %s failed\n", c.Path.c_str(), c.What);
      status = 1;
    } else {
      printf("long lines, %-36s %7.1f MB: load best of 3 %7.3f s, peak resident %7.1f MiB\n", c.What,
             fileSize(c.Path) / 1e6, r.Best, r.Peak / (1024.0 * 1024.0));
    }
    std::remove(c.Path.c_str());
  }
  build(box);
  text = {base + ".mesh", base + ".sol"};
  binary = {base + ".meshb", base + ".solb"};
  text8 = {base + "8.mesh", base + "8.sol"};
  binary8 = {base + "8.meshb", base + "8.solb"};
  if (!writeFiles(box, text.Mesh, text.Sol, 2, 1) || !writeFiles(box, binary.Mesh, binary.Sol, 3, 1) ||
      !writeFiles(box, text8.Mesh, text8.Sol, 2, 8) || !writeFiles(box, binary8.Mesh, binary8.Sol, 3, 8)) {
    fprintf(stderr, "cannot write the benchmark files in %s\n", dir.c_str());
    return 1;
  }
  pool = InitParallel(0);
  printf("%lld vertices, %lld tetrahedra, %lld triangles; text %.1f MB, binary %.1f MB; pool of %d threads\n",
         static_cast<long long>(box.nver()), static_cast<long long>(box.ntet()), static_cast<long long>(box.ntri()),
         (fileSize(text.Mesh) + fileSize(text.Sol)) / 1e6, (fileSize(binary.Mesh) + fileSize(binary.Sol)) / 1e6,
         pool ? pool->NbrCpu : 0);
  const struct {
    const char *Name;
    const Pair *Files;
  } cases[] = {{"binary_v3", &binary}, {"binary_v3_8sections", &binary8}, {"text_v2", &text}, {"text_v2_8sections", &text8}};
  for (const auto &c : cases)
    for (bool pooled : {false, true})
      benchmark::RegisterBenchmark((std::string("BlockRead/") + c.Name + (pooled ? "/pool" : "/1thread")).c_str(),
                                   BM_BlockRead, c.Files, pooled)
          ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Fread/binary_v3", BM_Fread, &binary)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Fread/text_v2", BM_Fread, &text)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  StopParallel(pool);
  for (const Pair *p : {&text, &binary, &text8, &binary8}) {
    std::remove(p->Mesh.c_str());
    std::remove(p->Sol.c_str());
  }
  return status;
}

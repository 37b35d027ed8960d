// Reading speed of keyword mesh files: a structured box of about two million tetrahedra with
// its vertices, boundary triangles and a vertex solution, written in text (version 2) and in
// binary (version 3), then read section by section with block reads, next to a plain fread of
// the same files. Rates are bytes of file per second, one thread.
//
//   KmfReadBench [--cells N] [google benchmark flags]
// The files go to $TMPDIR (or /tmp) and are removed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "common/kmf/KmfMeshFile.h"

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

bool writeFiles(const Box &b, const std::string &mesh, const std::string &sol, int version) {
  KmfMeshFile *f = KmfOpenMesh(mesh.c_str(), KmfWrite, version, 3);
  if (!f) return false;
  KmfField ver[4] = {field(KmfDouble, &b.Crd[0], 24), field(KmfDouble, &b.Crd[1], 24), field(KmfDouble, &b.Crd[2], 24),
                     field(KmfInt, &b.VerRef[0], 4)};
  KmfField tet[5], tri[4];
  for (int k = 0; k < 5; k++) tet[k] = field(KmfInt, &b.Tet[k], 20);
  for (int k = 0; k < 4; k++) tri[k] = field(KmfInt, &b.Tri[k], 16);
  bool ok = KmfSetKwd(f, KmfVertices, b.nver()) && KmfSetBlockFields(f, KmfVertices, 0, nullptr, nullptr, nullptr, 4, ver) &&
            KmfSetKwd(f, KmfTetrahedra, b.ntet()) && KmfSetBlockFields(f, KmfTetrahedra, 0, nullptr, nullptr, nullptr, 5, tet) &&
            KmfSetKwd(f, KmfTriangles, b.ntri()) && KmfSetBlockFields(f, KmfTriangles, 0, nullptr, nullptr, nullptr, 4, tri);
  ok = KmfCloseMesh(f) && ok;
  f = KmfOpenMesh(sol.c_str(), KmfWrite, version, 3);
  if (!f) return false;
  int type = KmfSca;
  KmfField s = field(KmfDouble, &b.Sol[0], 8);
  ok = ok && KmfSetKwd(f, KmfSolAtVertices, b.nver(), 1, &type) &&
       KmfSetBlockFields(f, KmfSolAtVertices, 0, nullptr, nullptr, nullptr, 1, &s);
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

bool readFiles(const std::string &mesh, const std::string &sol, Target &t) {
  int v, d;
  KmfMeshFile *f = KmfOpenMesh(mesh.c_str(), KmfRead, &v, &d);
  if (!f) return false;
  int64_t nv = KmfStatKwd(f, KmfVertices), nt = KmfStatKwd(f, KmfTetrahedra), nf = KmfStatKwd(f, KmfTriangles);
  bool ok = KmfGetBlock(f, KmfVertices, 1, nv, 0, nullptr, nullptr, KmfDouble, &t.Crd[0], &t.Crd[3 * (nv - 1)],
                        KmfDouble, &t.Crd[1], &t.Crd[3 * (nv - 1) + 1], KmfDouble, &t.Crd[2], &t.Crd[3 * (nv - 1) + 2],
                        KmfInt, &t.Ref[0], &t.Ref[nv - 1]) &&
            KmfGetBlock(f, KmfTetrahedra, 1, nt, 0, nullptr, nullptr, KmfIntVec, 5, &t.Tet[0], &t.Tet[5 * (nt - 1)]) &&
            KmfGetBlock(f, KmfTriangles, 1, nf, 0, nullptr, nullptr, KmfIntVec, 4, &t.Tri[0], &t.Tri[4 * (nf - 1)]);
  KmfCloseMesh(f);
  f = KmfOpenMesh(sol.c_str(), KmfRead, &v, &d);
  if (!f) return false;
  ok = ok && KmfGetBlock(f, KmfSolAtVertices, 1, nv, 0, nullptr, nullptr, KmfDouble, &t.Sol[0], &t.Sol[nv - 1]);
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

Box box;
struct Pair {
  std::string Mesh, Sol;
};
Pair text, binary;

void BM_BlockRead(benchmark::State &state, const Pair *files) {
  Target t(box);
  int64_t bytes = fileSize(files->Mesh) + fileSize(files->Sol);
  for (auto _ : state) {
    if (!readFiles(files->Mesh, files->Sol, t)) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(t.Tet.data());
  }
  // The last tetrahedron must be the one written.
  if (std::memcmp(&t.Tet[t.Tet.size() - 5], &box.Tet[box.Tet.size() - 5], 5 * sizeof(int)))
    state.SkipWithError("wrong values read");
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

}  // namespace

int main(int argc, char **argv) {
  for (int i = 1; i + 1 < argc; i++)
    if (!std::strcmp(argv[i], "--cells")) {
      box.N = std::atoi(argv[i + 1]);
      for (int j = i; j + 2 <= argc; j++) argv[j] = argv[j + 2];
      argc -= 2;
      break;
    }
  if (box.N < 1) box.N = 1;
  build(box);
  const char *tmp = std::getenv("TMPDIR");
  std::string dir = tmp && *tmp ? tmp : "/tmp";
  std::string base = dir + "/kmfbench" + std::to_string(getpid());
  text = {base + ".mesh", base + ".sol"};
  binary = {base + ".meshb", base + ".solb"};
  if (!writeFiles(box, text.Mesh, text.Sol, 2) || !writeFiles(box, binary.Mesh, binary.Sol, 3)) {
    fprintf(stderr, "cannot write the benchmark files in %s\n", dir.c_str());
    return 1;
  }
  printf("%lld vertices, %lld tetrahedra, %lld triangles; text %.1f MB, binary %.1f MB\n",
         static_cast<long long>(box.nver()), static_cast<long long>(box.ntet()), static_cast<long long>(box.ntri()),
         (fileSize(text.Mesh) + fileSize(text.Sol)) / 1e6, (fileSize(binary.Mesh) + fileSize(binary.Sol)) / 1e6);
  benchmark::RegisterBenchmark("BlockRead/binary_v3", BM_BlockRead, &binary)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Fread/binary_v3", BM_Fread, &binary)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BlockRead/text_v2", BM_BlockRead, &text)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Fread/text_v2", BM_Fread, &text)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const auto *p : {&text.Mesh, &text.Sol, &binary.Mesh, &binary.Sol}) std::remove(p->c_str());
  return 0;
}

#include "tests/support/MeshFixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <unistd.h>

namespace fixtures {

namespace {

// The files must be the same on every run: a seeded standard generator.
struct Rng : std::mt19937 {
  explicit Rng(int seed) : std::mt19937(static_cast<unsigned>(seed)) {}
  int64_t in(int64_t lo, int64_t hi) { return lo + static_cast<int64_t>((*this)() % static_cast<uint64_t>(hi - lo + 1)); }
  // A multiple of 1/16 in [-60, 60]: exact in 32- and 64-bit reals and within the six
  // digits of version-1 text.
  double real() { return static_cast<double>(in(-960, 960)) / 16.0; }
};

int typeSize(int type, int dim) {
  switch (type) {
    case 1: return 1;
    case 2: return dim;
    case 3: return dim * (dim + 1) / 2;
    case 4: return dim * dim;
    default: return 0;
  }
}

}  // namespace

FixtureSection &FixtureSection::With(std::vector<int64_t> ints, std::vector<double> reals, std::vector<std::string> strs) {
  Ints = std::move(ints), Reals = std::move(reals), Strs = std::move(strs);
  return *this;
}

const FixtureSection *FixtureFile::find(int kwd) const {
  for (const auto &s : Sections)
    if (s.Kwd == kwd) return &s;
  return nullptr;
}

FixtureSection Section(int kwd, const char *name, const std::string &letters, int64_t nlin, bool hasCount) {
  FixtureSection s;
  s.Kwd = kwd;
  s.Name = name;
  s.Letters = letters;
  s.NmbLin = nlin;
  s.HasCount = hasCount;
  return s;
}

FixtureSection ElementSection(int kwd, const char *name, int nodes, int64_t nlin, int nver, int seed) {
  FixtureSection s = Section(kwd, name, std::string(static_cast<size_t>(nodes) + 1, 'i'), nlin);
  Rng g(seed);
  s.Ints.reserve(static_cast<size_t>(nlin * (nodes + 1)));
  for (int64_t l = 0; l < nlin; l++) {
    for (int k = 0; k < nodes; k++) s.Ints.push_back(g.in(1, nver));
    s.Ints.push_back(g.in(-5, 40));  // references, negative ones included
  }
  return s;
}

FixtureSection VertexSection(int dim, int64_t nlin, int seed) {
  FixtureSection s = Section(4, "Vertices", std::string(static_cast<size_t>(dim), 'r') + "i", nlin);
  Rng g(seed);
  for (int64_t l = 0; l < nlin; l++) {
    for (int k = 0; k < dim; k++) s.Reals.push_back(g.real());
    s.Ints.push_back(g.in(0, 9));
  }
  return s;
}

FixtureSection ListSection(int kwd, const char *name, int64_t nlin, int range, int seed) {
  FixtureSection s = Section(kwd, name, "i", nlin);
  Rng g(seed);
  for (int64_t l = 0; l < nlin; l++) s.Ints.push_back(g.in(1, range));
  return s;
}

FixtureSection SolutionSection(int kwd, const char *name, int dim, const std::vector<int> &types, int64_t nlin,
                               int seed, int deg, int nodes) {
  FixtureSection s = Section(kwd, name, "", nlin);
  s.Types = types;
  s.Deg = deg;
  s.NmbNod = nodes;
  int size = 0;
  for (int t : types) size += typeSize(t, dim);
  if (deg >= 0) size *= nodes;
  s.Letters = std::string(static_cast<size_t>(size), 'r');
  Rng g(seed);
  for (int64_t l = 0; l < nlin * size; l++) s.Reals.push_back(g.real());
  return s;
}

const int P2TriangleLattice[6][3] = {{2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {1, 1, 0}, {0, 1, 1}, {1, 0, 1}};
const int P2TriangleFileOrder[6] = {1, 2, 0, 5, 3, 4};

FixtureFile AllKindsMesh(int version, int dim, bool unknown) {
  FixtureFile f{version, dim, {}};
  const int nv = 40;
  auto &s = f.Sections;
  s.push_back(VertexSection(dim, nv, 1));
  struct Kind {
    int kwd;
    const char *name;
    int nodes, nlin;
  };
  const Kind kinds[] = {{5, "Edges", 2, 7},           {6, "Triangles", 3, 9},     {7, "Quadrilaterals", 4, 5},
                        {8, "Tetrahedra", 4, 11},     {49, "Pyramids", 5, 3},     {9, "Prisms", 6, 4},
                        {10, "Hexahedra", 8, 6},      {24, "TrianglesP2", 6, 3},  {25, "EdgesP2", 3, 4},
                        {27, "QuadrilateralsQ2", 9, 2}, {30, "TetrahedraP2", 10, 2}, {33, "HexahedraQ2", 27, 2}};
  int seed = 2;
  for (const Kind &k : kinds) s.push_back(ElementSection(k.kwd, k.name, k.nodes, k.nlin, nv, seed++));
  FixtureSection nor = Section(60, "Normals", std::string(static_cast<size_t>(dim), 'r'), 5);
  Rng g(14);
  for (int i = 0; i < 5 * dim; i++) nor.Reals.push_back(g.real());
  s.push_back(nor);
  FixtureSection nav = Section(20, "NormalAtVertices", "ii", 5);
  for (int i = 0; i < 5; i++) nav.Ints.insert(nav.Ints.end(), {2 * i + 1, i + 1});
  s.push_back(nav);
  // List sections: lines, value range.
  const Kind lists[] = {{13, "Corners", 4, nv},          {14, "Ridges", 3, 7},
                        {15, "RequiredVertices", 5, nv}, {16, "RequiredEdges", 2, 7},
                        {17, "RequiredTriangles", 2, 9}, {18, "RequiredQuadrilaterals", 1, 5}};
  seed = 15;
  for (const Kind &k : lists) s.push_back(ListSection(k.kwd, k.name, k.nodes, k.nlin, seed++));
  FixtureSection ord = Section(129, "TrianglesP2Ordering", "iii", 6);
  for (int j = 0; j < 6; j++)
    for (int k = 0; k < 3; k++) ord.Ints.push_back(P2TriangleLattice[P2TriangleFileOrder[j]][k]);
  s.push_back(ord);
  std::string longText;
  for (int i = 0; i < 300; i++) longText += static_cast<char>('a' + i % 26);
  s.push_back(Section(81, "Comments", "c", 2).With({}, {}, {"made by the fixtures of the test suite", longText}));
  s.push_back(Section(94, "IRefGroups", "ciii", 2).With({1, 4, 7, 2, 5, 9}, {}, {"inlet", "wall_upper"}));
  s.push_back(Section(78, "Time", "r", 1, false).With({}, {12.5}));
  s.push_back(Section(77, "Iterations", "i", 1, false).With({42}));
  if (unknown) s.insert(s.begin() + 3, Section(250, "UnknownStuff", "ii", 3).With({1, 2, 3, 4, 5, 6}));
  return f;
}

FixtureFile SolutionFile(int version, int dim, int nver) {
  return FixtureFile{version, dim,
                     {SolutionSection(62, "SolAtVertices", dim, {1, 2, 3, 4}, nver, 31),
                      SolutionSection(66, "SolAtTetrahedra", dim, {1, 3}, 7, 32),
                      SolutionSection(64, "SolAtTriangles", dim, {2}, 5, 33),
                      SolutionSection(108, "HOSolAtTrianglesP2", dim, {1, 2}, 4, 34, 2, 6)}};
}

FixtureFile BlockBoundaryMesh(int version) {
  return FixtureFile{version, 3,
                     {VertexSection(3, 25000, 41), ElementSection(6, "Triangles", 3, 9999, 25000, 42),
                      ElementSection(8, "Tetrahedra", 4, 10000, 25000, 43), ElementSection(5, "Edges", 2, 10001, 25000, 44)}};
}

FixtureSection LinesOf(const FixtureSection &s, int64_t from, int64_t n) {
  FixtureSection p = s;
  auto cut = [&](auto &v, char letter) {
    const int64_t k = static_cast<int64_t>(std::count(s.Letters.begin(), s.Letters.end(), letter));
    v.assign(v.begin() + from * k, v.begin() + (from + n) * k);
  };
  cut(p.Ints, 'i');
  cut(p.Reals, 'r');
  cut(p.Strs, 'c');
  p.NmbLin = n;
  return p;
}

FixtureFile ApartSections(const FixtureFile &f) {
  FixtureFile out{f.Version, f.Dim, {}};
  std::vector<FixtureSection> later;
  for (const FixtureSection &s : f.Sections) {
    const int64_t head = s.HasCount ? (s.NmbLin + 1) / 2 : 1;
    out.Sections.push_back(LinesOf(s, 0, s.NmbLin < 2 ? s.NmbLin : head));
    for (int64_t at = head; s.NmbLin >= 2 && at < s.NmbLin; at += s.HasCount ? s.NmbLin - head : 1)
      later.push_back(LinesOf(s, at, s.HasCount ? s.NmbLin - head : 1));
  }
  out.Sections.insert(out.Sections.end(), later.begin(), later.end());
  return out;
}

void RawBytes::put(uint64_t v, int bytes) {
  for (int i = 0; i < bytes; i++) {
    int shift = Big ? 8 * (bytes - 1 - i) : 8 * i;
    Data.push_back(static_cast<unsigned char>(v >> shift));
  }
}

void RawBytes::f32(float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  put(u, 4);
}

void RawBytes::f64(double v) {
  uint64_t u;
  std::memcpy(&u, &v, 8);
  put(u, 8);
}

void RawBytes::str256(const std::string &s) {
  for (size_t i = 0; i < 256; i++) Data.push_back(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
}

void RawBytes::patch(size_t at, int version, int wide, int64_t v) {
  RawBytes tmp(Big);
  tmp.sized(version, wide, v);
  std::memcpy(&Data[at], tmp.Data.data(), tmp.Data.size());
}

size_t RawHeader(RawBytes &b, int version, int dim) {
  b.i32(1);
  b.i32(version);
  b.i32(3);
  size_t next = b.size();
  b.sized(version, 3, 0);
  b.i32(dim);
  b.patch(next, version, 3, static_cast<int64_t>(b.size()));
  return next;
}

std::vector<unsigned char> ChainEndingAt(std::vector<unsigned char> file, int kwd) {
  const bool big = file.size() >= 4 && file[3] == 1;
  RawBytes b(big);
  b.Data = std::move(file);
  const std::vector<unsigned char> &d = b.Data;
  // The value of bytes bytes at at, sign-extended, or 0 past the end.
  auto value = [&](int64_t at, int bytes) {
    uint64_t v = 0;
    if (at < 0 || static_cast<uint64_t>(at) + static_cast<uint64_t>(bytes) > d.size()) return int64_t(0);
    for (int i = 0; i < bytes; i++) v |= uint64_t(d[static_cast<size_t>(at) + i]) << (big ? 8 * (bytes - 1 - i) : 8 * i);
    return bytes == 4 ? int64_t(static_cast<int32_t>(v)) : static_cast<int64_t>(v);
  };
  const int version = static_cast<int>(value(4, 4)), wide = version >= 3 ? 8 : 4;
  int64_t pos = value(12, wide);
  while (pos > 0 && value(pos, 4) != kwd) {
    const int64_t next = value(pos + 4, wide);
    pos = next > pos ? next : 0;  // forward only
  }
  if (pos > 0 && static_cast<size_t>(pos) + 4 + static_cast<size_t>(wide) <= b.size())
    b.patch(static_cast<size_t>(pos) + 4, version, 3, 0);
  return b.Data;
}

std::vector<unsigned char> RawBinary(const FixtureFile &f, bool bigEndian) {
  RawBytes b(bigEndian);
  int v = f.Version;
  RawHeader(b, v, f.Dim);
  size_t pending = 0;
  auto startSection = [&](int kwd) {
    if (pending) b.patch(pending, v, 3, static_cast<int64_t>(b.size()));
    b.i32(kwd);
    pending = b.size();
    b.sized(v, 3, 0);
  };
  for (const auto &s : f.Sections) {
    startSection(s.Kwd);
    if (s.HasCount) b.sized(v, 4, s.NmbLin);
    if (!s.Types.empty()) {
      b.i32(static_cast<int32_t>(s.Types.size()));
      for (int t : s.Types) b.i32(t);
      if (s.Deg >= 0) {
        b.i32(s.Deg);
        b.i32(s.NmbNod);
      }
    }
    size_t ni = 0, nr = 0, ns = 0;
    for (int64_t l = 0; l < s.NmbLin; l++)
      for (char c : s.Letters) {
        if (c == 'i') b.sized(v, 4, s.Ints[ni++]);
        else if (c == 'r' && v == 1) b.f32(static_cast<float>(s.Reals[nr++]));
        else if (c == 'r') b.f64(s.Reals[nr++]);
        else if (c == 'c') b.str256(s.Strs[ns++]);
      }
  }
  startSection(54);
  return b.Data;
}

std::string RawText(const FixtureFile &f) {
  std::string t;
  char buf[64];
  snprintf(buf, sizeof(buf), "MeshVersionFormatted %d\n\nDimension %d\n", f.Version, f.Dim);
  t += buf;
  for (const auto &s : f.Sections) {
    t += "\n" + s.Name + "\n";
    if (s.HasCount) t += std::to_string(s.NmbLin) + "\n";
    if (!s.Types.empty()) {
      t += std::to_string(s.Types.size()) + " ";
      for (int ty : s.Types) t += std::to_string(ty) + " ";
      t += "\n";
      if (s.Deg >= 0) t += std::to_string(s.Deg) + " " + std::to_string(s.NmbNod) + "\n";
    }
    size_t ni = 0, nr = 0, ns = 0;
    for (int64_t l = 0; l < s.NmbLin; l++) {
      for (char c : s.Letters) {
        if (c == 'i') {
          t += std::to_string(s.Ints[ni++]) + " ";
        } else if (c == 'r') {
          snprintf(buf, sizeof(buf), "%.17g ", s.Reals[nr++]);
          t += buf;
        } else if (c == 'c') {
          t += s.Strs[ns++] + " ";
        }
      }
      t += "\n";
    }
  }
  t += "\nEnd\n";
  return t;
}

std::string TestPath(const std::string &name) {
  const char *dir = std::getenv("ZELVANE_TEST_OUT");
  std::string out = dir && *dir ? dir : ZELVANE_TEST_OUT_DIR;
  // Test programs run in parallel: keep their files apart.
  return out + "/" + std::to_string(getpid()) + "_" + name;
}

bool SaveBytes(const std::string &path, const std::vector<unsigned char> &data) {
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

bool SaveText(const std::string &path, const std::string &text) {
  return SaveBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

}  // namespace fixtures

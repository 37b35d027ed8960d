// Test data for the keyword mesh files, made by the project itself.
//
// A FixtureFile describes a file section by section with its values; RawBinary and RawText
// turn it into bytes without going through the access library (explicit little- or
// big-endian words, the binary layout written out field by field), so that the library can
// be checked against an independent writer. The generators build the files the tests of the
// access library, the loaders and the writer need.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace fixtures {

// One section of a file. Letters holds one letter per value of a line ('i' integer, 'r'
// real, 'c' string), line after line the values are taken in order from Ints, Reals and Strs.
struct FixtureSection {
  int Kwd = 0;               // keyword number; numbers outside 1..204 make sections readers skip
  std::string Name;          // name in the text encoding
  std::string Letters;
  bool HasCount = true;      // false for sections of one line without a count
  std::vector<int> Types;    // solution sections: the type list
  int Deg = -1, NmbNod = 0;  // high-order solution sections: degree and nodes (Deg >= 0)
  int64_t NmbLin = 0;
  std::vector<int64_t> Ints;
  std::vector<double> Reals;
  std::vector<std::string> Strs;
  // The values, given at once; returns the section.
  FixtureSection &With(std::vector<int64_t> ints, std::vector<double> reals = {}, std::vector<std::string> strs = {});
};

struct FixtureFile {
  int Version = 2;
  int Dim = 3;
  std::vector<FixtureSection> Sections;
  const FixtureSection *find(int kwd) const;
};

// Values are chosen so that every encoding and version holds them exactly (multiples of 1/16
// below 60 in magnitude, integers below 2^31).

// A section without values.
FixtureSection Section(int kwd, const char *name, const std::string &letters, int64_t nlin, bool hasCount = true);
// A section of nlin element lines: nodes vertex numbers in [1, nver] and a reference.
FixtureSection ElementSection(int kwd, const char *name, int nodes, int64_t nlin, int nver, int seed);
// nlin vertices of dimension dim with a reference.
FixtureSection VertexSection(int dim, int64_t nlin, int seed);
// nlin lines of one integer each in [1, range].
FixtureSection ListSection(int kwd, const char *name, int64_t nlin, int range, int seed);
// A solution section with the given types (and high-order header when deg >= 0).
FixtureSection SolutionSection(int kwd, const char *name, int dim, const std::vector<int> &types, int64_t nlin,
                               int seed, int deg = -1, int nodes = 0);

// Every element kind, normals, corners, ridges, required entities, a non-identity P2 triangle
// node ordering, Comments with a 300-character string, IRefGroups (a string then integers),
// Time, Iterations and (with unknown) a section readers must skip.
FixtureFile AllKindsMesh(int version, int dim, bool unknown = true);
// The node ordering written in AllKindsMesh for P2 triangles: file row j holds the lattice
// coordinates of the program's node order[j].
extern const int P2TriangleFileOrder[6];
// Lattice coordinates of the six P2 triangle nodes in the program's order.
extern const int P2TriangleLattice[6][3];
// Solutions at vertices (scalar, vector, symmetric tensor, matrix), at tetrahedra and a
// high-order section.
FixtureFile SolutionFile(int version, int dim, int nver);
// Sections of 9999, 10000, 10001 and 25000 lines.
FixtureFile BlockBoundaryMesh(int version);

// Lines from..from+n-1 (counted from 0) of s as a section of their own.
FixtureSection LinesOf(const FixtureSection &s, int64_t from, int64_t n);
// The lines of f with every section of two lines or more cut in two (a section without a count
// in one-line sections), the first parts in f's order, then the second ones: as a converter
// writes one section per block of cells, the sections of a keyword stand apart.
FixtureFile ApartSections(const FixtureFile &f);

std::vector<unsigned char> RawBinary(const FixtureFile &f, bool bigEndian);
std::string RawText(const FixtureFile &f);
// The binary file (either byte order, any version) with its chain of sections ending at its
// first section of kwd, as a writer that stopped there leaves it: that section's next position
// is 0, and the sections after it, End among them, stand in the file out of the chain. The
// file as it is when it has no such section.
std::vector<unsigned char> ChainEndingAt(std::vector<unsigned char> file, int kwd);

// Low-level binary builder for malformed files: every call appends one value in the chosen
// byte order; the next-section positions are written by the caller.
class RawBytes {
 public:
  explicit RawBytes(bool bigEndian) : Big(bigEndian) {}
  void i32(int32_t v) { put(static_cast<uint64_t>(static_cast<uint32_t>(v)), 4); }
  void i64(int64_t v) { put(static_cast<uint64_t>(v), 8); }
  void f32(float v);
  void f64(double v);
  // 4 bytes below version `wide`, 8 from it on.
  void sized(int version, int wide, int64_t v) { version >= wide ? i64(v) : i32(static_cast<int32_t>(v)); }
  void str256(const std::string &s);
  void patch(size_t at, int version, int wide, int64_t v);
  size_t size() const { return Data.size(); }
  std::vector<unsigned char> Data;

 private:
  void put(uint64_t v, int bytes);
  bool Big;
};

// Writes the header of a binary file (code word, version, Dimension and its position, the
// dimension); returns the offset of the Dimension's next-section field.
size_t RawHeader(RawBytes &b, int version, int dim);

// Output folder of the test tree, and a path in it.
std::string TestPath(const std::string &name);
bool SaveBytes(const std::string &path, const std::vector<unsigned char> &data);
bool SaveText(const std::string &path, const std::string &text);

// A path in the test output folder, removed when the object goes.
struct TempFile {
  explicit TempFile(const std::string &name) : Path(TestPath(name)) {}
  ~TempFile() { std::remove(Path.c_str()); }
  TempFile(const TempFile &) = delete;
  TempFile &operator=(const TempFile &) = delete;
  const char *c_str() const { return Path.c_str(); }
  std::string Path;
};

}  // namespace fixtures

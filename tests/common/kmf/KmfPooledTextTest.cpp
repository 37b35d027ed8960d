// Text sections parsed on the worker pool hold the bytes the calling thread reads: every kind
// of section, comments longer than a range or a chunk, CR-LF line ends, values spread over
// lines or sharing them, and numbers next to every cut; what the pool cannot read is left to
// the serial reader, which reports it as it always does.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/kmf/KmfMeshFile.h"
#include "common/pool/Parallel.h"
#include "tests/support/CaptureText.h"
#include "tests/support/MeshFixtures.h"

using namespace fixtures;

namespace {

// Callback calls: one per block on the pool's threads, one in all on the caller's thread.
struct CallCount {
  int Count = 0, Elsewhere = 0;
  pthread_t Caller = pthread_self();
};

struct SectionRead {
  std::vector<unsigned char> Bytes;
  int Ok = 0;
  CallCount Calls;
  int64_t Next = -1;  // an integer read by line right after the block (-1: none could be read)
  std::string Err;
};

void countCall(int64_t, int64_t, void *arg) {
  auto *c = static_cast<CallCount *>(arg);
  __atomic_fetch_add(&c->Count, 1, __ATOMIC_RELAXED);
  if (!pthread_equal(pthread_self(), c->Caller)) __atomic_fetch_add(&c->Elsewhere, 1, __ATOMIC_RELAXED);
}

// Reads lines 1..n of section kwd into 8-byte values (4-byte ones when narrow), through a
// handle that has the pool or none; then one line of section next, when given.
SectionRead readSection(const std::string &path, int kwd, ParallelPool *pool, bool narrow, int next = 0) {
  SectionRead r;
  int ver = 0, dim = 0;
  KmfMeshFile *f = KmfOpenMesh(path.c_str(), KmfRead, &ver, &dim);
  EXPECT_NE(f, nullptr) << path;
  if (!f) return r;
  KmfSetPool(f, pool);
  // The file's P2 triangle nodes in another order than the program's.
  int file[6][3];
  for (int j = 0; j < 6; j++)
    for (int k = 0; k < 3; k++) file[j][k] = P2TriangleLattice[P2TriangleFileOrder[j]][k];
  KmfSetHONodesOrdering(f, KmfTrianglesP2, &P2TriangleLattice[0][0], &file[0][0]);
  const KmfKeyword &kw = f->KwdTab[kwd];
  const int nf = kw.SolSiz, size = narrow ? 4 : 8;
  const int64_t n = kw.NmbLin;
  r.Bytes.assign(static_cast<size_t>(n * nf * size), 0xEE);
  std::vector<KmfField> fld(static_cast<size_t>(nf));
  int j = 0;
  for (const char *c = kw.Fmt; *c; c++) {
    if (*c != 'i' && *c != 'r') continue;
    int typ = *c == 'r' ? (narrow ? KmfFloat : KmfDouble) : (narrow ? KmfInt : KmfLong);
    fld[j] = {typ, reinterpret_cast<char *>(r.Bytes.data()) + j * size, static_cast<int64_t>(nf) * size};
    j++;
  }
  r.Err = CaptureText([&] {
            r.Ok = KmfGetBlockFields(f, kwd, 1, n, 0, nullptr, countCall, &r.Calls, nf, fld.data());
            int64_t ints[8];
            double reals[8];
            int ni = 0, nr = 0;
            if (r.Ok && next && KmfGetLinTab(f, next, ints, &ni, reals, &nr, nullptr, nullptr) && ni) r.Next = ints[0];
          }).Err;
  KmfCloseMesh(f);
  return r;
}

struct Pool {
  ParallelPool *Par = InitParallel(4);
  ~Pool() { StopParallel(Par); }
};

// Every section a mesh or solution file holds, each large enough for the pool, in version 2
// (doubles, 64-bit integers read) and version 1 (floats, 32-bit integers read).
TEST(KmfPooledText, EveryKindOfSectionReadsTheSameBytes) {
  Pool pool;
  ASSERT_NE(pool.Par, nullptr);
  FixtureFile f{2, 3, {}};
  const int nv = 9000;
  auto lines = [](int values) { return 40000 / values + 1; };
  f.Sections.push_back(VertexSection(3, lines(4), 1));
  struct Kind {
    int Kwd;
    const char *Name;
    int Nodes;
  } const kinds[] = {{5, "Edges", 2},        {6, "Triangles", 3},         {7, "Quadrilaterals", 4},
                     {8, "Tetrahedra", 4},   {49, "Pyramids", 5},         {9, "Prisms", 6},
                     {10, "Hexahedra", 8},   {24, "TrianglesP2", 6},      {25, "EdgesP2", 3},
                     {27, "QuadrilateralsQ2", 9}, {30, "TetrahedraP2", 10}, {33, "HexahedraQ2", 27}};
  int seed = 2;
  for (const Kind &k : kinds) f.Sections.push_back(ElementSection(k.Kwd, k.Name, k.Nodes, lines(k.Nodes + 1), nv, seed++));
  FixtureSection nor = Section(60, "Normals", "rrr", lines(3));
  for (int64_t i = 0; i < 3 * nor.NmbLin; i++) nor.Reals.push_back((i % 19 - 9) / 7.0);
  f.Sections.push_back(nor);
  f.Sections.push_back(ListSection(13, "Corners", 40001, nv, 30));
  f.Sections.push_back(SolutionSection(62, "SolAtVertices", 3, {1, 2, 3, 4}, lines(19), 31));
  for (int version : {2, 1}) {
    SCOPED_TRACE(version);
    f.Version = version;
    std::string path = TestPath("pooledkinds.mesh");
    ASSERT_TRUE(SaveText(path, RawText(f)));
    for (const FixtureSection &s : f.Sections) {
      SCOPED_TRACE(s.Name);
      SectionRead serial = readSection(path, s.Kwd, nullptr, version == 1);
      SectionRead pooled = readSection(path, s.Kwd, pool.Par, version == 1);
      ASSERT_EQ(serial.Ok, 1);
      ASSERT_EQ(pooled.Ok, 1);
      EXPECT_TRUE(serial.Bytes == pooled.Bytes);
      EXPECT_EQ(serial.Calls.Count, 1);
      EXPECT_EQ(pooled.Calls.Count, (s.NmbLin + 9999) / 10000);
      EXPECT_EQ(pooled.Calls.Elsewhere, pooled.Calls.Count) << "the section was not read on the pool";
    }
  }
}

// Tetrahedra written the way people and scripts write them: values spread over lines or two
// lines on one, tabs and runs of blanks, CR-LF, comment lines short and longer than a range,
// signs and leading zeros; the vertices in every form a real takes.
std::string messyFile(int ntet, unsigned seed, const std::string &longComment) {
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const char *const seps[] = {" ", "  ", "\t", "\r\n", "\n", " \t "};
  std::string t = "MeshVersionFormatted 2\r\n\r\nDimension 3\r\n\r\nVertices\r\n12000\r\n";
  const char *const reals[] = {"0.1", "-0", "1e-400", "-1e400", "4.9406564584124654e-324", "+2.5", "nan", "-inf",
                               "0.30000000000000004", "17", "1E5", "-.5", "123456789012345678901234567890"};
  for (int v = 0; v < 12000; v++) {
    for (int k = 0; k < 3; k++) {
      if (pick(5)) {
        char buf[32];
        snprintf(buf, sizeof(buf), "%.17g", std::ldexp(static_cast<double>(rng()) - 2147483648.0, pick(40) - 30));
        t += buf;
      } else {
        t += reals[pick(13)];
      }
      t += seps[pick(6)];
    }
    t += std::to_string(pick(9)) + (pick(3) ? "\r\n" : " ");
  }
  t += "\r\nTetrahedra\r\n" + std::to_string(ntet) + "\r\n";
  for (int e = 0; e < ntet; e++) {
    if (!pick(500)) t += "# a remark " + std::string(pick(200), 'x') + " 1 2 3\r\n";
    if (e == ntet / 3) t += longComment + "\r\n";
    for (int k = 0; k < 5; k++) {
      int val = 1 + pick(12000);
      t += pick(20) ? std::to_string(val) : (pick(2) ? "+" : "000") + std::to_string(val);
      t += seps[pick(6)];
    }
    t += pick(4) ? "\r\n" : "";
  }
  t += "\r\nCorners\r\n1\r\n7\r\n\r\nEnd\r\n";
  return t;
}

TEST(KmfPooledText, MessyTextAcrossEveryCutReadsTheSameBytes) {
  Pool pool;
  ASSERT_NE(pool.Par, nullptr);
  // 100,000 lines are more than one chunk of four threads: the second chunk starts wherever
  // the first one's last line ended. A comment of 100,000 characters spans several ranges.
  std::string path = TestPath("pooledmessy.mesh");
  ASSERT_TRUE(SaveText(path, messyFile(100000, 11, "#" + std::string(100000, '#'))));
  for (int kwd : {KmfVertices, KmfTetrahedra})
    for (bool narrow : {false, true}) {
      SCOPED_TRACE(kwd * 10 + narrow);
      SectionRead serial = readSection(path, kwd, nullptr, narrow, KmfCorners);
      SectionRead pooled = readSection(path, kwd, pool.Par, narrow, KmfCorners);
      ASSERT_EQ(serial.Ok, 1) << serial.Err;
      ASSERT_EQ(pooled.Ok, 1) << pooled.Err;
      EXPECT_TRUE(serial.Bytes == pooled.Bytes);
      EXPECT_EQ(pooled.Calls.Elsewhere, kwd == KmfVertices ? 2 : 10) << "the section was not read on the pool";
      // Line reads go on right after the block: here at the next section's name, which is
      // no integer.
      EXPECT_EQ(serial.Next, -1);
      EXPECT_EQ(pooled.Next, -1);
    }

  // A comment longer than a chunk is left to the serial reader: the same bytes again.
  std::string longer = TestPath("pooledlong.mesh");
  ASSERT_TRUE(SaveText(longer, messyFile(20000, 12, "#" + std::string(3 << 20, '-'))));
  SectionRead serial = readSection(longer, KmfTetrahedra, nullptr, false);
  SectionRead pooled = readSection(longer, KmfTetrahedra, pool.Par, false);
  ASSERT_EQ(pooled.Ok, 1);
  EXPECT_TRUE(serial.Bytes == pooled.Bytes);
  EXPECT_EQ(pooled.Calls.Count, 1);
  EXPECT_EQ(pooled.Calls.Elsewhere, 0);
}

// A word that is no number, a number too large for a 32-bit field, a section cut short: the
// pool gives up and the serial reader says what it always says.
TEST(KmfPooledText, UnreadableValuesAreReportedAsTheSerialReaderReportsThem) {
  Pool pool;
  ASSERT_NE(pool.Par, nullptr);
  std::string text = messyFile(30000, 13, "# plain");
  const size_t tet = text.find("\nTetrahedra"), at = tet + (text.size() - tet) * 3 / 4;
  struct Case {
    const char *Name;
    std::string Text;
  } const cases[] = {
      {"word", text.substr(0, at) + " 1x " + text.substr(at)},
      {"wide", text.substr(0, at) + " 4294967296 " + text.substr(at)},
      {"short", text.substr(0, text.rfind("Corners") - 4000) + "\nEnd\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.Name);
    std::string path = TestPath(std::string("pooledbad") + c.Name + ".mesh");
    ASSERT_TRUE(SaveText(path, c.Text));
    SectionRead serial = readSection(path, KmfTetrahedra, nullptr, true);
    SectionRead pooled = readSection(path, KmfTetrahedra, pool.Par, true);
    EXPECT_EQ(serial.Ok, 0);
    EXPECT_EQ(pooled.Ok, 0);
    EXPECT_EQ(pooled.Calls.Count, 0);
    EXPECT_NE(serial.Err, "");
    EXPECT_EQ(serial.Err, pooled.Err);
  }
}

}  // namespace

// Text sections parsed on the worker pool hold the bytes the calling thread reads: every kind
// of section, comments longer than a range or a chunk, CR-LF, values spread over lines, and
// numbers next to every cut; what the pool cannot read is reported as the serial reader does.
#include "tests/common/CommonTest.h"

#include "common/kmf/KmfInternal.h"
#include "common/kmf/KmfStream.h"

namespace {

struct SectionRead {
  std::vector<unsigned char> Bytes;
  int Ok = 0, Calls = 0, Elsewhere = 0;  // callback calls, and those from another thread
  int64_t Next = -1;                     // an integer read by line right after the block
  std::string Err;
};

pthread_t gCaller;

void countCall(int64_t, int64_t, void *arg) {
  auto *r = static_cast<SectionRead *>(arg);
  __atomic_fetch_add(&r->Calls, 1, __ATOMIC_RELAXED);
  if (!pthread_equal(pthread_self(), gCaller)) __atomic_fetch_add(&r->Elsewhere, 1, __ATOMIC_RELAXED);
}

// Section kwd read whole as 8-byte values (4-byte ones when narrow), with or without a pool;
// P2 triangle nodes come in another order than the file's.
SectionRead readSection(const std::string &path, int kwd, ParallelPool *pool, bool narrow) {
  SectionRead r;
  int ver, dim, file[6][3];
  KmfMeshFile *f = KmfOpenMesh(path.c_str(), KmfRead, &ver, &dim);
  if (!f) return r;
  KmfSetPool(f, pool);
  for (int j = 0; j < 6; j++)
    for (int k = 0; k < 3; k++) file[j][k] = P2TriangleLattice[P2TriangleFileOrder[j]][k];
  KmfSetHONodesOrdering(f, KmfTrianglesP2, &P2TriangleLattice[0][0], &file[0][0]);
  const KmfKeyword &kw = f->KwdTab[kwd];
  const int nf = kw.SolSiz, size = narrow ? 4 : 8;
  r.Bytes.assign(static_cast<size_t>(kw.NmbLin * nf * size), 0xEE);
  std::vector<KmfField> fld;
  for (const char *c = kw.Fmt; *c; c++)
    if (*c == 'i' || *c == 'r')
      fld.push_back({*c == 'r' ? (narrow ? KmfFloat : KmfDouble) : (narrow ? KmfInt : KmfLong),
                     reinterpret_cast<char *>(r.Bytes.data()) + fld.size() * size, static_cast<int64_t>(nf) * size});
  gCaller = pthread_self();
  r.Err = CaptureText([&] {
            r.Ok = KmfGetBlockFields(f, kwd, 1, kw.NmbLin, 0, nullptr, countCall, &r, nf, fld.data());
            int64_t ints[8];
            double reals[8];
            int ni = 0, nr = 0;
            if (r.Ok && KmfGetLinTab(f, KmfCorners, ints, &ni, reals, &nr, nullptr, nullptr) && ni) r.Next = ints[0];
          }).Err;
  KmfCloseMesh(f);
  return r;
}

struct Pool {
  ParallelPool *Par = InitParallel(4);
  ~Pool() { StopParallel(Par); }
};

// Both reads succeed with the same bytes, the pooled one on the pool's threads (one callback
// per block) and both leaving the stream right after the section.
void expectSame(const std::string &path, int kwd, ParallelPool *pool, bool narrow, int64_t lines) {
  SectionRead serial = readSection(path, kwd, nullptr, narrow), pooled = readSection(path, kwd, pool, narrow);
  ASSERT_EQ(serial.Ok, 1) << serial.Err;
  ASSERT_EQ(pooled.Ok, 1) << pooled.Err;
  EXPECT_TRUE(serial.Bytes == pooled.Bytes);
  EXPECT_EQ(pooled.Elsewhere, (lines + 9999) / 10000) << "not read on the pool";
  EXPECT_EQ(serial.Next, pooled.Next);
}

// Every kind of section of a mesh or solution file, large enough for the pool, in version 2
// (doubles and 64-bit integers read) and version 1 (floats and 32-bit integers).
TEST(KmfPooledText, EveryKindOfSectionReadsTheSameBytes) {
  Pool pool;
  auto lines = [](int values) { return 40000 / values + 1; };
  FixtureFile f{2, 3, {VertexSection(3, lines(4), 1), ListSection(13, "Corners", 40001, 9000, 2)}};
  const struct {
    int Kwd;
    const char *Name;
    int Nodes;
  } kinds[] = {{5, "Edges", 2},      {6, "Triangles", 3},    {7, "Quadrilaterals", 4}, {8, "Tetrahedra", 4},
               {49, "Pyramids", 5},  {9, "Prisms", 6},       {10, "Hexahedra", 8},     {24, "TrianglesP2", 6},
               {25, "EdgesP2", 3},   {27, "QuadrilateralsQ2", 9}, {30, "TetrahedraP2", 10}, {33, "HexahedraQ2", 27}};
  for (const auto &k : kinds) f.Sections.push_back(ElementSection(k.Kwd, k.Name, k.Nodes, lines(k.Nodes + 1), 9000, k.Kwd));
  f.Sections.push_back(SolutionSection(62, "SolAtVertices", 3, {1, 2, 3, 4}, lines(19), 3));
  for (int version : {2, 1}) {
    f.Version = version;
    const TempFile file("pooledkinds.mesh");  // megabytes: removed when done
    const std::string &path = file.Path;
    ASSERT_TRUE(SaveText(path, RawText(f)));
    for (const FixtureSection &s : f.Sections) {
      SCOPED_TRACE(s.Name + " v" + std::to_string(version));
      expectSame(path, s.Kwd, pool.Par, version == 1, s.NmbLin);
    }
  }
}

// Vertices and tetrahedra written as people and scripts write them: values spread over lines
// or two lines on one, tabs and runs of blanks, CR-LF, comment lines short and long, signs and
// leading zeros, and every form a real takes.
std::string messyFile(int ntet, unsigned seed, const std::string &longComment) {
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const char *const seps[] = {" ", "  ", "\t", "\r\n", "\n", " \t "};
  const char *const reals[] = {"-0", "1e-400", "-1e400", "4.9406564584124654e-324", "+2.5", "nan", "-inf",
                               "0.30000000000000004", "1E5", "-.5", "123456789012345678901234567890"};
  std::string t = "MeshVersionFormatted 2\r\n\r\nDimension 3\r\n\r\nVertices\r\n12000\r\n";
  char buf[32];
  for (int v = 0; v < 12000; v++) {
    for (int k = 0; k < 3; k++) {
      snprintf(buf, sizeof(buf), "%.17g", std::ldexp(static_cast<double>(rng()) - 2147483648.0, pick(40) - 30));
      t += (pick(5) ? buf : reals[pick(11)]) + std::string(seps[pick(6)]);
    }
    t += std::to_string(pick(9)) + (pick(3) ? "\r\n" : " ");
  }
  t += "\r\nTetrahedra\r\n" + std::to_string(ntet) + "\r\n";
  for (int e = 0; e < ntet; e++) {
    if (!pick(500)) t += "# a remark " + std::string(pick(200), 'x') + " 1 2 3\r\n";
    if (e == ntet / 3) t += longComment + "\r\n";
    for (int k = 0; k < 5; k++) t += (pick(20) ? "" : pick(2) ? "+" : "000") + std::to_string(1 + pick(12000)) + seps[pick(6)];
  }
  return t + "\r\nCorners\r\n1\r\n7\r\n\r\nEnd\r\n";
}

TEST(KmfPooledText, MessyTextAcrossEveryCutReadsTheSameBytes) {
  Pool pool;
  // 100,000 tetrahedra take more than one chunk of four threads: the second starts wherever
  // the first one's last line ended. A comment of 100,000 characters spans several ranges.
  const TempFile file("pooledmessy.mesh");  // megabytes: removed when done
  const std::string &path = file.Path;
  ASSERT_TRUE(SaveText(path, messyFile(100000, 11, "#" + std::string(100000, '#'))));
  for (bool narrow : {false, true}) {
    expectSame(path, KmfVertices, pool.Par, narrow, 12000);
    expectSame(path, KmfTetrahedra, pool.Par, narrow, 100000);
  }
  // A comment longer than a chunk is left to the serial reader: the same bytes again.
  ASSERT_TRUE(SaveText(path, messyFile(20000, 12, "#" + std::string(3 << 20, '-'))));
  SectionRead serial = readSection(path, KmfTetrahedra, nullptr, false);
  SectionRead pooled = readSection(path, KmfTetrahedra, pool.Par, false);
  EXPECT_TRUE(pooled.Ok && serial.Bytes == pooled.Bytes);
  EXPECT_EQ(pooled.Elsewhere, 0);
}

// Values separated by blanks alone, as some converters write them: a section on one line
// longer than a chunk, then one more section. The pool leaves it to the serial reader, which
// reads the same bytes, by blocks and line by line.
TEST(KmfPooledText, ASectionOnOneLineLongerThanAChunkReadsTheSameBytes) {
  Pool pool;
  std::mt19937 rng(21);
  std::string text = "MeshVersionFormatted 2\nDimension 3\nTetrahedra 100000 ";
  std::vector<int64_t> values;
  for (int v = 0; v < 5 * 100000; v++) {
    values.push_back(1 + static_cast<int64_t>(rng() % 9000));
    text += std::to_string(values.back()) + (rng() % 3 ? " " : "\t");
  }
  text += "\nCorners\n1\n7\nEnd\n";
  const TempFile file("oneline.mesh");  // megabytes: removed when done
  ASSERT_TRUE(SaveText(file.Path, text));
  SectionRead serial = readSection(file.Path, KmfTetrahedra, nullptr, false);
  SectionRead pooled = readSection(file.Path, KmfTetrahedra, pool.Par, false);
  ASSERT_EQ(pooled.Ok, 1) << pooled.Err;
  EXPECT_TRUE(serial.Bytes == pooled.Bytes);
  std::vector<int64_t> read(values.size());
  std::memcpy(read.data(), pooled.Bytes.data(), 8 * values.size());
  EXPECT_EQ(read, values);
  EXPECT_EQ(pooled.Next, serial.Next) << "the line read after the section";
  KmfMeshFile *f = KmfOpenMesh(file.c_str(), KmfRead, nullptr, nullptr);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(KmfGotoKwd(f, KmfTetrahedra), 1);
  for (int l = 0; l < 100000; l++) {
    int t[5];  // version 2: 32-bit integers
    ASSERT_EQ(KmfGetLin(f, KmfTetrahedra, &t[0], &t[1], &t[2], &t[3], &t[4]), 1) << l;
    ASSERT_EQ(std::vector<int64_t>(t, t + 5), std::vector<int64_t>(values.begin() + 5 * l, values.begin() + 5 * l + 5)) << l;
  }
  KmfCloseMesh(f);
}

// A word that only starts with a number, a number too large for a 32-bit field, a section cut
// short: the pool gives up and the serial reader says what it always says.
TEST(KmfPooledText, UnreadableValuesAreReportedAsTheSerialReaderReportsThem) {
  Pool pool;
  std::string text = messyFile(30000, 13, "# plain");
  const size_t at = text.find("\nTetrahedra") + (text.size() - text.find("\nTetrahedra")) * 3 / 4;
  const std::string cases[] = {text.substr(0, at) + " 7+3 " + text.substr(at),
                               text.substr(0, at) + " 4294967296 " + text.substr(at),
                               text.substr(0, text.rfind("Corners") - 4000) + "\nEnd\n"};
  for (const std::string &c : cases) {
    std::string path = TestPath("pooledbad.mesh");
    ASSERT_TRUE(SaveText(path, c));
    SectionRead serial = readSection(path, KmfTetrahedra, nullptr, true);
    SectionRead pooled = readSection(path, KmfTetrahedra, pool.Par, true);
    EXPECT_EQ(serial.Ok + pooled.Ok + pooled.Calls, 0);
    EXPECT_NE(serial.Err, "");
    EXPECT_EQ(serial.Err, pooled.Err);
  }
}

// The sections a file is opened with, as text: every keyword's line count, header and place,
// or what the opener said when it refused the file.
std::string IndexOf(const std::string &path, ParallelPool *pool) {
  std::string out;
  int ver = 0, dim = 0;
  KmfMeshFile *f = nullptr;
  out = CaptureText([&] { f = KmfOpenMeshOnPool(path.c_str(), pool, &ver, &dim); }).Err;
  for (int kwd = 1; f && kwd <= KmfMaxKwd; kwd++) {
    const KmfKeyword &kw = f->KwdTab[kwd];
    if (!kw.NmbLin) continue;
    out += std::to_string(kwd) + ": " + std::to_string(kw.NmbLin) + " at " + std::to_string(kw.Pos) + " types " +
           std::to_string(kw.NmbTyp) + " deg " + std::to_string(kw.Deg) + "/" + std::to_string(kw.NmbNod) + "\n";
  }
  if (f) KmfCloseMesh(f);
  return out;
}

// A text file of several megabytes: its sections found by the pool's threads are those the
// reader finds alone, also where names hide in comments, follow a header on its line, stand in
// longer words, sit on lines longer than a piece, or come after End; without End both refuse
// it alike, and a header whose line runs on for megabytes leaves the rest to the reader.
TEST(KmfPooledText, SectionNamesFoundOnThePoolAreThoseTheReaderFinds) {
  Pool pool;
  std::mt19937 rng(5);
  std::string body;
  for (int block = 0; block < 40; block++) {
    body += "# RequiredEdges 5 in a comment\r\nVerticesX 3 Trianglesish e5 nan -inf\n";
    body += "Corners 4 Ridges 1\n1 2 3 4\n\t  #Edges 2\n";
    for (int l = 0; l < 5000; l++) {
      for (int k = 0; k < 4; k++) body += std::to_string(rng() % 100000) + (k == 3 ? "\n" : "  ");
      if (rng() % 1000 == 0) body += "#" + std::string(rng() % 300, 'a') + " Vertices\n";
    }
    if (block == 17) body += "#" + std::string(5 << 20, 'x') + " RequiredVertices 1\n";
  }
  const std::string head = "MeshVersionFormatted 2\r\nDimension 3 Vertices 2\n1 2 3 4\n5 6 7 8\n";
  const std::string tail = "\nTetrahedra\n1\n1 2 3 4 5\nEnd\nTriangles 9\n";
  const std::string longHeader = "Normals 1" + std::string(3 << 20, ' ') + "Edges 1\n1 2 3\n";
  const struct {
    const char *what;
    std::string text;
  } cases[] = {{"whole", head + body + tail},
               {"without End", head + body + "\nTetrahedra\n1\n1 2 3 4 5\n"},
               {"long header line", head + longHeader + body + tail}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const TempFile file("pooledindex.mesh");  // megabytes: removed when done
    const std::string &path = file.Path;
    ASSERT_TRUE(SaveText(path, c.text));
    std::string serial = IndexOf(path, nullptr), pooled = IndexOf(path, pool.Par);
    EXPECT_NE(serial, "");
    EXPECT_EQ(serial, pooled);
  }
}

// Names as (place, keyword, length).
using NameList = std::vector<std::array<int64_t, 3>>;

// The names the reader finds alone in the words of the file from byte `from` on.
NameList readerNames(const std::string &path, int64_t from) {
  NameList out;
  FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  KmfTextBuffer *rd = KmfNewReader(f, 1 << 20);
  size_t len;
  if (rd && KmfReaderSeek(rd, from))
    while (const char *w = KmfReaderNextName(rd, &len))
      if (len <= 64)
        if (int kwd = KmfFindKeyword(w, len))
          out.push_back({KmfReaderTell(rd) - static_cast<int64_t>(len), kwd, static_cast<int64_t>(len)});
  KmfFreeReader(rd);
  std::fclose(f);
  return out;
}

// What the search found from byte `from` on with the handle's pool (none: the calling thread
// alone), and what it cost.
struct Searched {
  NameList Names;
  int64_t Read = 0, Held = 0;
  bool Failed = true;
};

Searched searchNames(const std::string &path, int64_t from, ParallelPool *pool) {
  Searched s;
  KmfMeshFile *f = KmfOpenMesh(path.c_str(), KmfRead, nullptr, nullptr);
  if (!f) return s;
  KmfSetPool(f, pool);
  KmfNameSearch search(f, from);
  for (KmfNameAt n; search.next(from, &n);) s.Names.push_back({n.Pos, n.Kwd, n.Len});
  s.Read = search.bytesRead();
  s.Held = search.mostHeld();
  s.Failed = search.failed();
  KmfCloseMesh(f);
  return s;
}

// Words of a text mesh's values, and some that only look like names or comments.
std::string valuesOf(size_t bytes, std::mt19937 &rng) {
  static const char *const words[] = {"12",    "-3.5e-7", "+8",        "0.125",  "nan",    "e5",    "12#Ridges",
                                      "x#Edges", "Vertices2", "Corners 1 3", "Ridges 0", "1e300", "7",  "000"};
  static const std::string seps[] = {" ", "  ", "\t", "\r", std::string(" \0 ", 3)};
  std::string t;
  while (t.size() < bytes) t += words[rng() % 14] + seps[rng() % 5];
  return t;
}

// valuesOf up to the place `at` of text, and a blank there.
void valuesTo(std::string *text, size_t at, std::mt19937 &rng) {
  *text += valuesOf(at - 1 - text->size(), rng);
  text->resize(at - 1);
  *text += ' ';
}

}  // namespace

// Files whose lines are long: one line after the header, lines longer than a piece, a comment
// line over several pieces (and two windows of them for the calling thread alone), a comment
// opening far into a line, names at the ends of long lines and across the ends of pieces, comment
// lines closed just before a piece ends and a name starting the next, NUL bytes. The search finds the names the reader finds alone, on the pool and alone, holding one
// piece per thread and reading each byte at most twice; the pooled index is the serial one.
TEST(KmfPooledText, SectionNamesOfLongLinesAreFoundHoldingOnePiecePerThread) {
  Pool pool;
  const int64_t piece = 2 << 20;  // the search's pieces
  const std::string head = "MeshVersionFormatted 2\nDimension 3\n", end = "\nTetrahedra 1 1 2 3 4 5\nEnd\n";
  const size_t from = head.size();
  std::mt19937 rng(17);
  std::string edges = head;
  valuesTo(&edges, from + piece - 3, rng);
  edges += "Corners 1 1 ";  // across the end of the first piece
  valuesTo(&edges, from + 2 * piece, rng);
  edges += "Ridges 1 1 ";  // at the start of the third
  valuesTo(&edges, from + 3 * piece - 1, rng);
  edges += "xCorners 1 1 ";  // a word whose letters after the first start the fourth
  valuesTo(&edges, from + 5 * piece - 1, rng);
  edges += "# Triangles 2 ";  // a comment opening on the last byte of the fifth
  edges += valuesOf(piece, rng) + "\nEdges 1 1 2 " + valuesOf(piece, rng) + " Quadrilaterals\n1\n1 2 3 4 5";
  std::string lastLine = head;  // short lines, the last of a piece a comment that runs on
  while (lastLine.size() < from + 2 * piece - 100) lastLine += valuesOf(60, rng) + "\n";
  lastLine += " #" + valuesOf(3 * piece, rng) + "\nCorners 1 1\n";
  std::string longLines = head;
  for (int l = 0; l < 4; l++) longLines += valuesOf(3 * piece / 2, rng) + (l % 2 ? "\n" : "\r\n# ");
  // Comment lines closed four bytes before the end of a piece, a name at the next piece's first
  // byte: one opened on the piece's last lines, after short ones, then one opened in the piece
  // before.
  std::string closed = head;
  for (int64_t k : {1, 3}) {
    while (closed.size() < from + (k == 1 ? piece - 300 : 3 * piece / 2)) closed += valuesOf(60, rng) + "\n";
    closed += "#";
    valuesTo(&closed, from + k * piece - 4, rng);
    closed += "\n12\nCorners 1 1\n";
  }
  const struct {
    const char *What;
    std::string Text;
  } rows[] = {
      {"one line after the header", head + valuesOf(7 * piece / 2, rng) + end},
      {"lines longer than a piece, comments among them", longLines + end},
      {"a comment line over two windows", head + "Corners 1 1\n#" + valuesOf(9 * piece, rng) + end},
      {"a comment opening in a line's third piece", head + valuesOf(5 * piece / 2, rng) + " #" + valuesOf(piece, rng) + end},
      {"names across the ends of pieces and at the end of a long line", edges + end},
      {"short lines, the last of a piece a comment over the next", lastLine + end},
      {"comment lines closed just before the ends of pieces, names at the next ones' first bytes", closed + end},
      {"NUL bytes after a section", head + "Corners 1 1\n" + std::string(3 * piece, '\0') + " Ridges 1 1" + end},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.What);
    const TempFile file("longlines.mesh");  // megabytes: removed when done
    ASSERT_TRUE(SaveText(file.Path, r.Text));
    const NameList expected = readerNames(file.Path, static_cast<int64_t>(from));
    ASSERT_FALSE(expected.empty());
    const int64_t bytes = static_cast<int64_t>(r.Text.size() - from), pieces = (bytes + piece - 1) / piece;
    for (ParallelPool *p : {pool.Par, static_cast<ParallelPool *>(nullptr)}) {
      SCOPED_TRACE(p ? "on the pool" : "alone");
      const Searched found = searchNames(file.Path, static_cast<int64_t>(from), p);
      EXPECT_FALSE(found.Failed);
      EXPECT_EQ(found.Names, expected);
      EXPECT_LE(found.Held, piece + 66) << "bytes one thread held";
      EXPECT_LE(found.Read, 2 * bytes + pieces * ((64 << 10) + 66)) << "bytes read";
    }
    EXPECT_EQ(IndexOf(file.Path, nullptr), IndexOf(file.Path, pool.Par));
  }
}

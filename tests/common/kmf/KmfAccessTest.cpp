// Block transfers, line calls, conversions, node orderings, byte flows and opening by name.
#include "tests/common/CommonTest.h"
#include "common/kmf/KmfStream.h"

namespace {

using Ranges = std::vector<std::pair<int64_t, int64_t>>;
Ranges calls;
void record(int64_t first, int64_t last, void *) { calls.emplace_back(first, last); }

// Opens a saved fixture for reading.
KmfMeshFile *openSaved(const TempFile &p, const FixtureFile &f, bool text = false, bool big = false) {
  if (!(text ? SaveText(p.Path, RawText(f)) : SaveBytes(p.Path, RawBinary(f, big)))) return nullptr;
  return KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
}

struct Tet {
  int v[4];
  int ref;
};

// Reads lines first..last into n records from t on (n is the room, not the line count).
int getTets(KmfMeshFile *msh, int kwd, int64_t first, int64_t last, Tet *t, int n = 3) {
  Tet *end = t + n - 1;
  return KmfGetBlock(msh, kwd, first, last, 0, nullptr, nullptr, KmfIntVec, 4, t->v, end->v, KmfInt, &t->ref, &end->ref);
}

}  // namespace

// Also with every section cut in two, apart: the lines read as from one section.
TEST(KmfBlocks, SectionsAroundTheBlockSizeReadWholeAndInRanges) {
  for (int ver : {1, 2, 4})
    for (bool apart : {false, true}) {
      SCOPED_TRACE("version " + std::to_string(ver) + (apart ? ", sections apart" : ""));
      FixtureFile f = BlockBoundaryMesh(ver);
      TempFile bin("blocks.meshb"), txt("blocks.mesh");
      ASSERT_TRUE(SaveText(txt.Path, RawText(apart ? ApartSections(f) : f)));
      EXPECT_TRUE(FileMatches(txt.Path, f));
      KmfMeshFile *msh = openSaved(bin, apart ? ApartSections(f) : f, false, ver == 4);
      ASSERT_NE(msh, nullptr);
      EXPECT_TRUE(FileMatches(bin.Path, f));
      // 25000 vertices: three blocks, the callback sees each one.
      std::vector<double> xyz(3 * 25001);
      std::vector<int> ref(25001);
      calls.clear();
      ASSERT_EQ(KmfGetBlock(msh, KmfVertices, 1, 25000, 0, nullptr, record, nullptr, KmfDouble, &xyz[3], &xyz[3 * 25000],
                            KmfDouble, &xyz[4], &xyz[3 * 25000 + 1], KmfDouble, &xyz[5], &xyz[3 * 25000 + 2], KmfInt,
                            &ref[1], &ref[25000]),
                1);
      EXPECT_EQ(calls, (Ranges{{1, 10000}, {10001, 20000}, {20001, 25000}}));
      EXPECT_EQ(ref[25000], f.find(KmfVertices)->Ints[24999]);
      // A range across a block boundary (a section boundary apart) lands from the first record
      // on; bad ranges are refused.
      const FixtureSection &tet = *f.find(KmfTetrahedra);
      const int at = apart ? 4999 : 9998;
      Tet tets[3];
      ASSERT_EQ(getTets(msh, KmfTetrahedra, at, at + 2, tets), 1);
      for (int t = 0; t < 3; t++)
        for (int k = 0; k < 5; k++) EXPECT_EQ(k < 4 ? tets[t].v[k] : tets[t].ref, tet.Ints[5 * (at - 1 + t) + k]);
      for (auto r : Ranges{{0, 3}, {3, 2}, {1, 10001}}) EXPECT_EQ(getTets(msh, KmfTetrahedra, r.first, r.second, tets), 0) << r.first;
      EXPECT_EQ(KmfCloseMesh(msh), 1);
    }
}

TEST(KmfBlocks, MapsSendLinesToChosenRecords) {
  FixtureFile f = BlockBoundaryMesh(2);
  const FixtureSection &edg = *f.find(KmfEdges);
  const int64_t n = 10001;
  std::vector<int64_t> map(n + 1), e(3 * (n + 1));
  for (int64_t i = 1; i <= n; i++) map[i] = n + 1 - i;  // reversed
  for (int kind : {0, 1, 2, 3}) {  // text, binary, each also with the sections cut in two apart
    const bool text = kind % 2;
    TempFile p(text ? "map.mesh" : "map.meshb");
    KmfMeshFile *msh = openSaved(p, kind > 1 ? ApartSections(f) : f, text);
    ASSERT_NE(msh, nullptr);
    ASSERT_EQ(KmfGetBlock(msh, KmfEdges, 1, n, 4, map.data(), nullptr, KmfLongVec, 3, &e[0], &e[3 * (n - 1)]), 1);
    for (int64_t i = 0; i < n; i++)
      for (int k = 0; k < 3; k++) ASSERT_EQ(e[3 * (n - 1 - i) + k], edg.Ints[3 * i + k]) << i;
    map[5] = 0;  // would write before the array: refused
    EXPECT_EQ(KmfGetBlock(msh, KmfEdges, 1, n, 4, map.data(), nullptr, KmfLongVec, 3, &e[0], &e[3 * (n - 1)]), 0);
    map[5] = n - 4;
    KmfCloseMesh(msh);
  }
}

// int32 file integers go sign-extended to int64 fields; int64 file integers keep their low
// 32 bits in int32 fields; reals widen and narrow.
TEST(KmfBlocks, TypeConversions) {
  for (int ver : {1, 4}) {
    FixtureFile f{ver, 2, {VertexSection(2, 4, 3)}};
    f.Sections[0].Ints = {-7, ver == 4 ? (int64_t(1) << 32) + 5 : 5, -2147483647 - 1, 2147483647};
    TempFile p("conv.meshb");
    KmfMeshFile *msh = openSaved(p, f);
    ASSERT_NE(msh, nullptr);
    struct {
      float x;
      double y;
      int64_t r64;
      int r32;
    } rec[4];
    ASSERT_EQ(KmfGetBlock(msh, KmfVertices, 1, 4, 0, nullptr, nullptr, KmfFloat, &rec[0].x, &rec[3].x, KmfDouble,
                          &rec[0].y, &rec[3].y, KmfLong, &rec[0].r64, &rec[3].r64),
              1);
    for (int i = 0; i < 4; i++) {
      EXPECT_EQ(rec[i].x, static_cast<float>(f.Sections[0].Reals[2 * i]));
      EXPECT_EQ(rec[i].y, f.Sections[0].Reals[2 * i + 1]);
      EXPECT_EQ(rec[i].r64, f.Sections[0].Ints[i]);
    }
    ASSERT_EQ(KmfGetBlock(msh, KmfVertices, 1, 4, 0, nullptr, nullptr, KmfDouble, &rec[0].y, &rec[3].y, KmfFloat,
                          &rec[0].x, &rec[3].x, KmfInt, &rec[0].r32, &rec[3].r32),
              1);
    for (int i = 0; i < 3; i++) EXPECT_EQ(rec[i].r32, i == 1 ? 5 : f.Sections[0].Ints[i]);
    // A real field cannot go into an integer and the field count must match.
    EXPECT_EQ(KmfGetBlock(msh, KmfVertices, 1, 4, 0, nullptr, nullptr, KmfInt, &rec[0].r32, &rec[3].r32, KmfDouble,
                          &rec[0].y, &rec[3].y, KmfInt, &rec[0].r32, &rec[3].r32),
              0);
    EXPECT_EQ(KmfGetBlock(msh, KmfVertices, 1, 4, 0, nullptr, nullptr, KmfIntVec, 4, &rec[0].r32, &rec[3].r32), 0);
    KmfCloseMesh(msh);
  }
}

TEST(KmfBlocks, WriteBlocksCallTheCallbackBeforeEachBlockAndUseMaps) {
  const int n = 25000;
  std::vector<Tet> tets(n + 1), back(n + 1);
  std::vector<int> map(n + 1);
  for (int i = 1; i <= n; i++) {
    tets[i] = {{i, i + 1, i + 2, i + 3}, i % 7};
    map[i] = n + 1 - i;
  }
  for (bool text : {false, true}) {
    TempFile p(text ? "wb.mesh" : "wb.meshb");
    KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfWrite, 2, 3);
    ASSERT_NE(msh, nullptr);
    ASSERT_EQ(KmfSetKwd(msh, KmfTetrahedra, n), 1);
    calls.clear();
    ASSERT_EQ(KmfSetBlock(msh, KmfTetrahedra, 1, n, 3, map.data(), record, nullptr, KmfIntVec, 4, tets[1].v, tets[n].v,
                          KmfInt, &tets[1].ref, &tets[n].ref),
              1);
    EXPECT_EQ(calls, (text ? Ranges{{1, 25000}} : Ranges{{1, 10000}, {10001, 20000}, {20001, 25000}}));
    ASSERT_EQ(KmfSetKwd(msh, KmfTime, 0), 1);
    ASSERT_EQ(KmfSetLin(msh, KmfTime, 2.5), 1);
    ASSERT_EQ(KmfCloseMesh(msh), 1);

    msh = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
    ASSERT_NE(msh, nullptr);
    ASSERT_EQ(KmfStatKwd(msh, KmfTetrahedra), n);
    ASSERT_EQ(getTets(msh, KmfTetrahedra, 1, n, &back[1], n), 1);
    for (int i = 1; i <= n; i++) ASSERT_EQ(back[i].v[0], tets[map[i]].v[0]) << i;
    double t = 0;
    ASSERT_EQ(KmfGotoKwd(msh, KmfTime), 1);
    ASSERT_EQ(KmfGetLin(msh, KmfTime, &t), 1);
    EXPECT_EQ(t, 2.5);
    KmfCloseMesh(msh);
  }
}

// A section past 2 GB cannot be pointed at by a 32-bit position: a version-2 write fails there
// (and leaves the file it replaces whole) instead of writing a truncated position; version 3
// points at it. The 2 GB are a hole seeked over, so the file takes no room on the disk.
TEST(KmfLines, SectionsPastTwoGigabytesNeedWidePositions) {
  for (int ver : {2, 3}) {
    TempFile p("far.meshb");
    {
      std::ofstream old(p.c_str());
      old << "old";
    }
    KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfWrite, ver, 3);
    ASSERT_NE(msh, nullptr);
    ASSERT_EQ(KmfSetKwd(msh, KmfTime, 1), 1);
    ASSERT_EQ(KmfSetLin(msh, KmfTime, 2.5), 1);
    KmfFlush(msh);
    ASSERT_EQ(fseeko(msh->hdl, off_t(1) << 31, SEEK_SET), 0);
    msh->Quiet = 1;
    EXPECT_EQ(KmfSetKwd(msh, KmfIterations, 1), ver == 2 ? 0 : 1) << ver;
    const int closed = KmfCloseMesh(msh);
    struct stat st {};
    ASSERT_EQ(stat(p.c_str(), &st), 0);
    if (ver == 2) {
      EXPECT_EQ(closed, 0);
      std::ifstream back(p.c_str());
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(back), {}), "old");
    } else {
      EXPECT_EQ(closed, 1);
      EXPECT_GT(st.st_size, off_t(1) << 31);
    }
  }
}

// Version-1 text reals are written "%g ", later versions "%.15g ", each with more digits when
// those would not read back as the value; KmfSetLinTab uses the same formats as KmfSetLin.
TEST(KmfLines, TextNumberFormatsByVersion) {
  for (int ver : {1, 2, 4}) {
    TempFile p("fmt.mesh");
    KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfWrite, ver, 2);
    ASSERT_NE(msh, nullptr);
    ASSERT_EQ(KmfSetKwd(msh, KmfVertices, 2), 1);
    if (ver == 4)
      ASSERT_EQ(KmfSetLin(msh, KmfVertices, 1.0 / 3.0, 0.1, int64_t(5000000000)), 1);
    else
      ASSERT_EQ(KmfSetLin(msh, KmfVertices, 1.0 / 3.0, 0.1, 7), 1);
    int64_t ref = 9;
    double xy[2] = {2.0 / 3.0, 1e-20};
    ASSERT_EQ(KmfSetLinTab(msh, KmfVertices, &ref, xy, nullptr), 1);
    ASSERT_EQ(KmfCloseMesh(msh), 1);
    std::string text = ReadAll(p.Path);
    std::string want = ver == 1 ? "\n0.33333334 0.1 7 \n0.6666667 1e-20 9 \n"
                       : ver == 2 ? "\n0.3333333333333333 0.1 7 \n0.6666666666666666 1e-20 9 \n"
                                  : "\n0.3333333333333333 0.1 5000000000 \n0.6666666666666666 1e-20 9 \n";
    EXPECT_NE(text.find(want), std::string::npos) << text;
    EXPECT_EQ(text.rfind("\nEnd\n"), text.size() - 5);
  }
}

// A string longer than 256 characters keeps 256 bytes in a binary file, without a zero;
// reading gives the first 255 characters and a terminating zero.
TEST(KmfLines, LongStringsAreCutSafely) {
  std::string s(300, 'x');
  s[254] = 'A';
  s[255] = 'B';
  TempFile p("str.meshb");
  KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfWrite, 2, 3);
  ASSERT_NE(msh, nullptr);
  ASSERT_EQ(KmfSetKwd(msh, KmfComments, 1), 1);
  ASSERT_EQ(KmfSetLin(msh, KmfComments, s.c_str()), 1);
  ASSERT_EQ(KmfCloseMesh(msh), 1);
  std::string bytes = ReadAll(p.Path);
  size_t at = bytes.find(std::string(250, 'x'));
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(bytes.substr(at + 254, 6), std::string("AB\x36\0\0\0", 6));  // End follows
  msh = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
  ASSERT_NE(msh, nullptr);
  char buf[256];
  std::memset(buf, 'z', sizeof(buf));
  ASSERT_EQ(KmfGotoKwd(msh, KmfComments), 1);
  ASSERT_EQ(KmfGetLin(msh, KmfComments, buf), 1);
  EXPECT_EQ(std::string(buf), s.substr(0, 255));
  KmfCloseMesh(msh);
}

TEST(KmfLines, NodeOrderingPermutesBlockReads) {
  FixtureFile f = AllKindsMesh(2, 3);
  const FixtureSection &s = *f.find(KmfTrianglesP2);
  TempFile p("ord.meshb");
  KmfMeshFile *msh = openSaved(p, f);
  ASSERT_NE(msh, nullptr);
  int fileRows[6][3], tri[3][7];
  ASSERT_EQ(KmfGetBlock(msh, KmfTrianglesP2Ordering, 1, 6, 0, nullptr, nullptr, KmfIntVec, 3, fileRows[0], fileRows[5]), 1);
  ASSERT_EQ(KmfSetHONodesOrdering(msh, KmfTrianglesP2, &P2TriangleLattice[0][0], &fileRows[0][0]), 1);
  ASSERT_EQ(KmfGetBlock(msh, KmfTrianglesP2, 1, 3, 0, nullptr, nullptr, KmfIntVec, 7, tri[0], tri[2]), 1);
  for (int t = 0; t < 3; t++) {
    for (int j = 0; j < 6; j++) EXPECT_EQ(tri[t][P2TriangleFileOrder[j]], s.Ints[7 * t + j]);
    EXPECT_EQ(tri[t][6], s.Ints[7 * t + 6]);  // the reference stays last
  }
  // A table whose rows do not all match is ignored: reads go back to file order.
  fileRows[4][0] = 9;
  EXPECT_EQ(KmfSetHONodesOrdering(msh, KmfTrianglesP2, &P2TriangleLattice[0][0], &fileRows[0][0]), 0);
  ASSERT_EQ(KmfGetBlock(msh, KmfTrianglesP2, 1, 3, 0, nullptr, nullptr, KmfIntVec, 7, tri[0], tri[2]), 1);
  for (int j = 0; j < 7; j++) EXPECT_EQ(tri[1][j], s.Ints[7 + j]);
  EXPECT_EQ(KmfSetHONodesOrdering(msh, KmfTriangles, &P2TriangleLattice[0][0], &fileRows[0][0]), 0);
  KmfCloseMesh(msh);
}

// Opaque bytes survive a byte flow in both encodings and every width of integers; a precision
// of 32 bits makes every real a float.
TEST(KmfLines, ByteFlowAndFloatPrecision) {
  const char payload[] = "opaque bytes of any length: 123";  // 31 bytes and a zero
  for (const char *name : {"bf.meshb", "bf.mesh"})
    for (int ver : {1, 4}) {
      TempFile p(name);
      KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfWrite, ver, 3);
      ASSERT_NE(msh, nullptr);
      ASSERT_EQ(KmfWriteByteFlow(msh, payload, 31), 1);
      EXPECT_EQ(KmfSetFloatPrecision(msh, 48), 0);
      ASSERT_EQ(KmfSetFloatPrecision(msh, 32), 1);
      ASSERT_EQ(KmfCloseMesh(msh), 1);
      msh = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
      ASSERT_NE(msh, nullptr);
      int n = 0;
      char *bytes = KmfReadByteFlow(msh, &n);
      ASSERT_NE(bytes, nullptr) << name << " v" << ver;
      EXPECT_EQ(std::string(bytes, static_cast<size_t>(n)), std::string(payload, 31));
      std::free(bytes);
      EXPECT_EQ(KmfGetFloatPrecision(msh), 32);
      KmfCloseMesh(msh);
    }
}

TEST(KmfOpen, FileKindFromTheName) {
  FixtureFile f = AllKindsMesh(2, 2, false);
  // The ending decides first; without a known ending the first name found inside decides.
  for (auto c : {std::make_pair("x.mesh.solb", KmfBinary | KmfSolKind), std::make_pair("y.meshb.tmp", KmfBinary | KmfMeshKind)}) {
    TempFile a(c.first);
    KmfMeshFile *msh = openSaved(a, f);
    ASSERT_NE(msh, nullptr);
    EXPECT_EQ(msh->Typ, c.second) << c.first;
    KmfCloseMesh(msh);
  }
  EXPECT_EQ(KmfOpenMesh(TestPath("z.txt").c_str(), KmfRead, nullptr, nullptr), nullptr);
  EXPECT_EQ(KmfOpenMesh(TestPath("w.mesh").c_str(), KmfWrite, 5, 3), nullptr);
  EXPECT_EQ(KmfOpenMesh(std::string(FileNameMax - 4, 'n').append(".mesh").c_str(), KmfWrite, 2, 3), nullptr);
  EXPECT_EQ(KmfCloseMesh(nullptr), 0);
}

using KmfDesc = MeshTestBase;

TEST_F(KmfDesc, GetMeshDescNames) {
  std::string base = TestPath("desc");
  TempFile bin("desc.meshb"), txt("desc.mesh");
  ASSERT_TRUE(SaveBytes(bin.Path, RawBinary(AllKindsMesh(3, 3, false), false)));
  int ver = 0, dim = 0;
  // Without extension the binary file is found; status 8 tells the input was binary.
  KmfMeshFile *hdl = GetMeshDesc(&fi, base.c_str(), &ver, &dim, KmfMesh, KmfRead);
  ASSERT_NE(hdl, nullptr);
  EXPECT_TRUE(fi.Status & STATUS_BINARY_INPUT);
  KmfCloseMesh(hdl);
  // Odd names are refused with error 100 and status 4, never an exit.
  struct Odd {
    std::string name;
    int kind, mode;
  };
  for (const Odd &o : {Odd{base + ".mesh.gz", KmfMesh, KmfRead}, Odd{TestPath("dir.mesh/x.mesh"), KmfMesh, KmfRead},
                       Odd{TestPath("none"), KmfMesh, KmfRead}, Odd{TestPath("dir.sol/x.sol"), KmfSol, KmfRead},
                       Odd{base + ".mesh.gz", KmfMesh, KmfWrite}}) {
    DefaultFunInterface(&fi, mem, nullptr, "TEST");
    EXPECT_EQ(GetMeshDesc(&fi, o.name.c_str(), &ver, &dim, o.kind, o.mode), nullptr) << o.name;
    EXPECT_EQ(fi.ErrCod, 100) << o.name;
    EXPECT_TRUE(fi.Status & STATUS_FILE_UNREADABLE) << o.name;
  }
  // Writing without extension opens a text file for writing, even when a binary file of
  // that name exists.
  ver = dim = 2;
  hdl = GetMeshDesc(&fi, base.c_str(), &ver, &dim, KmfMesh, KmfWrite);
  ASSERT_NE(hdl, nullptr);
  EXPECT_EQ(KmfCloseMesh(hdl), 1);
  EXPECT_EQ(ReadAll(txt.Path), "MeshVersionFormatted 2\n\nDimension 2\n\nEnd\n");
}

// Lines far longer than the write block: a version-4 HexahedraQ4 line (126 integers of 8
// bytes) and a solution line of 9000 reals, line by line in both encodings.
TEST(KmfLines, VeryLongLines) {
  std::vector<int64_t> hex(126), ints(200);
  for (int k = 0; k < 126; k++) hex[k] = (int64_t(1) << 40) + k;
  std::vector<double> sol(9000), reals(9001);
  for (int k = 0; k < 9000; k++) sol[k] = k / 4.0 - 1000.0;
  std::vector<int> types(1000, KmfMat);
  for (const char *name : {"long.meshb", "long.mesh"}) {
    SCOPED_TRACE(name);
    TempFile p(name);
    KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfWrite, 4, 3);
    ASSERT_NE(msh, nullptr);
    ASSERT_EQ(KmfSetKwd(msh, 99, 1), 1);
    ASSERT_EQ(KmfSetLinTab(msh, 99, hex.data(), nullptr, nullptr), 1);
    ASSERT_EQ(KmfSetKwd(msh, KmfSolAtVertices, 2, 1000, types.data()), 1);
    ASSERT_EQ(KmfSetLin(msh, KmfSolAtVertices, sol.data()), 1);
    ASSERT_EQ(KmfSetLinTab(msh, KmfSolAtVertices, nullptr, sol.data(), nullptr), 1);
    ASSERT_EQ(KmfCloseMesh(msh), 1);

    msh = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
    ASSERT_NE(msh, nullptr);
    int ni = 0, nr = 0;
    ASSERT_EQ(KmfGotoKwd(msh, 99), 1);
    ASSERT_EQ(KmfGetLinTab(msh, 99, ints.data(), &ni, reals.data(), &nr, nullptr, nullptr), 1);
    EXPECT_EQ(ni, 126);
    EXPECT_TRUE(std::equal(hex.begin(), hex.end(), ints.begin()));
    ASSERT_EQ(KmfGotoKwd(msh, KmfSolAtVertices), 1);
    for (int l = 0; l < 2; l++) {
      ASSERT_EQ(KmfGetLin(msh, KmfSolAtVertices, reals.data()), 1);
      EXPECT_TRUE(std::equal(sol.begin(), sol.end(), reals.begin()));
    }
    KmfCloseMesh(msh);
  }
}

// Line reads, block reads and jumps between sections mixed in one file larger than the
// reader's buffer: every value still comes from the right place.
TEST(KmfLines, LineAndBlockReadsInterleave) {
  FixtureFile f = BlockBoundaryMesh(2);
  const FixtureSection &ver = *f.find(KmfVertices), &tet = *f.find(KmfTetrahedra), &tri = *f.find(KmfTriangles);
  TempFile p("mixed.meshb");
  KmfMeshFile *msh = openSaved(p, f);
  ASSERT_NE(msh, nullptr);
  double x, y, z;
  int r, t[4];
  std::vector<Tet> tets(10000);
  ASSERT_EQ(getTets(msh, KmfTetrahedra, 1, 10000, tets.data(), 10000), 1);
  EXPECT_EQ(tets[9999].ref, tet.Ints[5 * 9999 + 4]);
  // A block read inside what the line reads had buffered; line reads go on after it.
  ASSERT_EQ(KmfGotoKwd(msh, KmfTriangles), 1);
  ASSERT_EQ(KmfGetLin(msh, KmfTriangles, &t[0], &t[1], &t[2], &t[3]), 1);
  ASSERT_EQ(KmfGetBlock(msh, KmfTriangles, 1, 100, 0, nullptr, nullptr, KmfIntVec, 4, tets[0].v, tets[99].v), 1);
  for (int i = 100; i < 9999; i++) {
    ASSERT_EQ(KmfGetLin(msh, KmfTriangles, &t[0], &t[1], &t[2], &t[3]), 1);
    ASSERT_EQ(t[0], tri.Ints[4 * i]) << i;
    ASSERT_EQ(t[3], tri.Ints[4 * i + 3]) << i;
  }
  ASSERT_EQ(KmfGotoKwd(msh, KmfVertices), 1);
  for (int i = 0; i < 25000; i++) {
    ASSERT_EQ(KmfGetLin(msh, KmfVertices, &x, &y, &z, &r), 1);
    ASSERT_EQ(z, ver.Reals[3 * i + 2]) << i;
    ASSERT_EQ(r, ver.Ints[i]) << i;
  }
  KmfCloseMesh(msh);
}

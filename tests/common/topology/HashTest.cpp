#include "tests/common/CommonTest.h"

namespace {

// Random sorted triples with a payload (the insertion rank), over several pool and store
// growths, then removal of every other one.
TEST(HybridHash, FindAndRemoveSortedKeysOverManyInserts) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> dist(1, 60000);
  std::set<std::array<int, 3>> keys;
  while (keys.size() < 250000) {
    std::array<int, 3> k = {dist(rng), dist(rng), dist(rng)};
    std::sort(k.begin(), k.end());
    keys.insert(k);
  }
  std::vector<std::array<int, 3>> order(keys.begin(), keys.end());
  std::shuffle(order.begin(), order.end(), rng);

  HybridHashTable *tab = uti_NewHybridHashTable(100000, 100);
  auto add = [&](size_t i, int payload) {
    int itm[4] = {order[i][0], order[i][1], order[i][2], payload};
    return uti_AddHybridHashTab(tab, 2, 4, 3, itm);
  };
  for (size_t i = 0; i < order.size(); i++) ASSERT_NE(add(i, static_cast<int>(i)), nullptr) << i;
  const int pools = tab->NbrPools;

  for (size_t i = 0; i < order.size(); i += 2) {
    HybridHashEntry *e = uti_HybridHashTabFindRemove(tab, 0, 3, order[i].data());
    ASSERT_NE(e, nullptr) << i;
    EXPECT_EQ(e->Itm[3], static_cast<int>(i));  // readable right after removal
  }
  for (size_t i = 0; i < order.size(); i++) {
    HybridHashEntry *e = uti_HybridHashTabFind(tab, 0, 3, order[i].data());
    if (i % 2 == 0) {
      EXPECT_EQ(e, nullptr) << i;
      continue;
    }
    ASSERT_NE(e, nullptr) << i;
    EXPECT_EQ(e->Itm[3], static_cast<int>(i));
  }
  // Removed entries are recycled: adding as many again needs no new pool.
  for (size_t i = 0; i < order.size(); i += 2) ASSERT_NE(add(i, -static_cast<int>(i)), nullptr);
  EXPECT_EQ(tab->NbrPools, pools);
  EXPECT_EQ(uti_HybridHashTabFind(tab, 0, 3, order[2].data())->Itm[3], -2);
  uti_FreeHybridHashTable(tab);
}

TEST(HybridHash, KeysAreSortedByTheCallerTypesFilter) {
  HybridHashTable *tab = uti_NewHybridHashTable(64, 10);
  const int k123[3] = {1, 2, 3}, k312[3] = {3, 1, 2};
  ASSERT_NE(uti_AddHybridHashTab(tab, 1, 3, 3, k123), nullptr);
  EXPECT_EQ(uti_HybridHashTabFind(tab, 0, 3, k312), nullptr);  // other key
  EXPECT_NE(uti_HybridHashTabFind(tab, 0, 3, k123), nullptr);
  EXPECT_EQ(uti_HybridHashTabFind(tab, 0, 2, k123), nullptr);  // key length must match

  // The same key under two types: a positive type selects, 0 or less takes the newest.
  int item[4] = {1, 2, 3, 77};
  HybridHashEntry *t2 = uti_AddHybridHashTab(tab, 2, 4, 3, item);
  EXPECT_EQ(uti_HybridHashTabFind(tab, 1, 3, k123)->Typ, 1);
  for (int typ : {2, 0, -1}) EXPECT_EQ(uti_HybridHashTabFind(tab, typ, 3, k123), t2) << typ;
  EXPECT_EQ(uti_HybridHashTabFind(tab, 3, 3, k123), nullptr);

  // Removing every entry of type 2 frees its tuple list and leaves type 1.
  for (int v = 0; v < 3000; v++) t2->Tup = uti_AddTuple(v, t2->Tup);
  EXPECT_EQ(uti_HybridHashFreeTyp(tab, 2), 1);
  EXPECT_EQ(uti_HybridHashTabFind(tab, 2, 3, k123), nullptr);
  EXPECT_NE(uti_HybridHashTabFind(tab, 1, 3, k123), nullptr);

  // A caller-given hash is used as it is: the entry sits in that hash's bucket, where the
  // plain search, which hashes the key itself, does not look. The caller's hash is chosen
  // off the bucket the table's own hash picks, whatever salt the table drew.
  const int edge[2] = {5, 9};
  const uint32_t own = uti_HybridHashBucket(tab, uti_HybridHashTabKey(tab, 2, edge));
  uint32_t given = 1000003u;
  while (uti_HybridHashBucket(tab, given) == own) given += 7919u;
  HybridHashEntry *keyed = uti_AddHybridHashTabKey(tab, 3, given, 2, 2, edge);
  ASSERT_NE(keyed, nullptr);
  EXPECT_EQ(tab->Buckets[uti_HybridHashBucket(tab, given)], keyed);
  EXPECT_EQ(uti_HybridHashTabFind(tab, 0, 2, edge), nullptr);
  EXPECT_EQ(uti_HybridHashTabFindRemoveKey(tab, 3, given, 2, edge), keyed);
  EXPECT_EQ(uti_HybridHashTabFindKey(tab, 0, given, 2, edge), nullptr);

  // A removed entry keeps its tuple list until it is reused or the table goes.
  HybridHashEntry *e = uti_HybridHashTabFindRemove(tab, 0, 3, k123);
  ASSERT_NE(e, nullptr);
  e->Tup = uti_AddTuple(5, e->Tup);
  EXPECT_EQ(uti_AddHybridHashTab(tab, 1, 2, 3, k123), nullptr);  // item shorter than key
  EXPECT_EQ(uti_NewHybridHashTable(0, 10), nullptr);
  uti_FreeHybridHashTable(tab);
}

// Keys whose ints add up to one sum (a crafted surface) and hash values that differ only in
// their high bits spread over the buckets instead of filling one chain.
TEST(HybridHash, EqualSumsAndAlignedHashValuesSpreadOverTheBuckets) {
  for (bool ownHash : {false, true}) {
    HybridHashTable *tab = uti_NewHybridHashTable(4096, 100);
    for (int i = 1; i <= 3000; i++) {
      int pair[2] = {i, 100000 - i}, triple[3] = {i, 200000 + i, 100000 - 2 * i};
      ASSERT_NE(ownHash ? uti_AddHybridHashTabKey(tab, 1, static_cast<uint32_t>(i) << 12, 2, 2, pair)
                        : uti_AddHybridHashTab(tab, 1, 2, 2, pair), nullptr);
      ASSERT_TRUE(ownHash || uti_AddHybridHashTab(tab, 1, 3, 3, triple));
      ASSERT_NE(ownHash ? uti_HybridHashTabFindKey(tab, 0, static_cast<uint32_t>(i) << 12, 2, pair)
                        : uti_HybridHashTabFind(tab, 0, 2, pair), nullptr);
    }
    int longest = 0;
    for (int b = 0; b < tab->NbrBuckets; b++) {
      int len = 0;
      for (const HybridHashEntry *e = tab->Buckets[b]; e; e = e->Nxt) len++;
      longest = std::max(longest, len);
    }
    EXPECT_LE(longest, 16) << ownHash;
    uti_FreeHybridHashTable(tab);
  }
}

// Longest chain and number of buckets used once the keys are in a table of that salt (0: a
// salt drawn by the table).
std::pair<int, int> Occupancy(uint64_t salt, int expected, const std::vector<std::array<int, 2>> &keys) {
  uti_SetHybridHashSalt(salt);
  HybridHashTable *tab = uti_NewHybridHashTable(expected, 100);
  uti_SetHybridHashSalt(0);
  for (const auto &k : keys) EXPECT_NE(uti_AddHybridHashTab(tab, 1, 2, 2, k.data()), nullptr);
  for (const auto &k : keys) EXPECT_NE(uti_HybridHashTabFind(tab, 0, 2, k.data()), nullptr);
  int longest = 0, used = 0;
  for (int b = 0; b < tab->NbrBuckets; b++) {
    int len = 0;
    for (const HybridHashEntry *e = tab->Buckets[b]; e; e = e->Nxt) len++;
    longest = std::max(longest, len);
    used += len > 0;
  }
  uti_FreeHybridHashTable(tab);
  return {longest, used};
}

// Edge keys that all fall in one bucket of a table (first row: of the bucket choice with a
// fixed multiplier it once had; second: of a table whose salt was known) spread over the
// buckets of tables of other salts: no file can be prepared against a table not yet made.
TEST(HybridHash, KeysCraftedAgainstOneBucketChoiceSpreadInTablesOfOtherSalts) {
  const int expected = 2048, count = 600;
  HybridHashTable *known = nullptr;
  {
    uti_SetHybridHashSalt(0x1234);
    known = uti_NewHybridHashTable(expected, 100);
    uti_SetHybridHashSalt(0);
  }
  const int buckets = known->NbrBuckets;
  auto knownBucket = [&](int a, int b) {
    const int k[2] = {a, b};
    return static_cast<int>(uti_HybridHashBucket(known, uti_HybridHashTabKey(known, 2, k)));
  };
  struct Case {
    const char *against;
    std::function<int(int, int)> bucket;
    uint64_t craftedSalt;  // 0: none of the tables below has the crafted choice
  };
  for (const Case &c : {Case{"fixed multiplier", [&](int a, int b) { return OldEdgeBucket(a, b, buckets); }, 0},
                        Case{"salt 0x1234", knownBucket, 0x1234}}) {
    SCOPED_TRACE(c.against);
    std::vector<std::array<int, 2>> keys;
    for (int a = 1; static_cast<int>(keys.size()) < count; a++)
      for (int b = a + 1; b < a + 20 * buckets && static_cast<int>(keys.size()) < count; b++)
        if (c.bucket(a, b) == 0) keys.push_back({a, b});
    if (c.craftedSalt) {
      EXPECT_EQ(Occupancy(c.craftedSalt, expected, keys).first, count);  // the premise
    }
    for (uint64_t salt : {uint64_t(0), uint64_t(1), uint64_t(0x243F6A8885A308D3ull)}) {
      std::pair<int, int> occ = Occupancy(salt, expected, keys);
      EXPECT_LE(occ.first, 8) << salt;
      EXPECT_GE(occ.second, count / 2) << salt;
    }
  }
  uti_FreeHybridHashTable(known);
}

// An emptied table finds nothing it held, keeps its first pool and store (later ones go) and
// its salt, and takes new entries as a new table would.
TEST(HybridHash, EmptiedTableForgetsItsEntriesAndServesAgain) {
  HybridHashTable *tab = uti_NewHybridHashTable(64, 100);
  const uint64_t salt = tab->Salt;
  for (int round = 0; round < 2; round++) {
    // Past the first pool and store: 200000 more entries, three ints each.
    for (int i = 1; i <= 200000; i++) {
      int itm[3] = {i, i + round, 7};
      ASSERT_NE(uti_AddHybridHashTab(tab, 1, 3, 2, itm), nullptr);
    }
    EXPECT_GT(tab->NbrPools, 0);
    const int kept[2] = {5, 5 + round}, gone[2] = {5, 6 - round};
    ASSERT_NE(uti_HybridHashTabFind(tab, 0, 2, kept), nullptr);
    EXPECT_EQ(uti_HybridHashTabFind(tab, 0, 2, gone), nullptr);
    EXPECT_EQ(uti_EmptyHybridHashTable(tab), 1);
    EXPECT_EQ(uti_HybridHashTabFind(tab, 0, 2, kept), nullptr);
    EXPECT_EQ(tab->NbrPools, 0);
    EXPECT_EQ(tab->Pools->Prv, nullptr);
    EXPECT_EQ(tab->Store->Prv, nullptr);
    EXPECT_EQ(tab->Salt, salt);
  }
  EXPECT_EQ(uti_EmptyHybridHashTable(nullptr), 0);
  uti_FreeHybridHashTable(tab);
}

TEST(HybridHash, LargeKeysHashWithoutOverflow) {
  HybridHashTable *tab = uti_NewHybridHashTable(1024, 10);
  const int big[4] = {INT_MAX - 3, INT_MAX - 2, INT_MAX - 1, INT_MAX}, neg[2] = {INT_MIN, -1};
  ASSERT_NE(uti_AddHybridHashTab(tab, 1, 4, 4, big), nullptr);
  ASSERT_NE(uti_AddHybridHashTab(tab, 1, 2, 2, neg), nullptr);
  EXPECT_NE(uti_HybridHashTabFind(tab, 0, 4, big), nullptr);
  EXPECT_NE(uti_HybridHashTabFind(tab, 0, 2, neg), nullptr);
  uti_FreeHybridHashTable(tab);
}

TEST(Tuple, ChunksKeepInsertionOrder) {
  TupleChunk *list = nullptr;
  for (int v = 0; v < 2500; v++) list = uti_AddTuple(3 * v, list);
  EXPECT_EQ(uti_GetTupleSize(list), 2500);
  int size = -1;
  int *arr = uti_GetTupleArray(list, &size);
  ASSERT_NE(arr, nullptr);
  ASSERT_EQ(size, 2500);
  for (int v = 0; v < 2500; v++) ASSERT_EQ(arr[v], 3 * v) << v;
  free(arr);
  EXPECT_EQ(uti_FreeTuple(list), nullptr);
  TupleChunk *empty = uti_NewTuple();
  EXPECT_EQ(uti_GetTupleArray(empty, &size), nullptr);
  EXPECT_EQ(size, 0);
  uti_FreeTuple(empty);
}

// Four tetrahedra in a row: 1-2 and 2-3 share faces, face 3 of tetrahedron 3 lies on a
// boundary triangle, tetrahedron 4 is dead.
using GraphInput = MeshTestBase;

TEST_F(GraphInput, TetrahedronAdjacencyAndNodes) {
  msh = MakeSizedMesh(mem, {{KmfVertices, 8}, {KmfTetrahedra, 4}, {KmfTriangles, 1}});
  msh->NbrVer = 8;
  for (int t = 1; t <= 4; t++) AddRecord(msh->Tet, msh->NbrTet, {t, t + 1, t + 2, t + 3});
  // {tetrahedron, face, neighbour, kind}: kind 2 a tetrahedron, 1 a boundary triangle.
  const int links[][4] = {{1, 0, 2, 2}, {2, 3, 1, 2}, {2, 0, 3, 2}, {3, 3, 2, 2}, {3, 1, 1, 1}, {3, 2, 4, 2}};
  for (const auto &l : links) {
    msh->Tet[l[0]].Voi[l[1]] = l[2];
    msh->Tet[l[0]].VoiTyp |= static_cast<uint32_t>(l[3]) << (4 * l[1]);
  }
  msh->Tet[3].Tag |= TagBdyFace(1);
  msh->Tet[4].Tag = 0;

  int *xadj = nullptr, *adjncy = nullptr;
  ASSERT_EQ(metisTetGraph(&fi, msh, &xadj, &adjncy), 1);
  EXPECT_EQ(std::vector<int>(xadj, xadj + 5), (std::vector<int>{0, 1, 3, 5, 5}));
  EXPECT_EQ(std::vector<int>(adjncy, adjncy + 5), (std::vector<int>{1, 2, 0, 3, 1}));
  MEM_FREE(mem, xadj);
  MEM_FREE(mem, adjncy);

  int *eind = nullptr;
  ASSERT_EQ(metisElementNodes(&fi, msh, KmfTetrahedra, &eind), 1);
  EXPECT_EQ(eind[0], 0);
  EXPECT_EQ(eind[15], 6);  // tetrahedron 4, node 3: vertex 7
  MEM_FREE(mem, eind);

  int part[5];
  EXPECT_EQ(metisDomainTet(&fi, 1, msh, part), 0);
  EXPECT_EQ(metisDomainTet(&fi, 4, nullptr, part), 0);
  EXPECT_EQ(fi.ErrCod, ERR_BAD_HANDLE);
}

}  // namespace

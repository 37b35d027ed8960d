// The 27 named record sorts, run over the mesh's own record types; QuickSortTest checks the
// shared algorithm's stack depth.
#include "tests/common/CommonTest.h"

namespace {

// One record type with its three sorts.
template <class Rec, void (*KeySort)(Rec *, int), void (*IdxSort)(Rec *, int *, int),
          void (*RankSort)(uint64_t *, Rec *, int *, int)>
struct Family {
  using Type = Rec;
  static void Key(Rec *r, int n) { KeySort(r, n); }
  static void Idx(Rec *r, int *idx, int n) { IdxSort(r, idx, n); }
  static void Rank(uint64_t *rnk, Rec *r, int *idx, int n) { RankSort(rnk, r, idx, n); }
};

using TetSorts = Family<Tetrahedron, TetrahedronQsort, TetrahedronQsortIdx, TetrahedronQsortRank>;
using Families = ::testing::Types<
    Family<Vertex, VertexQsort, VertexQsortIdx, VertexQsortRank>,
    Family<Triangle, TriangleQsort, TriangleQsortIdx, TriangleQsortRank>,
    Family<P2Triangle, P2TriangleQsort, P2TriangleQsortIdx, P2TriangleQsortRank>,
    Family<Quadrilateral, QuadrilateralQsort, QuadrilateralQsortIdx, QuadrilateralQsortRank>,
    Family<P2Quadrilateral, P2QuadrilateralQsort, P2QuadrilateralQsortIdx,
           P2QuadrilateralQsortRank>,
    TetSorts,
    Family<P2Tetrahedron, P2TetrahedronQsort, P2TetrahedronQsortIdx, P2TetrahedronQsortRank>,
    Family<BdyEdge, BdyEdgeQsort, BdyEdgeQsortIdx, BdyEdgeQsortRank>,
    Family<P2BdyEdge, P2BdyEdgeQsort, P2BdyEdgeQsortIdx, P2BdyEdgeQsortRank>>;

// Keys are handled as raw 32-bit patterns: a vertex reads its Gid as unsigned, every other
// record its first node as signed.
void SetKey(Vertex &v, uint32_t k) { v.Gid = k; }
uint32_t GetKey(const Vertex &v) { return v.Gid; }
template <class Rec>
void SetKey(Rec &r, uint32_t k) {
  r.Ver[0] = static_cast<int>(k);
}
template <class Rec>
uint32_t GetKey(const Rec &r) {
  return static_cast<uint32_t>(r.Ver[0]);
}
template <class Rec>
bool KeyLess(uint32_t a, uint32_t b) {
  return std::is_same<Rec, Vertex>::value ? a < b : static_cast<int32_t>(a) < static_cast<int32_t>(b);
}

// A record whose every byte depends on its starting position, then given its key: a record
// that is not moved whole, or moved to the wrong place, no longer compares equal.
template <class Rec>
Rec Make(int pos, uint32_t key) {
  Rec r;
  unsigned char *b = reinterpret_cast<unsigned char *>(&r);
  uint32_t s = static_cast<uint32_t>(pos) * 2654435761u + 17u;
  for (size_t i = 0; i < sizeof(Rec); i++) {
    s = s * 1103515245u + 12345u;
    b[i] = static_cast<unsigned char>(s >> 24);
  }
  SetKey(r, key);
  return r;
}

template <class Rec>
bool SameBytes(const Rec &a, const Rec &b) {
  return std::memcmp(&a, &b, sizeof(Rec)) == 0;
}

// Arrays laid out like the mesh's 1-based arrays: entry 0 and entry n+1 are guards, the sort
// is given entry 1.
template <class Rec>
struct Arrays {
  std::vector<uint32_t> keys;
  std::vector<Rec> rec;
  std::vector<int> idx;
  std::vector<uint64_t> rnk;
  int n;
  explicit Arrays(const std::vector<uint32_t> &k, const std::vector<uint64_t> &ranks = {})
      : keys(k), n(static_cast<int>(k.size())) {
    rec.resize(n + 2);
    idx.resize(n + 2);
    rnk.assign(n + 2, 0xABABABABABABABABull);
    for (int i = 0; i < n + 2; i++) {
      rec[i] = Make<Rec>(i - 1, i == 0 || i == n + 1 ? 0xDEADBEEFu : k[i - 1]);
      idx[i] = i - 1;
    }
    if (!ranks.empty()) std::copy(ranks.begin(), ranks.end(), rnk.begin() + 1);
  }
  Rec *R() { return &rec[1]; }
  int *I() { return &idx[1]; }
  uint64_t *K() { return &rnk[1]; }
  // Entry k holds the index and the record that started together; the guards are untouched.
  void ExpectRecordsFollowIndex() const {
    for (int k = 1; k <= n; k++) {
      const int from = idx[k];
      ASSERT_TRUE(from >= 0 && from < n) << "position " << k - 1;
      ASSERT_TRUE(SameBytes(rec[k], Make<Rec>(from, keys[from]))) << "position " << k - 1;
    }
    for (int g : {0, n + 1}) {
      EXPECT_TRUE(SameBytes(rec[g], Make<Rec>(g - 1, 0xDEADBEEFu)));
      EXPECT_EQ(idx[g], g - 1);
      EXPECT_EQ(rnk[g], 0xABABABABABABABABull);
    }
  }
};

// Sorts the keys with the index sort, the key sort and the rank sort of one record type and
// checks them against std::sort: keys (or ranks) in order, every record moved whole with its
// index entry, guards untouched, and the key sort making the same exchanges as the index sort.
template <class F>
void CheckAllThree(const std::vector<uint32_t> &keys, const std::vector<uint64_t> &ranks) {
  using Rec = typename F::Type;
  const int n = static_cast<int>(keys.size());
  std::vector<uint32_t> sortedKeys = keys;
  std::sort(sortedKeys.begin(), sortedKeys.end(), KeyLess<Rec>);
  std::vector<uint64_t> sortedRanks = ranks;
  std::sort(sortedRanks.begin(), sortedRanks.end());

  Arrays<Rec> byIdx(keys);
  F::Idx(byIdx.R(), byIdx.I(), n);
  for (int k = 0; k < n; k++) ASSERT_EQ(GetKey(byIdx.R()[k]), sortedKeys[k]) << k;
  byIdx.ExpectRecordsFollowIndex();

  Arrays<Rec> byKey(keys);
  F::Key(byKey.R(), n);
  for (int k = 0; k <= n + 1; k++) ASSERT_TRUE(SameBytes(byKey.rec[k], byIdx.rec[k])) << k;
  for (int k = 0; k < n; k++) ASSERT_EQ(byKey.I()[k], k);

  Arrays<Rec> byRank(keys, ranks);
  F::Rank(byRank.K(), byRank.R(), byRank.I(), n);
  for (int k = 0; k < n; k++) {
    ASSERT_EQ(byRank.K()[k], sortedRanks[k]) << k;
    ASSERT_EQ(ranks[byRank.I()[k]], byRank.K()[k]) << k;
  }
  byRank.ExpectRecordsFollowIndex();
}

template <class F>
class RecordSort : public ::testing::Test {};
TYPED_TEST_SUITE(RecordSort, Families);

}  // namespace

TYPED_TEST(RecordSort, CountOfOneOrLessChangesNothing) {
  using Rec = typename TypeParam::Type;
  for (int n : {1, 0, -1, INT_MIN}) {
    Arrays<Rec> a({7, 3, 9, 1}, {4, 3, 2, 1});
    const Arrays<Rec> before = a;
    TypeParam::Key(a.R(), n);
    TypeParam::Idx(a.R(), a.I(), n);
    TypeParam::Rank(a.K(), a.R(), a.I(), n);
    for (size_t i = 0; i < a.rec.size(); i++) ASSERT_TRUE(SameBytes(a.rec[i], before.rec[i]));
    EXPECT_EQ(a.idx, before.idx);
    EXPECT_EQ(a.rnk, before.rnk);
  }
}

TYPED_TEST(RecordSort, AllThreeSortsAgainstAReferenceSort) {
  std::mt19937_64 rng(5);
  for (int n : {2, 6, 7, 41, 1000, 100000}) {
    SCOPED_TRACE(n);
    // Keys over the whole 32-bit range with many repeats, so that a key compared in the
    // wrong signedness lands elsewhere; ranks likewise over 64 bits.
    std::vector<uint32_t> pool(n / 3 + 1);
    for (uint32_t &p : pool) p = static_cast<uint32_t>(rng());
    std::vector<uint32_t> keys(n);
    std::vector<uint64_t> ranks(n);
    for (int i = 0; i < n; i++) {
      keys[i] = pool[rng() % pool.size()];
      ranks[i] = (rng() % 2 ? rng() : uint64_t{1} << 63) ^ (rng() % 3);
    }
    CheckAllThree<TypeParam>(keys, ranks);
  }
}

// Every size across the insertion-sort, median-of-three and ninther thresholds, then larger
// arrays; each over random keys on a wide and a narrow range, sorted, reversed, organ pipe,
// sawtooth and constant keys, used as ranks too.
TEST(RecordSortPatterns, EverySizeAndKeyOrder) {
  std::mt19937 rng(11);
  std::vector<int> sizes(65);
  std::iota(sizes.begin(), sizes.end(), 0);
  for (int n : {100, 127, 200, 1000, 4097}) sizes.push_back(n);
  for (int n : sizes)
    for (int p = 0; p < 7; p++) {
      SCOPED_TRACE(testing::Message() << "n " << n << " pattern " << p);
      std::vector<uint32_t> keys(n);
      std::vector<uint64_t> ranks(n);
      for (int i = 0; i < n; i++) {
        const int k[7] = {static_cast<int>(rng()), static_cast<int>(rng() % 7) - 3, i, n - i, std::min(i, n - i),
                          i % 5, 42};
        keys[i] = static_cast<uint32_t>(k[p]);
        ranks[i] = static_cast<uint64_t>(static_cast<int64_t>(k[p]));
      }
      CheckAllThree<TetSorts>(keys, ranks);
    }
}

// The shared quicksort, driven through arrays objects that log every exchange or answer
// comparisons adversarially. Sorting results over every record type are checked in
// RecordSortTest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "common/sort/QuickSort.h"

using zelsort::QuickSort;

namespace {

// Arrays of plain int keys that log every exchange of two different positions, in the
// positions of the whole array.
using Log = std::vector<std::pair<int, int>>;
struct LoggedArrays {
  int *Keys;
  Log *Exchanged;
  int Base;
  int Key(int i) const { return Keys[i]; }
  void Swap(int i, int j) {
    if (i != j) Exchanged->emplace_back(Base + i, Base + j);
    std::swap(Keys[i], Keys[j]);
  }
  LoggedArrays At(int k) const { return {Keys + k, Exchanged, Base + k}; }
};

Log Exchanges(std::vector<int> &keys) {
  Log log;
  QuickSort(LoggedArrays{keys.data(), &log, 0}, static_cast<int>(keys.size()));
  return log;
}

}  // namespace

TEST(QuickSort, ExactExchangesForEqualAndAscendingKeys) {
  // All keys equal: position 0 and the pivot (3 for n = 7, else the last) exchange, nothing else.
  for (int n : {7, 8, 9, 40, 41, 48, 1000}) {
    std::vector<int> keys(n, 3);
    EXPECT_EQ(Exchanges(keys), (Log{{0, n == 7 ? 3 : n - 1}})) << n;
  }
  // Ascending and distinct: the pivot exchange, a pass that moves nothing, then only the
  // neighbour exchanges of insertion sort: n/2 - 1 for the pivot key, n/2 for the smallest.
  for (int n : {8, 9, 23, 40, 41, 200}) {
    std::vector<int> keys(n);
    for (int i = 0; i < n; i++) keys[i] = 10 * i - 50;
    const std::vector<int> sorted = keys;
    const Log log = Exchanges(keys);
    EXPECT_EQ(keys, sorted);
    ASSERT_EQ(log.size(), size_t(1 + (n / 2 - 1) + n / 2)) << n;
    EXPECT_EQ(log[0], std::make_pair(0, n / 2)) << n;
    for (size_t e = 1; e < log.size(); e++)
      ASSERT_EQ(log[e].second, log[e].first + 1) << "n " << n << " exchange " << e;
  }
}

TEST(QuickSort, PivotChoiceBySize) {
  // Seven positions: the middle one, although the median of the ends and middle is the last.
  std::vector<int> k7 = {5, 6, 7, 0, 1, 2, 3};
  EXPECT_EQ(Exchanges(k7).front(), std::make_pair(0, 3));

  // Eight to forty positions: median of first, middle and last (a ninther would see only 100s).
  for (int n : {8, 9, 40}) {
    std::vector<int> keys(n, 100);
    keys[0] = 300;
    keys[n - 1] = 200;
    EXPECT_EQ(Exchanges(keys).front(), std::make_pair(0, n - 1)) << n;
  }

  // 41 positions: the ninther with d = 5 over 0,5,10 / 15,20,25 / 30,35,40: medians at 10 (20),
  // 25 (45) and 40 (3).
  std::vector<int> k41(41, 1000);
  k41[0] = 30, k41[5] = 10, k41[10] = 20, k41[15] = 50, k41[20] = 40, k41[25] = 45;
  k41[30] = 5, k41[35] = 1, k41[40] = 3;
  EXPECT_EQ(Exchanges(k41).front(), std::make_pair(0, 10));
  // 48 positions: d = 6 over 0,6,12 / 18,24,30 / 35,41,47; medians at 6 (2), 30 (50), 41 (80).
  std::vector<int> k48(48, -1000);
  k48[0] = 1, k48[6] = 2, k48[12] = 3, k48[18] = 60, k48[24] = 40, k48[30] = 50;
  k48[35] = 90, k48[41] = 80, k48[47] = 70;
  EXPECT_EQ(Exchanges(k48).front(), std::make_pair(0, 30));
}

namespace {

// A comparison adversary: keys start undecided ("gas", below every decided key) and are
// decided only when a comparison needs it, so that the pivot candidate becomes one of the
// largest keys left. Every pass then leaves nearly everything below the pivot, the case that
// makes unbounded recursion as deep as the array.
struct Adversary {
  std::vector<int> val;
  int gas = -1;
  int next;
  int candidate = -1;
  explicit Adversary(int n) : val(n, -1), next(n - 1) {}
  int Compare(int x, int y) {
    if (val[x] == gas && val[y] == gas) val[x == candidate ? x : y] = next--;
    if (val[x] == gas)
      candidate = x;
    else if (val[y] == gas)
      candidate = y;
    return (val[x] > val[y]) - (val[x] < val[y]);
  }
};

struct AdvKey {
  Adversary *Adv;
  int Id;
};
bool operator<(AdvKey a, AdvKey b) { return a.Adv->Compare(a.Id, b.Id) < 0; }
bool operator>(AdvKey a, AdvKey b) { return a.Adv->Compare(a.Id, b.Id) > 0; }
bool operator==(AdvKey a, AdvKey b) { return a.Adv->Compare(a.Id, b.Id) == 0; }

// Items are ids into the adversary; the deepest stack frame seen by an exchange is kept.
struct AdversaryArrays {
  int *Ids;
  Adversary *Adv;
  uintptr_t *Deepest;
  AdvKey Key(int i) const { return {Adv, Ids[i]}; }
  void Swap(int i, int j) {
    const uintptr_t frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    if (frame < *Deepest) *Deepest = frame;
    std::swap(Ids[i], Ids[j]);
  }
  AdversaryArrays At(int k) const { return {Ids + k, Adv, Deepest}; }
};

// Stack bytes used below the caller's frame by sorting n items against the adversary.
__attribute__((noinline)) size_t AdversarialStackUse(int n, std::vector<int> *finalKeys) {
  Adversary adv(n);
  std::vector<int> ids(n);
  for (int i = 0; i < n; i++) ids[i] = i;
  const uintptr_t top = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  uintptr_t deepest = top;
  QuickSort(AdversaryArrays{ids.data(), &adv, &deepest}, n);
  finalKeys->resize(n);
  for (int i = 0; i < n; i++) (*finalKeys)[i] = adv.val[ids[i]];
  return top - deepest;
}

}  // namespace

TEST(QuickSort, RecursionStaysShallowOnAdversarialInput) {
  std::vector<int> small, large;
  const size_t useSmall = AdversarialStackUse(64, &small);
  const size_t useLarge = AdversarialStackUse(4000, &large);
  // The answers are consistent, so the result must be sorted like any other input.
  EXPECT_TRUE(std::is_sorted(small.begin(), small.end()));
  EXPECT_TRUE(std::is_sorted(large.begin(), large.end()));
  // 4000 items nest at most about log2(4000/6) ~ 10 frames; recursion into the larger part
  // would nest over a thousand.
  ASSERT_GT(useSmall, 0u);
  EXPECT_LT(useLarge, 4 * useSmall + 4096) << "small " << useSmall << " large " << useLarge;
}

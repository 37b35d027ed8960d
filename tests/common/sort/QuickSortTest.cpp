// The shared quicksort against a comparison adversary: its recursion must stay shallow.
// Sorting results over every record type are checked in RecordSortTest.
#include "tests/common/CommonTest.h"

using zelsort::QuickSort;

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

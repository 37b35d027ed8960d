// Dependencies between the packages of one loop type and the blocks of another: package p
// carries bit q when one of its lines uses a line of block q of the second type.
#include <algorithm>

#include "common/pool/PoolInternal.h"

namespace {

int rowWords(const ParallelPool *par, const LoopType *typ) { return par->SizMul * typ->DepWrd; }

// Sets the bit of line b (type 2) in the package holding line a (type 1); lines must be valid.
// Returns the package's dependency count, or 0 when the pair falls outside the tables.
int addPair(ParallelPool *par, LoopType *t1, int a, int b) {
  WorkPackage *pkg = &t1->Pkg[(a - 1) / t1->PkgSiz];
  int64_t bit = (static_cast<int64_t>(b) - 1) / t1->DepSiz;
  // Packages appended by ResizeType have no row; a line beyond the row is outside the tables.
  if (!pkg->DepWrd || bit >= static_cast<int64_t>(rowWords(par, t1)) * 32) return 0;
  uint32_t mask = 1u << (bit & 31);
  uint32_t &word = pkg->DepWrd[bit >> 5];
  if (!(word & mask)) {
    word |= mask;
    pkg->NbrDep++;
  }
  return pkg->NbrDep;
}

bool hasTables(const LoopType *t1) { return t1 && t1->DepSiz > 0 && t1->DepMat && t1->PkgSiz > 0; }

// Adds every pair of the two lists, skipping lines outside the two capacities given.
int addPairs(ParallelPool *par, LoopType *t1, int max1, int countA, const int *lines1, int max2,
             int countB, const int *lines2) {
  if (!hasTables(t1) || countA < 1 || countB < 0 || !lines1 || (countB && !lines2)) return 0;
  for (int i = 0; i < countA; i++) {
    int a = lines1[i];
    if (a < 1 || a > max1) continue;
    for (int j = 0; j < countB; j++)
      if (lines2[j] >= 1 && lines2[j] <= max2) addPair(par, t1, a, lines2[j]);
  }
  return 1;
}

// Percentage of blocks held per package on average and at most; 0 when nothing to report.
int dependencyStats(const LoopType *t1, const LoopType *t2, float stats[2]) {
  if (stats) stats[0] = stats[1] = 0;
  if (!hasTables(t1) || !t2 || t1->NbrPkg < 1) return 0;
  int64_t total = 0;
  int most = 0;
  for (int k = 0; k < t1->NbrPkg; k++) {
    total += t1->Pkg[k].NbrDep;
    most = std::max(most, t1->Pkg[k].NbrDep);
  }
  if (!total) return 0;
  int64_t blocks = std::max<int64_t>(1, (static_cast<int64_t>(t2->NbrLin) + t1->DepSiz - 1) / t1->DepSiz);
  if (stats) {
    stats[0] = static_cast<float>(static_cast<double>(total) * 100.0 / (static_cast<double>(t1->NbrPkg) * blocks));
    stats[1] = static_cast<float>(static_cast<double>(most) * 100.0 / blocks);
  }
  return 1;
}

}  // namespace

void poolFreeDependencies(LoopType *typ) {
  MEM_FREE(nullptr, typ->DepMat);
  MEM_FREE(nullptr, typ->InUse);
  typ->DepMat = typ->InUse = nullptr;
  typ->DepWrd = 0;
  if (typ->Pkg)
    for (int k = 0; k < typ->NbrPkg; k++) {
      typ->Pkg[k].DepWrd = nullptr;
      typ->Pkg[k].NbrDep = 0;
    }
}

int BeginDependency(ParallelPool *par, int type1, int type2) {
  if (!par) return 0;
  par->DepTyp1 = par->DepTyp2 = nullptr;
  LoopType *t1 = poolType(par, type1), *t2 = poolType(par, type2);
  if (!t1 || !t2 || t1 == t2) return 0;

  int64_t lines2 = t2->NbrLin, perBlk = static_cast<int64_t>(par->NbrCpu) * 256;
  int64_t siz, words;
  if (lines2 >= perBlk && lines2 >= 32 * static_cast<int64_t>(t1->DepSiz)) {
    siz = lines2 / perBlk;
    words = lines2 / (siz * 32);
    if (siz * 32 * words != lines2) words++;
  } else {
    siz = lines2;
    words = 1;
  }

  // A second declaration replaces the first.
  poolFreeDependencies(t1);
  size_t row = static_cast<size_t>(par->SizMul) * static_cast<size_t>(words);
  t1->DepMat = POOL_CALLOC(t1->DepMat, row * static_cast<size_t>(t1->NbrPkg), uint32_t);
  t1->InUse = POOL_CALLOC(t1->InUse, row, uint32_t);
  if (!t1->DepMat || !t1->InUse) {
    poolFreeDependencies(t1);
    t1->DepSiz = 0;
    return 0;
  }
  t1->DepSiz = static_cast<int>(siz);
  t1->DepWrd = static_cast<int>(words);
  for (int k = 0; k < t1->NbrPkg; k++) t1->Pkg[k].DepWrd = t1->DepMat + row * static_cast<size_t>(k);
  par->DepTyp1 = t1;
  par->DepTyp2 = t2;
  return t1->DepWrd;
}

int AddDependency(ParallelPool *par, int line1, int line2) {
  if (!par || !par->DepTyp1 || !par->DepTyp2 || !hasTables(par->DepTyp1)) return 0;
  if (line1 < 1 || line2 < 1 || line1 > par->DepTyp1->NbrLin || line2 > par->DepTyp2->NbrLin) return 0;
  return addPair(par, par->DepTyp1, line1, line2);
}

int AddDependencyFast(ParallelPool *par, int countA, const int *lines1, int countB, const int *lines2) {
  if (!par || !par->DepTyp1 || !par->DepTyp2) return 0;
  return addPairs(par, par->DepTyp1, par->DepTyp1->NbrLin, countA, lines1, par->DepTyp2->NbrLin,
                  countB, lines2);
}

int UpdateDependency(ParallelPool *par, int type1, int type2, int line1, int line2) {
  LoopType *t1 = poolType(par, type1), *t2 = poolType(par, type2);
  if (!t1 || !t2 || t1 == t2 || !hasTables(t1)) return 0;
  // Type 2 may grow to its capacity; type 1's lines past its count have no package yet.
  if (line1 < 1 || line2 < 1 || line1 > t1->NbrLin || line2 > t2->MaxLin) return 0;
  return addPair(par, t1, line1, line2);
}

int UpdateDependencyFast(ParallelPool *par, int type1, int countA, const int *lines1, int type2,
                         int countB, const int *lines2) {
  (void)type2;  // the blocks are those of the type named at BeginDependency
  LoopType *t1 = poolType(par, type1);
  if (!t1) return 0;
  // Lines of type 2 are bounded by the package rows alone.
  return addPairs(par, t1, t1->NbrLin, countA, lines1, INT32_MAX, countB, lines2);
}

int EndDependency(ParallelPool *par, float stats[2]) {
  if (stats) stats[0] = stats[1] = 0;
  if (!par || !par->DepTyp1 || !par->DepTyp2) return 0;
  LoopType *t1 = par->DepTyp1;
  if (!dependencyStats(t1, par->DepTyp2, stats)) return 0;
  // Most constrained packages first: they are the hardest to place late in a launch.
  std::sort(t1->Ord, t1->Ord + t1->NbrPkg, [](const WorkPackage *a, const WorkPackage *b) {
    return a->NbrDep != b->NbrDep ? a->NbrDep > b->NbrDep : a->BegIdx < b->BegIdx;
  });
  return 1;
}

int GetDependencyStats(ParallelPool *par, int type1, int type2, float stats[2]) {
  return dependencyStats(poolType(par, type1), poolType(par, type2), stats);
}

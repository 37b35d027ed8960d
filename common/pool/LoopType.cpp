// Loop types: a range of lines cut into work packages and one static block per thread.
#include <algorithm>

#include "common/pool/PoolInternal.h"

namespace {

// Cuts lines 1..n into threads blocks (one block when there are fewer lines than threads);
// the last block takes the remainder.
void cutBlocks(LoopType *typ, int threads, int n) {
  int cnt = threads <= n ? threads : 1;
  int siz = n / cnt;
  for (int k = 0; k < cnt; k++) {
    typ->Blk[k].BegIdx = k * siz + 1;
    typ->Blk[k].EndIdx = k == cnt - 1 ? n : (k + 1) * siz;
  }
  typ->NbrBlk = cnt;
  typ->BlkSiz = siz;
}

// Appends packages of the type's package size after line `from` until line n is covered.
void appendPackages(LoopType *typ, int from, int n) {
  while (from < n) {
    WorkPackage *pkg = &typ->Pkg[typ->NbrPkg];
    pkg->BegIdx = from + 1;
    pkg->EndIdx = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(from) + typ->PkgSiz, n));
    pkg->NbrDep = 0;
    pkg->DepWrd = nullptr;
    typ->Ord[typ->NbrPkg] = pkg;
    typ->NbrPkg++;
    from = pkg->EndIdx;
  }
}

void releaseType(LoopType *typ) {
  poolFreeDependencies(typ);
  MEM_FREE(nullptr, typ->Pkg);
  MEM_FREE(nullptr, typ->Blk);
  MEM_FREE(nullptr, typ->Ord);
  std::memset(typ, 0, sizeof(LoopType));
}

}  // namespace

int NewType(ParallelPool *par, int lines) {
  if (!par || lines < 1 || lines < par->NbrCpu) return 0;
  int type = 0;
  for (int t = 1; t <= PoolMaxTypes && !type; t++)
    if (!par->Typ[t].NbrLin) type = t;
  if (!type) return 0;

  LoopType *typ = &par->Typ[type];
  int threads = par->NbrCpu;
  int64_t perPkg = static_cast<int64_t>(threads) * 64;
  int pkgSiz = lines < perPkg ? lines : static_cast<int>(lines / perPkg);
  int pkgCnt = lines / pkgSiz + (lines % pkgSiz ? 1 : 0);

  typ->Pkg = POOL_CALLOC(typ->Pkg, static_cast<size_t>(par->SizMul) * pkgCnt, WorkPackage);
  typ->Ord = POOL_CALLOC(typ->Ord, static_cast<size_t>(par->SizMul) * pkgCnt, WorkPackage *);
  typ->Blk = POOL_CALLOC(typ->Blk, static_cast<size_t>(par->SizMul) * threads, WorkPackage);
  if (!typ->Pkg || !typ->Ord || !typ->Blk) {
    // Leave the slot free rather than half declared.
    releaseType(typ);
    return 0;
  }
  typ->NbrLin = lines;
  typ->MaxLin = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(par->SizMul) * lines, INT32_MAX));
  typ->PkgSiz = pkgSiz;
  appendPackages(typ, 0, lines);
  cutBlocks(typ, threads, lines);
  return type;
}

int ResizeType(ParallelPool *par, int type, int lines) {
  LoopType *typ = poolType(par, type);
  if (!typ || lines < typ->NbrLin || lines > typ->MaxLin) return 0;
  int oldEnd = typ->NbrLin;
  typ->NbrLin = lines;
  appendPackages(typ, oldEnd, lines);
  cutBlocks(typ, par->NbrCpu, lines);
  return type;
}

void FreeType(ParallelPool *par, int type) {
  if (!par || type < 1 || type > PoolMaxTypes) return;
  LoopType *typ = &par->Typ[type];
  // A dependency context naming the slot would outlive it.
  if (par->DepTyp1 == typ || par->DepTyp2 == typ) par->DepTyp1 = par->DepTyp2 = nullptr;
  releaseType(typ);
}

int CheckTypeLines(ParallelPool *par, int type, int lines) {
  LoopType *typ = poolType(par, type);
  return typ && typ->NbrLin == lines ? type : 0;
}

int GetPoolInformation(ParallelPool *par, int *threads, int *types) {
  if (!par) return 0;
  int used = 0;
  for (int t = 1; t <= PoolMaxTypes; t++)
    if (par->Typ[t].NbrLin) used++;
  if (threads) *threads = par->NbrCpu;
  if (types) *types = used;
  return par->NbrCpu;
}

// Line by line transfers, byte flows, the precision of reals and node orderings.
#include <cstdarg>
#include <cstdint>
#include <cstring>

#include "common/kmf/KmfInternal.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/kmf/KmfStream.h"
#include "common/base/Memory.h"

namespace {

enum { StrSize = 256 };

// One value of the line being read, as the file holds it.
struct FieldValue {
  int64_t I;
  double D;
  float F;
};

// A string that ends its line takes the rest of the text line; one followed by other values
// (IRefGroups) is a single word.
bool readWordField(KmfTextBuffer *rd, char *str) {
  size_t len;
  const char *w = KmfReaderWord(rd, &len);
  if (!w || len == SIZE_MAX) return false;
  if (len > StrSize - 1) len = StrSize - 1;
  std::memcpy(str, w, len);
  str[len] = '\0';
  return true;
}

bool readField(KmfMeshFile *msh, char letter, FieldValue *v, char *str, bool last = true) {
  KmfTextBuffer *rd = msh->Rd;
  bool bin = msh->Typ & KmfBinary;
  switch (letter) {
    case 'i':
      if (!bin) return KmfReaderInt(rd, &v->I);
      return KmfReadSized(msh, KmfWideIntegers, &v->I);
    case 'r':
      if (msh->FltSiz == 32) {
        if (bin) {
          if (!KmfReaderBytes(rd, &v->F, 4)) return false;
          if (msh->Cod != 1) KmfSwap(&v->F, 4);
        } else if (!KmfReaderFloat(rd, &v->F)) {
          return false;
        }
        v->D = v->F;
      } else {
        if (bin) {
          if (!KmfReaderBytes(rd, &v->D, 8)) return false;
          if (msh->Cod != 1) KmfSwap(&v->D, 8);
        } else if (!KmfReaderReal(rd, &v->D)) {
          return false;
        }
        v->F = static_cast<float>(v->D);
      }
      return true;
    case 'c':
      if (!bin) return last ? KmfReaderRestOfLine(rd, str, StrSize) : readWordField(rd, str);
      // The file keeps 256 bytes without a terminating zero when the string filled them.
      if (!KmfReaderBytes(rd, str, StrSize)) return false;
      str[StrSize - 1] = '\0';
      return true;
    default:
      return true;  // letters that carry no value
  }
}

bool readFailed(KmfMeshFile *msh, int kwd) {
  KmfError(msh, "KMFGETLIN", "CANNOT READ A LINE OF %s", KmfKwdFmt[kwd][0]);
  return false;
}

// Appends one field to the line being written.
void writeInt(KmfMeshFile *msh, unsigned char **p, int64_t v) {
  if (msh->Typ & KmfText) {
    KmfWriteInt(msh, v);
  } else if (msh->Ver >= KmfWideIntegers) {
    std::memcpy(*p, &v, 8);
    *p += 8;
  } else {
    int32_t w = static_cast<int32_t>(v);
    std::memcpy(*p, &w, 4);
    *p += 4;
  }
}

void writeReal(KmfMeshFile *msh, unsigned char **p, double v) {
  if (msh->Typ & KmfText) {
    KmfWriteReal(msh, v, msh->FltSiz == 32);
  } else if (msh->FltSiz == 32) {
    float f = static_cast<float>(v);
    std::memcpy(*p, &f, 4);
    *p += 4;
  } else {
    std::memcpy(*p, &v, 8);
    *p += 8;
  }
}

void writeStr(KmfMeshFile *msh, unsigned char **p, const char *s) {
  if (!s) s = "";
  if (msh->Typ & KmfText) {
    KmfWriteText(msh, s);
    KmfWriteText(msh, " ");
  } else {
    std::memset(*p, 0, StrSize);
    std::strncpy(reinterpret_cast<char *>(*p), s, StrSize);
    *p += StrSize;
  }
}

// Ends the line: a newline in text, the packed scratch into the write block in binary.
int endLine(KmfMeshFile *msh, const unsigned char *p) {
  if (msh->Typ & KmfText)
    KmfWriteText(msh, "\n");
  else
    KmfWriteBytes(msh, msh->LinBuf, static_cast<size_t>(p - msh->LinBuf));
  return msh->WrtErr ? 0 : 1;
}

// Values of the line of kwd come from `next`, called once per value with its letter.
template <typename Next>
int writeLine(KmfMeshFile *msh, int kwd, Next next) {
  const KmfKeyword *kw = &msh->KwdTab[kwd];
  unsigned char *p = msh->LinBuf;
  for (const char *c = kw->Fmt; *c; c++) next(*c, &p);
  return endLine(msh, p);
}

bool declared(KmfMeshFile *msh, int kwd, const char *fn) {
  if (!KmfUsable(msh, kwd, KmfWrite)) return false;
  if (msh->KwdTab[kwd].Typ == KmfKwdAbsent) {
    KmfError(msh, fn, "SECTION %s WAS NOT DECLARED", KmfKwdFmt[kwd][0]);
    return false;
  }
  return true;
}

bool present(KmfMeshFile *msh, int kwd) {
  return KmfUsable(msh, kwd, KmfRead) && msh->KwdTab[kwd].NmbLin > 0;
}

}  // namespace

int KmfGetLin(KmfMeshFile *msh, int kwd, ...) {
  if (!present(msh, kwd)) return 0;
  if (!KmfNextLine(msh, kwd)) return readFailed(msh, kwd);
  const KmfKeyword *kw = &msh->KwdTab[kwd];
  va_list args;
  va_start(args, kwd);
  FieldValue v{};
  bool ok = true;
  if (kw->Typ == KmfKwdSol) {
    void *dst = va_arg(args, void *);
    for (int j = 0; ok && j < kw->SolSiz; j++) {
      ok = readField(msh, 'r', &v, nullptr);
      if (msh->FltSiz == 32)
        static_cast<float *>(dst)[j] = v.F;
      else
        static_cast<double *>(dst)[j] = v.D;
    }
  } else {
    for (const char *c = kw->Fmt; ok && *c; c++) {
      if (*c != 'i' && *c != 'r' && *c != 'c') continue;
      void *dst = va_arg(args, void *);
      ok = readField(msh, *c, &v, *c == 'c' ? static_cast<char *>(dst) : nullptr, !c[1]);
      if (!ok) break;
      if (*c == 'i') {
        if (msh->Ver >= KmfWideIntegers)
          *static_cast<int64_t *>(dst) = v.I;
        else if (v.I < INT32_MIN || v.I > INT32_MAX)
          ok = false;
        else
          *static_cast<int *>(dst) = static_cast<int>(v.I);
      } else if (*c == 'r') {
        if (msh->FltSiz == 32)
          *static_cast<float *>(dst) = v.F;
        else
          *static_cast<double *>(dst) = v.D;
      }
    }
  }
  va_end(args);
  return ok ? 1 : readFailed(msh, kwd);
}

int KmfGetLinTab(KmfMeshFile *msh, int kwd, int64_t *ints, int *nints, double *reals, int *nreals,
                 char *str, int *strlen) {
  if (nints) *nints = 0;
  if (nreals) *nreals = 0;
  if (strlen) *strlen = 0;
  if (!present(msh, kwd)) return 0;
  if (!KmfNextLine(msh, kwd)) return readFailed(msh, kwd);
  const KmfKeyword *kw = &msh->KwdTab[kwd];
  FieldValue v{};
  char scratch[StrSize];
  int ni = 0, nr = 0;
  for (const char *c = kw->Fmt; *c; c++) {
    char *s = str ? str : scratch;
    if (!readField(msh, *c, &v, s, !c[1])) return readFailed(msh, kwd);
    if (*c == 'i') {
      if (ints) ints[ni] = v.I;
      ni++;
    } else if (*c == 'r') {
      if (reals) reals[nr] = v.D;
      nr++;
    } else if (*c == 'c' && strlen) {
      *strlen = static_cast<int>(std::strlen(s));
    }
  }
  if (nints) *nints = ni;
  if (nreals) *nreals = nr;
  return 1;
}

int KmfSetLin(KmfMeshFile *msh, int kwd, ...) {
  if (!declared(msh, kwd, "KMFSETLIN")) return 0;
  const KmfKeyword *kw = &msh->KwdTab[kwd];
  va_list args;
  va_start(args, kwd);
  int res;
  if (kw->Typ == KmfKwdSol) {
    const void *src = va_arg(args, const void *);
    if (msh->Typ & KmfText) {
      for (int j = 0; j < kw->SolSiz; j++)
        KmfWriteReal(msh, msh->FltSiz == 32 ? static_cast<const float *>(src)[j] : static_cast<const double *>(src)[j],
                     msh->FltSiz == 32);
      res = endLine(msh, nullptr);
    } else {
      // The caller's array is the line itself.
      KmfWriteBytes(msh, src, static_cast<size_t>(kw->SolSiz) * (msh->FltSiz / 8));
      res = msh->WrtErr ? 0 : 1;
    }
  } else {
    res = writeLine(msh, kwd, [&](char c, unsigned char **p) {
      if (c == 'i')
        writeInt(msh, p, msh->Ver >= KmfWideIntegers ? va_arg(args, int64_t) : va_arg(args, int));
      else if (c == 'r')
        writeReal(msh, p, va_arg(args, double));
      else if (c == 'c')
        writeStr(msh, p, va_arg(args, const char *));
    });
  }
  va_end(args);
  return res;
}

int KmfSetLinTab(KmfMeshFile *msh, int kwd, const int64_t *ints, const double *reals, const char *str) {
  if (!declared(msh, kwd, "KMFSETLINTAB")) return 0;
  int ni = 0, nr = 0;
  return writeLine(msh, kwd, [&](char c, unsigned char **p) {
    if (c == 'i')
      writeInt(msh, p, ints ? ints[ni++] : 0);
    else if (c == 'r')
      writeReal(msh, p, reals ? reals[nr++] : 0.0);
    else if (c == 'c')
      writeStr(msh, p, str);
  });
}

char *KmfReadByteFlow(KmfMeshFile *msh, int *nbytes) {
  if (!present(msh, KmfByteFlow) || !KmfGotoKwd(msh, KmfByteFlow)) return nullptr;
  const KmfKeyword *kw = &msh->KwdTab[KmfByteFlow];
  FieldValue v{};
  if (!KmfNextLine(msh, KmfByteFlow) || !readField(msh, 'i', &v, nullptr)) return nullptr;
  int64_t words = kw->NmbLin - 1;
  const int64_t count = v.I;
  if (v.I < 0 || v.I > INT32_MAX || v.I > 4 * words) {
    KmfError(msh, "KMFREADBYTEFLOW", "INVALID BYTE COUNT %lld", static_cast<long long>(v.I));
    return nullptr;
  }
  char *buf = static_cast<char *>(MEM_ALLOC(nullptr, buf, static_cast<size_t>(kw->NmbLin) * 4));
  if (!buf) return nullptr;
  // The words hold the bytes as the writer had them in memory: no byte reversal.
  const uint32_t probe = 1;
  bool hostLittle = *reinterpret_cast<const unsigned char *>(&probe) == 1;
  bool fileLittle = hostLittle == (msh->Cod == 1);
  auto readWord = [&](char *dst) {
    if (msh->Typ & KmfText) {
      bool ok = KmfReaderInt(msh->Rd, &v.I) && v.I >= INT32_MIN && v.I <= INT32_MAX;
      int32_t word = static_cast<int32_t>(v.I);
      std::memcpy(dst, &word, 4);
      return ok;
    }
    if (msh->Ver < KmfWideIntegers) return KmfReaderBytes(msh->Rd, dst, 4);
    unsigned char raw[8];
    bool ok = KmfReaderBytes(msh->Rd, raw, 8);
    std::memcpy(dst, raw + (fileLittle ? 0 : 4), 4);
    return ok;
  };
  for (int64_t w = 0; w < words; w++) {
    if (!KmfNextLine(msh, KmfByteFlow) || !readWord(buf + 4 * w)) {
      KmfError(msh, "KMFREADBYTEFLOW", "CANNOT READ THE BYTES");
      MEM_FREE(nullptr, buf);
      return nullptr;
    }
  }
  if (nbytes) *nbytes = static_cast<int>(count);
  return buf;
}

int KmfWriteByteFlow(KmfMeshFile *msh, const char *bytes, int nbytes) {
  if (!msh || nbytes < 0 || (nbytes && !bytes)) return 0;
  int words = nbytes / 4 + 1;
  if (!KmfSetKwd(msh, KmfByteFlow, words + 1)) return 0;
  int64_t count = nbytes;
  int ok = KmfSetLinTab(msh, KmfByteFlow, &count, nullptr, nullptr);
  for (int w = 0; ok && w < words; w++) {
    char word[4] = {0, 0, 0, 0};
    int n = nbytes - 4 * w < 4 ? nbytes - 4 * w : 4;
    std::memcpy(word, bytes + 4 * w, static_cast<size_t>(n));
    int32_t val;
    std::memcpy(&val, word, 4);
    int64_t wide = val;
    ok = KmfSetLinTab(msh, KmfByteFlow, &wide, nullptr, nullptr);
  }
  return ok;
}

int KmfGetFloatPrecision(KmfMeshFile *msh) {
  if (!msh) return 0;
  if (present(msh, KmfFloatingPointPrecision) && KmfGotoKwd(msh, KmfFloatingPointPrecision)) {
    FieldValue v{};
    if (readField(msh, 'i', &v, nullptr) && (v.I == 32 || v.I == 64)) msh->FltSiz = static_cast<int>(v.I);
  }
  return msh->FltSiz;
}

int KmfSetFloatPrecision(KmfMeshFile *msh, int bits) {
  if (!msh || msh->Mod != KmfWrite || (bits != 32 && bits != 64)) return 0;
  msh->FltSiz = bits;
  if (!KmfSetKwd(msh, KmfFloatingPointPrecision, 1)) return 0;
  int64_t val = bits;
  return KmfSetLinTab(msh, KmfFloatingPointPrecision, &val, nullptr, nullptr);
}

int KmfSetHONodesOrdering(KmfMeshFile *msh, int kwd, const int *own, const int *file) {
  static const struct {
    int kwd, crd, nod;
  } shapes[] = {{24, 3, 6},   {25, 1, 3},   {27, 2, 9},   {30, 4, 10},  {33, 3, 27},  {86, 4, 18},
                {87, 3, 14},  {88, 2, 16},  {89, 2, 25},  {90, 3, 10},  {91, 3, 15},  {92, 1, 4},
                {93, 1, 5},   {96, 4, 20},  {97, 4, 35},  {98, 3, 64},  {99, 3, 125}, {100, 3, 30},
                {101, 3, 55}, {102, 4, 40}, {103, 4, 75}};
  if (!msh || !own || !file) return 0;
  int crd = 0, nod = 0;
  for (const auto &s : shapes)
    if (s.kwd == kwd) crd = s.crd, nod = s.nod;
  if (!nod) return 0;
  KmfKeyword *kw = &msh->KwdTab[kwd];
  kw->OrdTab = static_cast<int *>(MEM_FREE(nullptr, kw->OrdTab));
  int *ord = static_cast<int *>(MEM_ALLOC(nullptr, ord, sizeof(int) * static_cast<size_t>(2 * nod)));
  if (!ord) return 0;
  int *used = ord + nod;
  for (int j = 0; j < nod; j++) ord[j] = used[j] = -1;
  for (int i = 0; i < nod; i++)
    for (int j = 0; j < nod; j++)
      if (!std::memcmp(own + i * crd, file + j * crd, sizeof(int) * static_cast<size_t>(crd))) ord[j] = i;
  // Only a one-to-one table may steer reads: a half-set one would drop nodes.
  bool complete = true;
  for (int j = 0; j < nod && complete; j++) {
    if (ord[j] < 0 || used[ord[j]] >= 0) complete = false;
    else used[ord[j]] = j;
  }
  if (!complete) {
    printf("  ## WARNING: KMFSETHONODESORDERING: THE NODE ORDERING OF %s IS INCOMPLETE AND IGNORED \n",
           KmfKwdFmt[kwd][0]);
    MEM_FREE(nullptr, ord);
    return 0;
  }
  kw->OrdTab = ord;
  return 1;
}

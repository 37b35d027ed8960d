// Fuzz target of the keyword-file reader: the first byte of the input chooses the encoding
// (even: binary, odd: text), the rest is the file. The file is opened, every section is
// read by blocks and line by line, and the byte flow and precision sections are read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/kmf/KmfMeshFile.h"

namespace {

std::string pathFor(bool text) {
  const char *tmp = std::getenv("TMPDIR");
  std::string dir = tmp && *tmp ? tmp : "/tmp";
  return dir + "/kmffuzz" + std::to_string(getpid()) + (text ? ".mesh" : ".meshb");
}

// Block read of a whole section into int64 and double columns.
void readBlocks(KmfMeshFile *msh, int kwd, int64_t n) {
  const KmfKeyword &kw = msh->KwdTab[kwd];
  int nf = kw.SolSiz;
  if (nf <= 0 || std::strchr(kw.Fmt, 'c')) return;
  // Keep the columns small: a few thousand lines are enough to reach every path.
  int64_t last = n < 4000 ? n : 4000;
  std::vector<char> buf(static_cast<size_t>(last * nf) * 8);
  std::vector<KmfField> fields;
  int j = 0;
  for (const char *c = kw.Fmt; *c; c++) {
    if (*c != 'i' && *c != 'r') continue;
    fields.push_back({*c == 'r' ? KmfDouble : KmfLong, buf.data() + 8 * j++, 8 * static_cast<int64_t>(nf)});
  }
  KmfGetBlockFields(msh, kwd, 1, last, 0, nullptr, nullptr, nullptr, static_cast<int>(fields.size()), fields.data());
  if (n > 2) {
    std::vector<int64_t> map(3);
    map[1] = 2;
    map[2] = 1;
    KmfGetBlockFields(msh, kwd, n - 1, n, 4, map.data(), nullptr, nullptr, static_cast<int>(fields.size()), fields.data());
  }
}

void readLines(KmfMeshFile *msh, int kwd, int64_t n) {
  if (!KmfGotoKwd(msh, kwd)) return;
  std::vector<int64_t> ints(KmfMaxLetters);
  std::vector<double> reals(KmfMaxLetters);
  char str[256];
  int ni, nr, ns;
  for (int64_t l = 0; l < n && l < 50; l++)
    if (!KmfGetLinTab(msh, kwd, ints.data(), &ni, reals.data(), &nr, str, &ns)) break;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  bool text = data[0] & 1;
  std::string path = pathFor(text);
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  if (size > 1) std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);
  int ver = 0, dim = 0;
  KmfMeshFile *msh = KmfOpenMesh(path.c_str(), KmfRead, &ver, &dim);
  if (msh) {
    KmfGetFloatPrecision(msh);
    for (int kwd = 1; kwd <= KmfMaxKwd; kwd++) {
      int ntyp, solsiz, deg, nod;
      int types[KmfMaxTyp];
      int64_t n = KmfStatKwd(msh, kwd, &ntyp, &solsiz, types, &deg, &nod);
      if (!n) continue;
      readBlocks(msh, kwd, n);
      readLines(msh, kwd, n);
    }
    int nbytes = 0;
    char *flow = KmfReadByteFlow(msh, &nbytes);
    std::free(flow);
    KmfCloseMesh(msh);
  }
  std::remove(path.c_str());
  return 0;
}

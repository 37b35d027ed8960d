// SU2 meshes: a size pass that counts the elements of every type, a load pass that appends
// vertices and elements to the mesh (node orders normalised, markers as references), and the
// ".dat" vertex solution with one scalar field per named column.
#include "common/load/Su2.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <charconv>
#include <cstring>
#include <limits>
#include <string>

#include "common/base/FunctionInterface.h"
#include "common/kmf/KmfStream.h"
#include "common/load/LoadInternal.h"
#include "common/base/Memory.h"
#include "common/load/MeshLoad.h"

namespace {

enum { WordMax = 1023, ReaderCapacity = 1 << 20 };

// The file is read through a large buffer and its numbers are converted without scanf, which
// is slow on millions of lines and would follow the process's locale (a comma-decimal one
// misreads coordinates). SU2 files have no '#' comments. A reader over a stream it did not
// open starts at the stream's position and puts the stream back where it stopped.
struct Su2Reader {
  KmfTextBuffer *Rd = nullptr;
  FILE *Borrowed = nullptr;
  Su2Reader(FILE *f, bool borrowed) {
    if (!f) return;
    Rd = KmfNewReader(f, ReaderCapacity);
    if (!Rd) return;
    Rd->NoComments = true;
    if (borrowed) {
      Borrowed = f;
      // A stream that cannot tell its position (a pipe) is read on from where it stands.
      off_t at = ftello(f);
      if (at >= 0) {
        KmfReaderDrop(Rd);
        KmfReaderSeek(Rd, at);
      }
    }
  }
  ~Su2Reader() { Close(); }
  // To be called before a borrowed stream is closed.
  void Close() {
    if (Borrowed && Rd) fseeko(Borrowed, static_cast<off_t>(KmfReaderTell(Rd)), SEEK_SET);
    Rd = KmfFreeReader(Rd);
  }
  Su2Reader(const Su2Reader &) = delete;
  Su2Reader &operator=(const Su2Reader &) = delete;
};

void skipLine(KmfTextBuffer *rd) { KmfReaderSkipLine(rd); }

// An integer that must fit an int; false at end of file or on anything else.
bool readInt(KmfTextBuffer *rd, int *val) {
  int64_t v;
  if (!KmfReaderInt(rd, &v) || v < INT_MIN || v > INT_MAX) return false;
  *val = static_cast<int>(v);
  return true;
}

// Reads words up to one that begins with key; the word itself (at most WordMax characters)
// is copied to word.
bool findKey(KmfTextBuffer *rd, const char *key, char *word) {
  size_t len = strlen(key), n;
  // A key that starts with a letter can only begin such a word: the numbers of the data
  // sections are passed over without being taken as words.
  unsigned char c0 = static_cast<unsigned char>(*key) | 0x20;
  bool name = c0 >= 'a' && c0 <= 'z';
  while (const char *w = name ? KmfReaderNextName(rd, &n) : KmfReaderWord(rd, &n)) {
    if (n == SIZE_MAX || n < len || memcmp(w, key, len)) continue;
    n = std::min<size_t>(n, WordMax);
    memcpy(word, w, n);
    word[n] = 0;
    return true;
  }
  return false;
}

void keywordMissing(const char *key) {
  fprintf(stderr, "  ## ERROR: INVALID SU2 FILE (CHECK KEYWORD: %s).\n", key ? key : "");
}

int keywordValue(KmfTextBuffer *rd, const char *key) {
  char word[WordMax + 1];
  if (!rd || !key || !findKey(rd, key, word)) {
    keywordMissing(key);
    return 0;
  }
  const char *rest = word + strlen(key);
  long v = 0;
  if (*rest) {
    v = strtol(rest, nullptr, 10);
  } else {
    int d = 0;
    if (readInt(rd, &d)) v = d;
  }
  skipLine(rd);
  return v < INT_MIN || v > INT_MAX ? 0 : static_cast<int>(v);
}

int keywordWord(KmfTextBuffer *rd, const char *key, char *out, size_t outSize) {
  char word[WordMax + 1];
  if (!rd || !key || !out || !outSize || !findKey(rd, key, word)) {
    keywordMissing(key);
    return 0;
  }
  const char *rest = word + strlen(key);
  char next[WordMax + 1] = "";
  if (!*rest) {
    size_t n;
    const char *w = KmfReaderWord(rd, &n);
    if (w && n != SIZE_MAX) {
      n = std::min<size_t>(n, WordMax);
      memcpy(next, w, n);
      next[n] = 0;
    }
    rest = next;
  }
  snprintf(out, outSize, "%s", rest);
  skipLine(rd);
  return 1;
}

// One row (its newline kept) copied from the buffer into *line, which grows as the memory
// functions allow; the number of characters, -1 at end of file with nothing read or when the
// line cannot grow.
ssize_t readRow(KmfTextBuffer *rd, char **line, size_t *size) {
  size_t n = 0;
  auto append = [&](const char *src, size_t k) {
    if (n + k + 1 > *size) {
      size_t grown = std::max<size_t>(2 * *size, n + k + 64);
      char *p = static_cast<char *>(MEM_REALLOC(nullptr, *line, grown));
      if (!p) return false;
      *line = p;
      *size = grown;
    }
    memcpy(*line + n, src, k);
    n += k;
    return true;
  };
  for (;;) {
    const char *nl = static_cast<const char *>(memchr(rd->Cur, '\n', static_cast<size_t>(rd->End - rd->Cur)));
    size_t k = static_cast<size_t>((nl ? nl + 1 : rd->End) - rd->Cur);
    if (!append(rd->Cur, k)) return -1;
    rd->Cur += k;
    if (nl) break;
    // The buffer is used up: the next byte refills it.
    char c;
    if (!KmfReaderBytes(rd, &c, 1)) break;
    if (!append(&c, 1)) return -1;
    if (c == '\n') break;
  }
  if (!n) return -1;
  (*line)[n] = 0;
  return static_cast<ssize_t>(n);
}

// A value of a ".dat" row: the longest number at the start of the column, 0 when there is
// none; beyond the range of a double it goes to zero or to infinity.
double datValue(const char *b, size_t n) {
  const char *e = b + n;
  if (b < e && *b == '+' && b + 1 < e && b[1] != '-') b++;
  double x = 0;
  auto res = std::from_chars(b, e, x);
  if (res.ec == std::errc::result_out_of_range) {
    const char *ex = std::find_if(b, res.ptr, [](char c) { return c == 'e' || c == 'E'; });
    double mag = ex + 1 < res.ptr && ex[1] == '-' ? 0.0 : std::numeric_limits<double>::infinity();
    return *b == '-' ? -mag : mag;
  }
  return res.ec == std::errc() ? x : 0;
}

// Element types (VTK cell numbers) of SU2 files: kind and node count, 0 for others.
struct Su2Type {
  int Kind, NbrNod;
};

Su2Type su2Type(int type) {
  switch (type) {
    case 3: return {KmfEdges, 2};
    case 5: return {KmfTriangles, 3};
    case 9: return {KmfQuadrilaterals, 4};
    case 10: return {KmfTetrahedra, 4};
    case 12: return {KmfHexahedra, 8};
    case 13: return {KmfPrisms, 6};
    case 14: return {KmfPyramids, 5};
    default: return {0, 0};
  }
}

bool isBoundaryType(int type) { return type == 3 || type == 5 || type == 9; }

int firstMin(const int *v, int n) {
  int k = 0;
  for (int i = 1; i < n; i++)
    if (v[i] < v[k]) k = i;
  return k;
}

void rotate(int *v, int n, int k) {
  int t[8];
  for (int i = 0; i < n; i++) t[i] = v[(i + k) % n];
  memcpy(v, t, sizeof(int) * n);
}

void permute(int *v, const int *order, int n) {
  int t[8];
  for (int i = 0; i < n; i++) t[i] = v[order[i]];
  memcpy(v, t, sizeof(int) * n);
}

const int kPrismOrder[6][6] = {{0, 1, 2, 3, 4, 5}, {1, 2, 0, 4, 5, 3}, {2, 0, 1, 5, 3, 4},
                               {3, 5, 4, 0, 2, 1}, {4, 3, 5, 1, 0, 2}, {5, 4, 3, 2, 1, 0}};
const int kHexOrder[8][8] = {{0, 1, 2, 3, 4, 5, 6, 7}, {1, 2, 3, 0, 5, 6, 7, 4},
                             {2, 3, 0, 1, 6, 7, 4, 5}, {3, 0, 1, 2, 7, 4, 5, 6},
                             {4, 7, 6, 5, 0, 3, 2, 1}, {5, 4, 7, 6, 1, 0, 3, 2},
                             {6, 5, 4, 7, 2, 1, 0, 3}, {7, 6, 5, 4, 3, 2, 1, 0}};

// Smallest vertex number first, by a symmetry of the element that keeps its orientation.
void normalise(int kind, int *v) {
  switch (kind) {
    case KmfTriangles: rotate(v, 3, firstMin(v, 3)); break;
    case KmfQuadrilaterals: rotate(v, 4, firstMin(v, 4)); break;
    case KmfPyramids: rotate(v, 4, firstMin(v, 4)); break;
    case KmfPrisms: permute(v, kPrismOrder[firstMin(v, 6)], 6); break;
    case KmfHexahedra: permute(v, kHexOrder[firstMin(v, 8)], 8); break;
    case KmfTetrahedra: {
      int a = firstMin(v, 4), d = 0;
      for (int i = 1; i < 4; i++)
        if (v[i] > v[d]) d = i;
      if (a == d) break;  // every node the same: nothing to order
      int p[4] = {a, -1, -1, d}, k = 1;
      for (int i = 0; i < 4; i++)
        if (i != a && i != d) p[k++] = i;
      // An odd permutation would turn the element inside out: swap the middle two.
      int inv = 0;
      for (int i = 0; i < 4; i++)
        for (int j = i + 1; j < 4; j++) inv += p[i] > p[j];
      if (inv & 1) {
        int t = p[1];
        p[1] = p[2];
        p[2] = t;
      }
      permute(v, p, 4);
      break;
    }
    default: break;
  }
}

// Where one kind's records go.
struct Target {
  int *Nbr, *Max, *Fil;
  const char *Full;  // message when the capacity is exceeded
};

Target targetOf(Geometric_Mesh *m, int kind) {
  switch (kind) {
    case KmfEdges: return {&m->NbrEfr, &m->MaxNbrEfr, &m->NbrFilEfr, "  ## ERROR LoadSU2Elements: boundary edge out of bound (id=%d, max=%d)\n"};
    case KmfTriangles: return {&m->NbrTri, &m->MaxNbrTri, &m->NbrFilTri, "  ## ERROR LoadSU2Elements: triangle out of bound (tid=%d)\n"};
    case KmfQuadrilaterals: return {&m->NbrQua, &m->MaxNbrQua, &m->NbrFilQua, "  ## ERROR LoadSU2Elements: quad out of bound (id=%d)\n"};
    case KmfTetrahedra: return {&m->NbrTet, &m->MaxNbrTet, &m->NbrFilTet, "  ## ERROR LoadSU2Elements: tetra out of bound (tid=%d)\n"};
    case KmfHexahedra: return {&m->NbrHex, &m->MaxNbrHex, &m->NbrFilHex, "  ## ERROR LoadSU2Elements: hexahedron out of bound (hid=%d)\n"};
    case KmfPrisms: return {&m->NbrPri, &m->MaxNbrPri, nullptr, "  ## ERROR LoadSU2Elements: prism out of bound (id=%d)\n"};
    default: return {&m->NbrPyr, &m->MaxNbrPyr, nullptr, "  ## ERROR LoadSU2Elements: pyramid out of bound (id=%d)\n"};
  }
}

template <class R>
void storeRecord(R *arr, int i, const int *v, int n, int ref, uint32_t tag) {
  R *r = &arr[i];
  memset(r, 0, sizeof(R));
  memcpy(r->Ver, v, sizeof(int) * n);
  r->Ref = ref;
  r->Tag = tag;
}

// Appends one element; false when its kind is full.
bool storeElement(Geometric_Mesh *m, int kind, const int *v, int ref, uint32_t tag) {
  Target t = targetOf(m, kind);
  int i = *t.Nbr + 1;
  bool noArray = false;
  switch (kind) {
    case KmfEdges: noArray = !m->Efr; break;
    case KmfTriangles: noArray = !m->Tri; break;
    case KmfQuadrilaterals: noArray = !m->Qua; break;
    case KmfTetrahedra: noArray = !m->Tet; break;
    case KmfHexahedra: noArray = !m->Hex; break;
    case KmfPrisms: noArray = !m->Pri; break;
    default: noArray = !m->Pyr; break;
  }
  if (i > *t.Max || noArray) {
    printf(t.Full, i, *t.Max);
    return false;
  }
  switch (kind) {
    case KmfEdges: storeRecord(m->Efr, i, v, 2, ref, tag); break;
    case KmfTriangles: storeRecord(m->Tri, i, v, 3, ref, tag); break;
    case KmfQuadrilaterals: storeRecord(m->Qua, i, v, 4, ref, tag); break;
    case KmfTetrahedra: storeRecord(m->Tet, i, v, 4, ref, tag); break;
    case KmfHexahedra: storeRecord(m->Hex, i, v, 8, ref, tag); break;
    case KmfPrisms: storeRecord(m->Pri, i, v, 6, ref, tag); break;
    default: storeRecord(m->Pyr, i, v, 5, ref, tag); break;
  }
  (*t.Nbr)++;
  if (t.Fil) (*t.Fil)++;
  if (kind == KmfQuadrilaterals || kind == KmfHexahedra || kind == KmfPrisms || kind == KmfPyramids)
    m->GeoFlags |= GEO_HYBRID;
  return true;
}

bool isCoordinateColumn(const std::string &col) {
  return col == "\"PointID\"" || col == "\"x\"" || col == "\"y\"" || col == "\"z\"";
}

// Splits a record at tabs and commas; tokens are trimmed of blanks and line ends.
template <class F>
void splitColumns(const char *line, F f) {
  const char *p = line;
  for (;;) {
    const char *q = p;
    while (*q && *q != '\t' && *q != ',') q++;
    const char *b = p, *e = q;
    while (b < e && (*b == ' ' || *b == '\r' || *b == '\n')) b++;
    while (e > b && (e[-1] == ' ' || e[-1] == '\r' || e[-1] == '\n')) e--;
    f(b, static_cast<size_t>(e - b));
    if (!*q) break;
    p = q + 1;
  }
}

int refuseFile(Function_Interface *fi, int code) {
  fi->ErrCod = code;
  fi->Status |= STATUS_FILE_UNREADABLE;
  return 0;
}

}  // namespace

int GetSU2KeywordValue(FILE *f, const char *key) {
  Su2Reader r(f, true);
  return keywordValue(r.Rd, key);
}

int GetSU2KeywordValueStr(FILE *f, const char *key, char *out, size_t outSize) {
  Su2Reader r(f, true);
  return keywordWord(r.Rd, key, out, outSize);
}

void cvt_FileReadNInt(FILE *f, int n) {
  Su2Reader r(f, true);
  int d;
  for (int i = 0; r.Rd && i < n; i++)
    if (!readInt(r.Rd, &d)) return;
}

ssize_t mygetstr(char **lineptr, size_t *n, FILE *stream, char delim, size_t offset) {
  if (!lineptr || !n || !stream) {
    errno = EINVAL;
    return -1;
  }
  if (!*lineptr) {
    *n = 64;
    *lineptr = static_cast<char *>(Alloc(nullptr, nullptr, *n, "A %s = %s IN FUNCTION %s LINE %d ",
                                         "*lineptr", "64", __func__, __LINE__));
    if (!*lineptr) {
      errno = ENOMEM;
      return -1;
    }
  }
  if (*n < offset) {
    errno = EINVAL;
    return -1;
  }
  size_t avail = *n - offset;
  char *pos = *lineptr + offset;
  for (;;) {
    if (avail < 2) {
      size_t grown = *n > 64 ? *n * 2 : *n + 64;
      char *p = static_cast<char *>(ReAlloc(nullptr, *lineptr, grown, "R %s = %s IN FUNCTION %s LINE %d ",
                                            "*lineptr", "grown", __func__, __LINE__));
      if (!p) {
        errno = ENOMEM;
        return -1;
      }
      avail = grown - static_cast<size_t>(pos - *lineptr);
      pos = p + (pos - *lineptr);
      *lineptr = p;
      *n = grown;
    }
    if ((*lineptr + *n) != (pos + avail)) {
      fprintf(stderr, "mygetstr: assertion failed: (*lineptr + *n) == (read_pos + nchars_avail)\n");
      abort();
    }
    int c = getc(stream);
    if (c == EOF) {
      if (ferror(stream) || pos == *lineptr + offset) return -1;
      break;
    }
    *pos++ = static_cast<char>(c);
    avail--;
    if (c == delim) break;
  }
  *pos = 0;
  return pos - (*lineptr + offset);
}

ssize_t mygetline(char **lineptr, size_t *n, FILE *stream) { return mygetstr(lineptr, n, stream, '\n', 0); }

int AddSU2MeshSize(Function_Interface *fi, const char *name, int *SizMsh) {
  // A null name ends the process in GetInputFileType.
  if (GetInputFileType(name) != FILE_TYPE_SU2 || !SizMsh) return 0;
  FILE *f = fopen(name, "r");
  if (!f) {
    printf("  -- Info : Tried to open %s. Failed.\n", name);
    return 0;
  }
  // Counts come from the file: none may promise more lines than the file can hold (a line
  // takes at least two bytes), or the mesh would be created for what is not there.
  int64_t room = 0;
  if (fseeko(f, 0, SEEK_END) == 0) room = ftello(f) / 2;
  rewind(f);
  Su2Reader reader(f, false);
  KmfTextBuffer *rd = reader.Rd;
  if (!rd) {
    fclose(f);
    fprintf(stderr, "  ## ERROR: ADDSU2MESHSIZE: NOT ENOUGH MEMORY TO READ %s\n", name);
    return refuseFile(fi, ERR_NOT_ALLOCATED);
  }
  auto fits = [&](int n) { return n >= 0 && n <= room; };
  int64_t cnt[64] = {0};  // by kind code: 5..10 and 49 mapped below
  auto slot = [](int kind) { return kind == KmfPyramids ? 11 : kind; };
  bool ok = true;
  int dim = keywordValue(rd, "NDIME=");
  KmfReaderSeek(rd, 0);
  int nelem = keywordValue(rd, "NELEM=");
  ok = fits(nelem);
  for (int i = 0; ok && i < nelem; i++) {
    int type;
    ok = readInt(rd, &type);
    if (ok && su2Type(type).Kind) cnt[slot(su2Type(type).Kind)]++;
    skipLine(rd);
  }
  KmfReaderSeek(rd, 0);
  int npoin = keywordValue(rd, "NPOIN=");
  KmfReaderSeek(rd, 0);
  int nmark = keywordValue(rd, "NMARK=");
  ok = ok && fits(npoin) && fits(nmark);
  for (int j = 0; ok && j < nmark; j++) {
    int k = keywordValue(rd, "MARKER_ELEMS=");
    ok = fits(k);
    for (int i = 0; ok && i < k; i++) {
      int type;
      ok = readInt(rd, &type);
      if (ok && isBoundaryType(type)) cnt[slot(su2Type(type).Kind)]++;
      skipLine(rd);
    }
  }
  fclose(f);  // the reader only keeps its buffer
  const int kinds[] = {KmfEdges, KmfTriangles, KmfQuadrilaterals, KmfTetrahedra, KmfPrisms,
                       KmfHexahedra, KmfPyramids};
  int64_t total[KmfMaxKwd + 1] = {0};
  total[KmfVertices] = static_cast<int64_t>(SizMsh[KmfVertices]) + npoin;
  for (int k : kinds) total[k] = SizMsh[k] + cnt[slot(k)];
  for (int k : kinds) ok = ok && total[k] <= INT_MAX - 2;
  ok = ok && total[KmfVertices] <= INT_MAX - 2;
  if (!ok) {
    fprintf(stderr, "  ## ERROR: ADDSU2MESHSIZE: INVALID OR TRUNCATED FILE %s\n", name);
    return refuseFile(fi, ERR_BAD_DATA);
  }
  SizMsh[3] = dim;
  SizMsh[KmfVertices] = static_cast<int>(total[KmfVertices]);
  for (int k : kinds) SizMsh[k] = static_cast<int>(total[k]);
  SizMsh[KmfFileType] = FILE_TYPE_SU2;
  return 1;
}

int LoadSU2Mesh(Function_Interface *fi, const char *name, Geometric_Mesh *msh) {
  if (!name || !msh) {
    fprintf(stderr, "  ## ERROR: LOADMESH: MESH/FILE NAME NOT ALLOCATED \n");
    fi->ErrCod = ERR_BAD_HANDLE;
    return 0;
  }
  FILE *f = GetInputFileType(name) == FILE_TYPE_SU2 ? fopen(name, "r") : nullptr;
  if (!f) {
    printf("  -- Info : Tried to open %s. Failed.\n", name);
    return 0;
  }
  struct Closer {
    FILE *f;
    ~Closer() { fclose(f); }
  } closer{f};
  Su2Reader reader(f, false);
  KmfTextBuffer *rd = reader.Rd;
  if (!rd) {
    fprintf(stderr, "  ## ERROR: LOADSU2MESH: NOT ENOUGH MEMORY TO READ %s\n", name);
    return refuseFile(fi, ERR_NOT_ALLOCATED);
  }
  int dim = keywordValue(rd, "NDIME=");
  if (dim != 2 && dim != 3) {
    fprintf(stderr, "  ## ERROR SU2: WRONG DIMENSION NUMBER FOR MESH FILE %s (DIM=%d).\n", name, dim);
    return refuseFile(fi, ERR_BAD_DATA);
  }
  if (msh->Dim == 0) msh->Dim = dim;

  // Vertices, appended after those of earlier files.
  KmfReaderSeek(rd, 0);
  char word[WordMax + 1];
  if (!findKey(rd, "NPOIN=", word)) {
    fprintf(stderr, "  ## ERROR: INVALID SU2 FILE (NPOIN).\n");
    return refuseFile(fi, ERR_BAD_DATA);
  }
  // The count is read from the word just found (unless it was cut) instead of searching the
  // file from its start again.
  size_t found = strlen(word);
  KmfReaderSeek(rd, found < WordMax ? KmfReaderTell(rd) - static_cast<int64_t>(found) : 0);
  int npoin = keywordValue(rd, "NPOIN=");
  int NbrVer0 = msh->NbrVer;
  if (npoin < 0 || !msh->Ver || static_cast<int64_t>(NbrVer0) + npoin > msh->MaxNbrVer) {
    fprintf(stderr, "  ## ERROR: LoadSU2Vertices: INCONSISTENT NUMBER OF VERTICES.\n");
    return refuseFile(fi, ERR_BAD_DATA);
  }
  double *box = msh->Box;
  for (int i = NbrVer0 + 1; i <= NbrVer0 + npoin; i++) {
    Vertex *v = &msh->Ver[i];
    memset(v, 0, sizeof(Vertex));
    bool ok = true;
    for (int j = 0; j < dim; j++) ok = ok && KmfReaderReal(rd, &v->Crd[j]);
    ok = ok && readInt(rd, &v->Ref);
    if (!ok) {
      fprintf(stderr, "  ## ERROR: LoadSU2Vertices: FILE %s ENDS IN VERTEX %d.\n", name, i - NbrVer0);
      msh->NbrVer = i - 1;
      return refuseFile(fi, ERR_BAD_DATA);
    }
    skipLine(rd);
    v->Tag = TAG_ALIVE;
    if (i == 1)
      for (int j = 0; j < 3; j++) box[j] = box[j + 3] = v->Crd[j];
    for (int j = 0; j < 3; j++) {
      if (v->Crd[j] < box[j]) box[j] = v->Crd[j];
      if (v->Crd[j] > box[j + 3]) box[j + 3] = v->Crd[j];
    }
  }
  msh->NbrVer += npoin;

  // Elements, then the boundary elements of every marker with the marker's number as
  // reference. Elements with a node out of the file's range stay in, not alive.
  BadEntries bad;
  auto readElement = [&](int type, int ref) -> int {
    Su2Type t = su2Type(type);
    int v[8];
    for (int j = 0; j < t.NbrNod; j++)
      if (!readInt(rd, &v[j])) return -1;
    skipLine(rd);
    // Every node outside 0 .. npoin-1 makes the element invalid, negative ones included; the
    // first such node is reported.
    int badNode = 0;
    bool valid = true;
    for (int j = 0; j < t.NbrNod; j++) {
      if (valid && (v[j] < 0 || v[j] >= npoin)) {
        badNode = v[j];
        valid = false;
      }
      v[j] = v[j] < INT_MAX ? v[j] + 1 : v[j];
    }
    uint32_t tag = 0;
    if (valid) {
      for (int j = 0; j < t.NbrNod; j++) v[j] += NbrVer0;
      normalise(t.Kind, v);
      tag = TAG_ALIVE;
    } else {
      bad.add(badNode);
      if (bad.Nbr <= BadEntries::Max) printf("  ## ERROR LoadSU2Elements: vertex out of bound (vid=%d)\n", badNode);
    }
    return storeElement(msh, t.Kind, v, ref, tag) ? 1 : 0;
  };
  auto truncated = [&]() {
    fprintf(stderr, "  ## ERROR: LoadSU2Elements: FILE %s ENDS INSIDE AN ELEMENT SECTION.\n", name);
    return refuseFile(fi, ERR_BAD_DATA);
  };
  KmfReaderSeek(rd, 0);
  int nelem = keywordValue(rd, "NELEM=");
  for (int i = 0; i < nelem; i++) {
    int type;
    if (!readInt(rd, &type)) return truncated();
    if (!su2Type(type).Kind) {
      skipLine(rd);
      continue;
    }
    int r = readElement(type, 1);
    if (r < 0) return truncated();
    if (r == 0) return refuseFile(fi, ERR_CAPACITY);
  }
  KmfReaderSeek(rd, 0);
  int nmark = keywordValue(rd, "NMARK=");
  for (int j = 1; j <= nmark; j++) {
    char tag[SolFldNamLen + 1];
    if (!keywordWord(rd, "MARKER_TAG=", tag, sizeof(tag))) return truncated();
    printf("      Tag %s becomes reference %d\n", tag, j);
    int k = keywordValue(rd, "MARKER_ELEMS=");
    for (int i = 0; i < k; i++) {
      int type;
      if (!readInt(rd, &type)) return truncated();
      if (!isBoundaryType(type)) {
        skipLine(rd);
        continue;
      }
      int r = readElement(type, j);
      if (r < 0) return truncated();
      if (r == 0) return refuseFile(fi, ERR_CAPACITY);
    }
  }
  if (bad.Nbr) {
    fi->ErrCod = ERR_BAD_DATA;
    fprintf(stderr, "  ## ERROR: LOADSU2MESH: %d INVALID ELEMENTS FOUND WITH OUT OF BOUND VALUE [1-%d]\n",
            bad.Nbr, npoin);
    EndInvalidReport(fi, bad);
  }
  PrintLoadBox(msh);
  return 1;
}

int FitSU2SolSize(int mode, Function_Interface *fi, const char *name, int *SizMsh) {
  if (!name || !SizMsh) return 0;
  char dat[FileNameMax + 1] = "";
  FILE *f = Su2SolutionName(name, dat, sizeof(dat)) ? fopen(dat, "r") : nullptr;
  if (!f) {
    if (mode != 1) {
      fprintf(stderr, "  ## ERROR: FITSOLSIZE: CANNOT OPEN %s\n", dat);
      fi->ErrCod = ERR_BAD_DATA;
      fi->Status |= STATUS_FILE_UNREADABLE;
    }
    return 0;
  }
  char *line = nullptr;
  size_t size = 0;
  int nfld = 0;
  if (mygetline(&line, &size, f) > 0)
    splitColumns(line, [&](const char *b, size_t n) {
      if (n && !isCoordinateColumn(std::string(b, n))) nfld++;
    });
  if (line) Free(nullptr, line, "F %s IN FUNCTION %s LINE %d ", "line", __func__, __LINE__);
  fclose(f);
  if (nfld > KmfMaxSizMsh + 10 - KmfSolTypes) nfld = 0;
  SizMsh[KmfSolAtVertices] = 1;
  SizMsh[KmfSolSizTot] = nfld;
  SizMsh[KmfSolNbrFld] = nfld;
  for (int t = 0; t < nfld; t++) SizMsh[KmfSolTypes + t] = SOL_SCALAR;
  return 1;
}

int LoadSU2Solution(Function_Interface *fi, const char *name, Geometric_Mesh *msh) {
  if (!name || !msh) {
    fprintf(stderr, "  ## ERROR: LOADMESH: MESH/FILE NAME NOT ALLOCATED \n");
    fi->ErrCod = ERR_BAD_HANDLE;
    return 0;
  }
  char dat[FileNameMax + 1] = "";
  bool named = Su2SolutionName(name, dat, sizeof(dat));
  Geometric_Solution *sol = msh->SolAtVer;
  if (!sol || !sol->Sol || sol->SizTot < 1) {
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: THE MESH HAS NO SOLUTION AT VERTICES FOR %s. \n", dat);
    fi->ErrCod = ERR_NOT_ALLOCATED;
    return 0;
  }
  FILE *f = named ? fopen(dat, "r") : nullptr;
  if (!f) {
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: UNABLE TO OPEN %s. \n", dat);
    return refuseFile(fi, ERR_BAD_DATA);
  }
  sol->FileType = FILE_TYPE_SU2;
  char *line = nullptr;
  size_t size = 0;
  int first = 0, fld = 0;
  if (mygetline(&line, &size, f) > 0)
    splitColumns(line, [&](const char *b, size_t n) {
      std::string col(b, n);
      if (!n) return;
      if (isCoordinateColumn(col)) {
        first++;
      } else if (fld < sol->NbrFld && sol->FldNam) {
        snprintf(sol->FldNam[fld++], SolFldNamLen + 1, "%s", col.c_str());
      } else {
        fld++;
      }
    });
  // Values of this file go after the vertices of earlier files.
  const int base = msh->NbrSolVer;
  const int nver = msh->NbrVer - base;
  const int S = sol->SizTot;
  int result = 1, top = 0;
  if (fld != sol->NbrFld) {
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: %s HOLDS %d FIELDS, THE MESH SOLUTION %d. \n", dat, fld, sol->NbrFld);
    fi->ErrCod = ERR_BAD_DATA;
    result = 0;
  }
  if (result && base == 0)
    for (int k = 0; k < sol->NbrFld; k++) {
      sol->Box[k][0] = DBL_MAX;
      sol->Box[k][1] = -DBL_MAX;
    }
  Su2Reader rows(f, true);
  if (!rows.Rd) {
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: NOT ENOUGH MEMORY TO READ %s. \n", dat);
    fi->ErrCod = ERR_NOT_ALLOCATED;
    result = 0;
  }
  while (result && readRow(rows.Rd, &line, &size) > 0) {
    int col = 0;
    long p = -1;
    bool blank = true;
    double *val = nullptr;
    splitColumns(line, [&](const char *b, size_t n) {
      if (n) blank = false;
      if (col == 0) {
        char *end = nullptr;
        p = n ? strtol(b, &end, 10) : -1;
        if (p < 0 || p >= nver) {
          result = 0;
        } else {
          val = sol->Sol + (static_cast<int64_t>(base) + p + 1) * S;
          if (p + 1 > top) top = static_cast<int>(p + 1);
        }
      } else if (val && col >= first && col - first < S) {
        double x = datValue(b, n);
        int k = col - first;
        val[k] = x;
        if (x < sol->Box[k][0]) sol->Box[k][0] = x;
        if (x > sol->Box[k][1]) sol->Box[k][1] = x;
      }
      col++;
    });
    if (blank) {
      result = 1;
      continue;
    }
    if (!result) {
      fprintf(stderr, "  ## ERROR: LOADSU2SOL: VERTEX OUT OF BOUND. \n");
      fi->ErrCod = ERR_BAD_DATA;
    }
  }
  if (line) Free(nullptr, line, "F %s IN FUNCTION %s LINE %d ", "line", __func__, __LINE__);
  rows.Close();
  fclose(f);
  if (result) msh->NbrSolVer = base + top;
  return result;
}

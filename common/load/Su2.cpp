// SU2 meshes: a size pass that counts the elements of every type, a load pass that appends
// vertices and elements to the mesh (node orders normalised, markers as references), and the
// ".dat" vertex solution with one scalar field per named column.
#include "common/load/Su2.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <charconv>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/ShownName.h"
#include "common/base/UserFile.h"
#include "common/kmf/KmfStream.h"
#include "common/load/LoadInternal.h"
#include "common/load/LoadNotices.h"
#include "common/base/Memory.h"

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

// SU2 meshes and their ".dat" files are read only when they are regular files, and only as
// far as they reached when opened.
FILE *openText(const char *name, int64_t *size) { return OpenUserFile(name, UserFileBounded, size); }

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

// The value of the word just found by findKey, read from the rest of the word or from the
// next word; the rest of the line is skipped.
int valueAfterKey(KmfTextBuffer *rd, const char *key, const char *word) {
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

int keywordValue(KmfTextBuffer *rd, const char *key) {
  char word[WordMax + 1];
  if (!rd || !key || !findKey(rd, key, word)) {
    keywordMissing(key);
    return 0;
  }
  return valueAfterKey(rd, key, word);
}

// The number of markers: a file without "NMARK=" has none (generators leave the section out
// when no boundary is tagged). Searched from the start of the file.
int markerCount(KmfTextBuffer *rd) {
  char word[WordMax + 1];
  KmfReaderSeek(rd, 0);
  return findKey(rd, "NMARK=", word) ? valueAfterKey(rd, "NMARK=", word) : 0;
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

// A cell of a ".dat" row read as a number: true when the whole cell is one (the blanks around
// it are already trimmed); beyond the range of a double it goes to zero or to infinity.
bool datNumber(const char *b, size_t n, double *x) {
  const char *e = b + n;
  if (b < e && *b == '+' && b + 1 < e && b[1] != '-') b++;
  auto res = std::from_chars(b, e, *x);
  if (b == e || res.ptr != e) return false;
  if (res.ec == std::errc::result_out_of_range) {
    const char *ex = std::find_if(b, res.ptr, [](char c) { return c == 'e' || c == 'E'; });
    double mag = ex + 1 < res.ptr && ex[1] == '-' ? 0.0 : std::numeric_limits<double>::infinity();
    *x = *b == '-' ? -mag : mag;
    return true;
  }
  return res.ec == std::errc();
}

// One element type of SU2 files (a VTK cell number): its kind and nodes, and where its
// records go with the message when they do not fit.
struct Su2Kind {
  int Vtk, Kind, NbrNod;
  bool Boundary;             // marker sections hold it
  bool Hybrid;               // raises the mesh's hybrid flag
  int Geometric_Mesh::*Nbr;
  int Geometric_Mesh::*Max;
  int Geometric_Mesh::*Fil;  // count of elements read from files, or null
  // Writes record i, cleared, with the nodes, reference and tag; false when the array is missing.
  bool (*Store)(Geometric_Mesh *m, int i, const int *v, int n, int ref, uint32_t tag);
  const char *Full;
};

template <class R, R *Geometric_Mesh::*Arr>
bool storeIn(Geometric_Mesh *m, int i, const int *v, int n, int ref, uint32_t tag) {
  R *r = m->*Arr;
  if (!r) return false;
  r += i;
  memset(r, 0, sizeof(R));
  memcpy(r->Ver, v, sizeof(int) * n);
  r->Ref = ref;
  r->Tag = tag;
  return true;
}

using GM = Geometric_Mesh;
const Su2Kind kSu2Kinds[] = {
    {3, KmfEdges, 2, true, false, &GM::NbrEfr, &GM::MaxNbrEfr, &GM::NbrFilEfr, storeIn<BdyEdge, &GM::Efr>,
     "  ## ERROR LoadSU2Elements: boundary edge out of bound (id=%d, max=%d)\n"},
    {5, KmfTriangles, 3, true, false, &GM::NbrTri, &GM::MaxNbrTri, &GM::NbrFilTri, storeIn<Triangle, &GM::Tri>,
     "  ## ERROR LoadSU2Elements: triangle out of bound (tid=%d)\n"},
    {9, KmfQuadrilaterals, 4, true, true, &GM::NbrQua, &GM::MaxNbrQua, &GM::NbrFilQua, storeIn<Quadrilateral, &GM::Qua>,
     "  ## ERROR LoadSU2Elements: quad out of bound (id=%d)\n"},
    {10, KmfTetrahedra, 4, false, false, &GM::NbrTet, &GM::MaxNbrTet, &GM::NbrFilTet, storeIn<Tetrahedron, &GM::Tet>,
     "  ## ERROR LoadSU2Elements: tetra out of bound (tid=%d)\n"},
    {12, KmfHexahedra, 8, false, true, &GM::NbrHex, &GM::MaxNbrHex, &GM::NbrFilHex, storeIn<Hexahedron, &GM::Hex>,
     "  ## ERROR LoadSU2Elements: hexahedron out of bound (hid=%d)\n"},
    {13, KmfPrisms, 6, false, true, &GM::NbrPri, &GM::MaxNbrPri, nullptr, storeIn<Prism, &GM::Pri>,
     "  ## ERROR LoadSU2Elements: prism out of bound (id=%d)\n"},
    {14, KmfPyramids, 5, false, true, &GM::NbrPyr, &GM::MaxNbrPyr, nullptr, storeIn<Pyramid, &GM::Pyr>,
     "  ## ERROR LoadSU2Elements: pyramid out of bound (id=%d)\n"},
};
const int kNbrSu2Kinds = sizeof(kSu2Kinds) / sizeof(kSu2Kinds[0]);

// The row of a VTK cell number, null for a type SU2 meshes do not use here.
const Su2Kind *su2Kind(int vtk) {
  for (const Su2Kind &k : kSu2Kinds)
    if (k.Vtk == vtk) return &k;
  return nullptr;
}

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

// Appends one element; false after the message when its kind is full.
bool storeElement(Geometric_Mesh *m, const Su2Kind &k, const int *v, int ref, uint32_t tag) {
  int i = m->*k.Nbr + 1;
  if (i > m->*k.Max || !k.Store(m, i, v, k.NbrNod, ref, tag)) {
    printf(k.Full, i, m->*k.Max);
    return false;
  }
  m->*k.Nbr += 1;
  if (k.Fil) m->*k.Fil += 1;
  if (k.Hybrid) m->GeoFlags |= GEO_HYBRID;
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

// The one line that refuses a ".dat" table: the row (its line in the file, the header being
// row 1), the column (from 1) and what is wrong there. Returns 0.
int refuseCell(Function_Interface *fi, const char *dat, int64_t row, int col, const char *what, const char *b = nullptr,
               size_t n = 0) {
  const std::string file = ShownName(dat);
  if (b)
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: %s ROW %lld COLUMN %d: %s \"%s\" \n", file.c_str(),
            static_cast<long long>(row), col, what, ShownName(std::string_view(b, std::min<size_t>(n, 40))).c_str());
  else
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: %s ROW %lld COLUMN %d: %s \n", file.c_str(), static_cast<long long>(row),
            col, what);
  fi->ErrCod = ERR_BAD_DATA;
  return 0;
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

namespace {

// Counts the element lines of one section by row of kSu2Kinds (marker sections: boundary
// types only); false when the file ends first.
bool countSection(KmfTextBuffer *rd, int n, bool markers, int64_t *cnt) {
  for (int i = 0; i < n; i++) {
    int type;
    if (!readInt(rd, &type)) return false;
    const Su2Kind *k = su2Kind(type);
    if (k && (k->Boundary || !markers)) cnt[k - kSu2Kinds]++;
    skipLine(rd);
  }
  return true;
}

// The size pass over an open reader: vertices and elements by row of kSu2Kinds. Counts come
// from the file: none may promise more lines than the file can hold (room), or the mesh
// would be created for what is not there.
bool countFile(KmfTextBuffer *rd, int64_t room, int64_t *npoin, int64_t *cnt) {
  auto fits = [&](int n) { return n >= 0 && n <= room; };
  int nelem = keywordValue(rd, "NELEM=");
  bool ok = fits(nelem) && countSection(rd, nelem, false, cnt);
  KmfReaderSeek(rd, 0);
  int np = keywordValue(rd, "NPOIN=");
  int nmark = markerCount(rd);
  ok = ok && fits(np) && fits(nmark);
  char word[WordMax + 1];
  for (int j = 0; ok && j < nmark; j++) {
    // Fewer markers than announced: said once, and the markers found are counted, as the
    // load pass stops at the first missing one.
    if (!findKey(rd, "MARKER_ELEMS=", word)) {
      keywordMissing("MARKER_ELEMS=");
      break;
    }
    int k = valueAfterKey(rd, "MARKER_ELEMS=", word);
    ok = fits(k) && countSection(rd, k, true, cnt);
  }
  *npoin = np;
  return ok;
}

}  // namespace

int AddSU2MeshSize(Function_Interface *fi, const char *name, int *SizMsh) {
  // A null name ends the process in GetInputFileType.
  if (GetInputFileType(name) != FILE_TYPE_SU2 || !SizMsh) return 0;
  int64_t room = 0;
  FILE *f = openText(name, &room);
  if (!f) {
    printf("  -- Info : Tried to open %s. Failed.\n", ShownName(name).c_str());
    return 0;
  }
  room /= 2;  // a line takes at least two bytes
  Su2Reader reader(f, false);
  if (!reader.Rd) {
    fclose(f);
    fprintf(stderr, "  ## ERROR: ADDSU2MESHSIZE: NOT ENOUGH MEMORY TO READ %s\n", ShownName(name).c_str());
    return refuseFile(fi, ERR_NOT_ALLOCATED);
  }
  int64_t npoin = 0, cnt[kNbrSu2Kinds] = {0};
  bool ok = countFile(reader.Rd, room, &npoin, cnt);
  fclose(f);  // the reader only keeps its buffer
  auto sum = [&](int kind, int64_t n) { return static_cast<int64_t>(SizMsh[kind]) + n; };
  ok = ok && sum(KmfVertices, npoin) <= INT_MAX - 2;
  for (int r = 0; r < kNbrSu2Kinds; r++) ok = ok && sum(kSu2Kinds[r].Kind, cnt[r]) <= INT_MAX - 2;
  if (!ok) {
    fprintf(stderr, "  ## ERROR: ADDSU2MESHSIZE: INVALID OR TRUNCATED FILE %s\n", ShownName(name).c_str());
    return refuseFile(fi, ERR_BAD_DATA);
  }
  SizMsh[KmfVertices] += static_cast<int>(npoin);
  for (int r = 0; r < kNbrSu2Kinds; r++) SizMsh[kSu2Kinds[r].Kind] += static_cast<int>(cnt[r]);
  SizMsh[KmfFileType] = FILE_TYPE_SU2;
  return 1;
}

namespace {

// The load of one SU2 mesh file into a mesh, section by section.
struct Su2MeshLoad {
  Function_Interface *Fi;
  Geometric_Mesh *Msh;
  const char *Name;
  KmfTextBuffer *Rd;
  int NbrVer0 = 0, Npoin = 0;
  BadEntries Bad;  // elements with a node out of the file's range

  Su2MeshLoad(Function_Interface *fi, Geometric_Mesh *msh, const char *name, KmfTextBuffer *rd)
      : Fi(fi), Msh(msh), Name(name), Rd(rd) {}

  // The vertices, appended after those of earlier files.
  int vertices(int dim) {
    KmfReaderSeek(Rd, 0);
    char word[WordMax + 1];
    if (!findKey(Rd, "NPOIN=", word)) {
      fprintf(stderr, "  ## ERROR: INVALID SU2 FILE (NPOIN).\n");
      return refuseFile(Fi, ERR_BAD_DATA);
    }
    // The count is read from the word just found (unless it was cut) instead of searching the
    // file from its start again.
    size_t found = strlen(word);
    KmfReaderSeek(Rd, found < WordMax ? KmfReaderTell(Rd) - static_cast<int64_t>(found) : 0);
    Npoin = keywordValue(Rd, "NPOIN=");
    NbrVer0 = Msh->NbrVer;
    if (Npoin < 0 || !Msh->Ver || static_cast<int64_t>(NbrVer0) + Npoin > Msh->MaxNbrVer) {
      fprintf(stderr, "  ## ERROR: LoadSU2Vertices: INCONSISTENT NUMBER OF VERTICES.\n");
      return refuseFile(Fi, ERR_BAD_DATA);
    }
    // The first file starts the mesh's box; later files widen it.
    if (NbrVer0 == 0) BoxEmpty(Msh->Box);
    int64_t nonFinite = 0;
    for (int i = NbrVer0 + 1; i <= NbrVer0 + Npoin; i++) {
      Vertex *v = &Msh->Ver[i];
      memset(v, 0, sizeof(Vertex));
      bool ok = true;
      for (int j = 0; j < dim; j++) ok = ok && KmfReaderReal(Rd, &v->Crd[j]);
      ok = ok && readInt(Rd, &v->Ref);
      if (!ok) {
        fprintf(stderr, "  ## ERROR: LoadSU2Vertices: FILE %s ENDS IN VERTEX %d.\n", ShownName(Name).c_str(),
                i - NbrVer0);
        Msh->NbrVer = i - 1;
        return refuseFile(Fi, ERR_BAD_DATA);
      }
      skipLine(Rd);
      v->Tag = TAG_ALIVE;
      if (!BoxAdd(Msh->Box, v->Crd)) nonFinite++;
    }
    ReportNonFiniteVertices("LoadSU2Vertices", Name, nonFinite);
    Msh->NbrVer += Npoin;
    return 1;
  }

  // One element line after its type: 1 stored, 0 its kind is full, -1 the file ends in it.
  // An element with a node outside 0 .. Npoin-1 (negative ones included) is kept, not
  // alive, and its first such node reported.
  int element(const Su2Kind &k, int ref) {
    int v[8];
    for (int j = 0; j < k.NbrNod; j++)
      if (!readInt(Rd, &v[j])) return -1;
    skipLine(Rd);
    int badNode = 0;
    bool valid = true;
    for (int j = 0; j < k.NbrNod; j++) {
      if (valid && (v[j] < 0 || v[j] >= Npoin)) {
        badNode = v[j];
        valid = false;
      }
      v[j] = v[j] < INT_MAX ? v[j] + 1 : v[j];
    }
    uint32_t tag = 0;
    if (valid) {
      for (int j = 0; j < k.NbrNod; j++) v[j] += NbrVer0;
      normalise(k.Kind, v);
      tag = TAG_ALIVE;
    } else {
      Bad.add(badNode);
      if (Bad.Nbr <= BadEntries::Max) printf("  ## ERROR LoadSU2Elements: vertex out of bound (vid=%d)\n", badNode);
    }
    return storeElement(Msh, k, v, ref, tag) ? 1 : 0;
  }

  // The n element lines of a section, with reference ref (marker sections: boundary types
  // only, the others skipped).
  int section(int n, int ref, bool markers) {
    for (int i = 0; i < n; i++) {
      int type;
      if (!readInt(Rd, &type)) return truncated();
      const Su2Kind *k = su2Kind(type);
      if (!k || (markers && !k->Boundary)) {
        skipLine(Rd);
        continue;
      }
      int r = element(*k, ref);
      if (r < 0) return truncated();
      if (r == 0) return refuseFile(Fi, ERR_CAPACITY);
    }
    return 1;
  }

  // The elements, then the boundary elements of every marker with the marker's number as
  // reference.
  int elements() {
    KmfReaderSeek(Rd, 0);
    if (!section(keywordValue(Rd, "NELEM="), 1, false)) return 0;
    int nmark = markerCount(Rd);
    for (int j = 1; j <= nmark; j++) {
      char tag[SolFldNamLen + 1];
      if (!keywordWord(Rd, "MARKER_TAG=", tag, sizeof(tag))) return truncated();
      printf("      Tag %s becomes reference %d\n", ShownName(tag).c_str(), j);
      if (!section(keywordValue(Rd, "MARKER_ELEMS="), j, true)) return 0;
    }
    return 1;
  }

  int truncated() {
    fprintf(stderr, "  ## ERROR: LoadSU2Elements: FILE %s ENDS INSIDE AN ELEMENT SECTION.\n", ShownName(Name).c_str());
    return refuseFile(Fi, ERR_BAD_DATA);
  }
};

}  // namespace

int LoadSU2Mesh(Function_Interface *fi, const char *name, Geometric_Mesh *msh) {
  if (LoadArgsMissing(fi, "LOADMESH", name, msh)) return 0;
  FILE *f = GetInputFileType(name) == FILE_TYPE_SU2 ? openText(name, nullptr) : nullptr;
  if (!f) {
    printf("  -- Info : Tried to open %s. Failed.\n", ShownName(name).c_str());
    return 0;
  }
  struct Closer {
    FILE *f;
    ~Closer() { fclose(f); }
  } closer{f};
  Su2Reader reader(f, false);
  if (!reader.Rd) {
    fprintf(stderr, "  ## ERROR: LOADSU2MESH: NOT ENOUGH MEMORY TO READ %s\n", ShownName(name).c_str());
    return refuseFile(fi, ERR_NOT_ALLOCATED);
  }
  int dim = keywordValue(reader.Rd, "NDIME=");
  if (dim != 2 && dim != 3) {
    fprintf(stderr, "  ## ERROR SU2: WRONG DIMENSION NUMBER FOR MESH FILE %s (DIM=%d).\n", ShownName(name).c_str(),
            dim);
    return refuseFile(fi, ERR_BAD_DATA);
  }
  if (msh->Dim == 0) msh->Dim = dim;
  Su2MeshLoad load(fi, msh, name, reader.Rd);
  if (!load.vertices(dim) || !load.elements()) return 0;
  if (load.Bad.Nbr) {
    fi->ErrCod = ERR_BAD_DATA;
    fprintf(stderr, "  ## ERROR: LOADSU2MESH: %d INVALID ELEMENTS FOUND WITH OUT OF BOUND VALUE [1-%d]\n",
            load.Bad.Nbr, load.Npoin);
    EndInvalidReport(fi, load.Bad);
  }
  PrintLoadBox(msh);
  return 1;
}

int FitSU2SolSize(int mode, Function_Interface *fi, const char *name, int *SizMsh) {
  if (!name || !SizMsh) return 0;
  char dat[FileNameMax + 1] = "";
  FILE *f = Su2SolutionName(name, dat, sizeof(dat)) ? openText(dat, nullptr) : nullptr;
  if (!f) {
    if (mode != 1) {
      fprintf(stderr, "  ## ERROR: FITSOLSIZE: CANNOT OPEN %s\n", ShownName(dat).c_str());
      fi->ErrCod = ERR_BAD_DATA;
      fi->Status |= STATUS_FILE_UNREADABLE;
    }
    return 0;
  }
  char *line = nullptr;
  size_t size = 0;
  // The size array holds the type of every field: a table of more fields is refused.
  const int maxFld = KmfSizMshLen - KmfSolTypes;
  int nfld = 0, col = 0, over = 0;
  if (mygetline(&line, &size, f) > 0)
    splitColumns(line, [&](const char *b, size_t n) {
      col++;
      if (n && !isCoordinateColumn(std::string(b, n)) && ++nfld == maxFld + 1) over = col;
    });
  if (line) Free(nullptr, line, "F %s IN FUNCTION %s LINE %d ", "line", __func__, __LINE__);
  fclose(f);
  if (over) {
    char what[96];
    snprintf(what, sizeof(what), "%d FIELD COLUMNS, AT MOST %d CAN BE LOADED", nfld, maxFld);
    fi->Status |= STATUS_FILE_UNREADABLE;
    return refuseCell(fi, dat, 1, over, what);
  }
  SizMsh[KmfSolAtVertices] = 1;
  SizMsh[KmfSolSizTot] = nfld;
  SizMsh[KmfSolNbrFld] = nfld;
  for (int t = 0; t < nfld; t++) SizMsh[KmfSolTypes + t] = SOL_SCALAR;
  return 1;
}

namespace {

// The header of a ".dat" file: the coordinate columns it starts with (*first) and the field
// columns after them, whose names go to the solution; returns the number of field columns,
// -1 after the refusal of a table that has no header (its first row holds a number, or does
// not start with the point-number column).
int readDatHeader(Function_Interface *fi, const char *dat, const char *line, Geometric_Solution *sol, int *first) {
  int fld = 0, col = 0, bad = 0;
  bool number = false;
  splitColumns(line, [&](const char *b, size_t n) {
    std::string name(b, n);
    double x;
    col++;
    if (!bad && n && datNumber(b, n, &x)) bad = col, number = true;
    if (!bad && col == 1 && name != "\"PointID\"") bad = col;
    if (!n) return;
    if (isCoordinateColumn(name)) {
      (*first)++;
    } else if (fld < sol->NbrFld && sol->FldNam) {
      snprintf(sol->FldNam[fld++], SolFldNamLen + 1, "%s", name.c_str());
    } else {
      fld++;
    }
  });
  if (!bad) return fld;
  refuseCell(fi, dat, 1, bad, number ? "NO HEADER: A NUMBER WHERE A COLUMN NAME BELONGS" : "NO HEADER: THE FIRST COLUMN IS NOT \"PointID\"");
  return -1;
}

// What the rows of a ".dat" file gave: the highest point number read plus one, the points
// given values (each counted once), and the field cells that are NaN or infinite.
struct DatRows {
  int Top = 0;
  int64_t Points = 0, NonFinite = 0;
};

bool blankRow(const char *line) {
  bool blank = true;
  splitColumns(line, [&](const char *, size_t n) { blank = blank && !n; });
  return blank;
}

// The refusal of a table with a row for a point the mesh has not (row `row`, point `point`):
// the loader's line, then one naming the file, the rows of values it holds (the rest is read
// to count them) and the mesh's vertices. Returns 0.
int refusePoint(Function_Interface *fi, const char *dat, KmfTextBuffer *rd, char **line, size_t *size, int64_t row,
                int64_t rows, long point, int nver) {
  while (readRow(rd, line, size) > 0) rows += !blankRow(*line);
  fprintf(stderr, "  ## ERROR: LOADSU2SOL: VERTEX OUT OF BOUND. \n");
  fprintf(stderr,
          "  ## ERROR: LOADSU2SOL: %s HOLDS %lld ROWS OF VALUES FOR THE %d VERTICES OF ITS MESH: ROW %lld NAMES POINT "
          "%ld, POINTS GO FROM 0 TO %d \n",
          ShownName(dat).c_str(), static_cast<long long>(rows), nver, static_cast<long long>(row), point, nver - 1);
  fi->ErrCod = ERR_BAD_DATA;
  return 0;
}

// The rows of a ".dat" file: row p (its first column) fills the values of vertex base + p + 1
// from column first on, widening the field ranges with its finite values. Blank rows are
// passed over. Every cell up to the last field must be a number and the first a point number
// in 0 .. nver-1: anything else refuses the table in one line naming the row and the column
// (0 returned; a point out of 0 .. nver-1 in two, see refusePoint), since a cell read as 0 or a
// row read short would shift values silently.
int readDatRows(Function_Interface *fi, const char *dat, KmfTextBuffer *rd, char **line, size_t *size,
                Geometric_Solution *sol, int base, int nver, int first, DatRows *got) {
  const int S = sol->SizTot;
  const int need = first + S;  // columns a row must hold
  std::vector<bool> given(static_cast<size_t>(nver > 0 ? nver : 0));
  int64_t row = 1, rows = 0;
  while (readRow(rd, line, size) > 0) {
    row++;
    int col = 0, badCol = 0;
    const char *badCell = nullptr, *what = nullptr;
    size_t badLen = 0;
    bool blank = true, outOfBound = false;
    int point = -1;
    long named = 0;
    double *val = nullptr;
    splitColumns(*line, [&](const char *b, size_t n) {
      if (n) blank = false;
      const int c = col++;
      if (badCol || c >= need) return;
      auto bad = [&](const char *why) {
        badCol = c + 1, badCell = b, badLen = n, what = why;
      };
      if (c == 0) {
        char *end = nullptr;
        const bool digits = n && (std::isdigit(static_cast<unsigned char>(*b)) || *b == '-' || *b == '+');
        const long p = digits ? strtol(b, &end, 10) : -1;
        if (!digits || end != b + n) {
          bad("NOT A POINT NUMBER:");
        } else if (p < 0 || p >= nver) {
          outOfBound = true;
          named = p;
        } else {
          point = static_cast<int>(p);
          val = sol->Sol + (static_cast<int64_t>(base) + p + 1) * S;
        }
        return;
      }
      double x;
      if (!datNumber(b, n, &x)) return bad("NOT A NUMBER:");
      if (!val || c < first) return;
      const int k = c - first;
      val[k] = x;
      if (!std::isfinite(x)) {
        got->NonFinite++;
        return;
      }
      if (x < sol->Box[k][0]) sol->Box[k][0] = x;
      if (x > sol->Box[k][1]) sol->Box[k][1] = x;
    });
    if (blank) continue;
    rows++;
    if (badCol) return refuseCell(fi, dat, row, badCol, what, badCell, badLen);
    if (outOfBound) return refusePoint(fi, dat, rd, line, size, row, rows, named, nver);
    if (col < need) {
      char what[64];
      snprintf(what, sizeof(what), "THE ROW ENDS AFTER %d COLUMNS, %d NEEDED", col, need);
      return refuseCell(fi, dat, row, col + 1, what);
    }
    if (point + 1 > got->Top) got->Top = point + 1;
    if (!given[static_cast<size_t>(point)]) {
      given[static_cast<size_t>(point)] = true;
      got->Points++;
    }
  }
  return 1;
}

}  // namespace

int LoadSU2Solution(Function_Interface *fi, const char *name, Geometric_Mesh *msh, int64_t *points, int vertices) {
  if (points) *points = 0;
  if (LoadArgsMissing(fi, "LOADMESH", name, msh)) return 0;
  char dat[FileNameMax + 1] = "";
  bool named = Su2SolutionName(name, dat, sizeof(dat));
  Geometric_Solution *sol = msh->SolAtVer;
  if (!sol || !sol->Sol || sol->SizTot < 1) {
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: THE MESH HAS NO SOLUTION AT VERTICES FOR %s. \n", ShownName(dat).c_str());
    fi->ErrCod = ERR_NOT_ALLOCATED;
    return 0;
  }
  FILE *f = named ? openText(dat, nullptr) : nullptr;
  if (!f) {
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: UNABLE TO OPEN %s. \n", ShownName(dat).c_str());
    return refuseFile(fi, ERR_BAD_DATA);
  }
  sol->FileType = FILE_TYPE_SU2;
  char *line = nullptr;
  size_t size = 0;
  int first = 0, fld = 0;
  if (mygetline(&line, &size, f) > 0)
    fld = readDatHeader(fi, dat, line, sol, &first);
  else
    fld = refuseCell(fi, dat, 1, 1, "NO HEADER: THE FILE IS EMPTY") - 1;
  // Values of this file go after the vertices of earlier files.
  const int base = msh->NbrSolVer;
  int result = fld >= 0 ? 1 : 0;
  DatRows got;
  if (result && fld != sol->NbrFld) {
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: %s HOLDS %d FIELDS, THE MESH SOLUTION %d. \n", ShownName(dat).c_str(), fld,
            sol->NbrFld);
    fi->ErrCod = ERR_BAD_DATA;
    result = 0;
  }
  if (result && base == 0) ResetFieldRanges(sol);
  Su2Reader rows(f, true);
  if (!rows.Rd) {
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: NOT ENOUGH MEMORY TO READ %s. \n", ShownName(dat).c_str());
    fi->ErrCod = ERR_NOT_ALLOCATED;
    result = 0;
  }
  // Points past this file's own vertices would land on the next file's.
  const int nver = vertices >= 0 && vertices < msh->NbrVer - base ? vertices : msh->NbrVer - base;
  if (result) result = readDatRows(fi, dat, rows.Rd, &line, &size, sol, base, nver, first, &got);
  if (line) Free(nullptr, line, "F %s IN FUNCTION %s LINE %d ", "line", __func__, __LINE__);
  rows.Close();
  fclose(f);
  if (!result) return 0;
  msh->NbrSolVer = base + got.Top;
  if (points) *points = got.Points;
  // Taken as they are, as coordinates are, but said.
  NoticeNonFinite("LOADSU2SOL", dat, got.NonFinite);
  return 1;
}

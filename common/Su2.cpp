// SU2 meshes: a size pass that counts the elements of every type, a load pass that appends
// vertices and elements to the mesh (node orders normalised, markers as references), and the
// ".dat" vertex solution with one scalar field per named column.
#include "common/Su2.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/FunctionInterface.h"
#include "common/LoadInternal.h"
#include "common/Memory.h"
#include "common/MeshLoad.h"

namespace {

enum { WordMax = 1023 };

void skipLine(FILE *f) {
  int c;
  while ((c = getc(f)) != EOF && c != '\n') {
  }
}

// Reads words up to one that begins with key; the word itself is copied to word.
bool findKey(FILE *f, const char *key, char *word) {
  size_t len = strlen(key);
  while (fscanf(f, "%1023s", word) == 1)
    if (!strncmp(word, key, len)) return true;
  return false;
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

// The ".dat" file next to an SU2 mesh: the name cut at its first ".su2", plus ".dat".
std::string datName(const char *name) {
  std::string s(name);
  size_t at = s.find(".su2");
  if (at != std::string::npos) s.resize(at);
  return s + ".dat";
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

int GetInputFileType(const char *name) {
  if (!name) {
    fprintf(stderr, "\n ## ERROR GetInputFileType : No file name provided.\n\n");
    myexit("INTERNAL ERROR ", 100);
  }
  const char *dot = strrchr(name, '.');
  if (!dot) return 0;
  if (!strcmp(dot + 1, "su2")) return FILE_TYPE_SU2;
  if (!strcmp(dot + 1, "dat")) return 3;
  return 0;
}

int GetSU2KeywordValue(FILE *f, const char *key) {
  char word[WordMax + 1];
  if (!f || !key || !findKey(f, key, word)) {
    fprintf(stderr, "  ## ERROR: INVALID SU2 FILE (CHECK KEYWORD: %s).\n", key ? key : "");
    return 0;
  }
  const char *rest = word + strlen(key);
  long v = 0;
  if (*rest) {
    v = strtol(rest, nullptr, 10);
  } else {
    int d = 0;
    if (fscanf(f, "%d", &d) == 1) v = d;
  }
  skipLine(f);
  return v < INT_MIN || v > INT_MAX ? 0 : static_cast<int>(v);
}

int GetSU2KeywordValueStr(FILE *f, const char *key, char *out, size_t outSize) {
  char word[WordMax + 1];
  if (!f || !key || !out || !outSize || !findKey(f, key, word)) {
    fprintf(stderr, "  ## ERROR: INVALID SU2 FILE (CHECK KEYWORD: %s).\n", key ? key : "");
    return 0;
  }
  const char *rest = word + strlen(key);
  char next[WordMax + 1] = "";
  if (!*rest) {
    if (fscanf(f, "%1023s", next) != 1) next[0] = 0;
    rest = next;
  }
  snprintf(out, outSize, "%s", rest);
  skipLine(f);
  return 1;
}

void cvt_FileReadNInt(FILE *f, int n) {
  for (int i = 0; i < n; i++) {
    int d;
    if (fscanf(f, "%d", &d) != 1) return;
  }
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
  if (!name) {
    fprintf(stderr, "\n ## ERROR GetInputFileType : No file name provided.\n\n");
    myexit("INTERNAL ERROR ", 100);
  }
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
  auto fits = [&](int n) { return n >= 0 && n <= room; };
  int64_t cnt[64] = {0};  // by kind code: 5..10 and 49 mapped below
  auto slot = [](int kind) { return kind == KmfPyramids ? 11 : kind; };
  bool ok = true;
  int dim = GetSU2KeywordValue(f, "NDIME=");
  rewind(f);
  int nelem = GetSU2KeywordValue(f, "NELEM=");
  ok = fits(nelem);
  for (int i = 0; ok && i < nelem; i++) {
    int type;
    ok = fscanf(f, "%d", &type) == 1;
    if (ok && su2Type(type).Kind) cnt[slot(su2Type(type).Kind)]++;
    skipLine(f);
  }
  rewind(f);
  int npoin = GetSU2KeywordValue(f, "NPOIN=");
  rewind(f);
  int nmark = GetSU2KeywordValue(f, "NMARK=");
  ok = ok && fits(npoin) && fits(nmark);
  for (int j = 0; ok && j < nmark; j++) {
    int k = GetSU2KeywordValue(f, "MARKER_ELEMS=");
    ok = fits(k);
    for (int i = 0; ok && i < k; i++) {
      int type;
      ok = fscanf(f, "%d", &type) == 1;
      if (ok && isBoundaryType(type)) cnt[slot(su2Type(type).Kind)]++;
      skipLine(f);
    }
  }
  fclose(f);
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
  int dim = GetSU2KeywordValue(f, "NDIME=");
  if (dim != 2 && dim != 3) {
    fprintf(stderr, "  ## ERROR SU2: WRONG DIMENSION NUMBER FOR MESH FILE %s (DIM=%d).\n", name, dim);
    return refuseFile(fi, ERR_BAD_DATA);
  }
  if (msh->Dim == 0) msh->Dim = dim;

  // Vertices, appended after those of earlier files.
  rewind(f);
  char word[WordMax + 1];
  if (!findKey(f, "NPOIN=", word)) {
    fprintf(stderr, "  ## ERROR: INVALID SU2 FILE (NPOIN).\n");
    return refuseFile(fi, ERR_BAD_DATA);
  }
  rewind(f);
  int npoin = GetSU2KeywordValue(f, "NPOIN=");
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
    for (int j = 0; j < dim; j++) ok = ok && fscanf(f, "%lf", &v->Crd[j]) == 1;
    ok = ok && fscanf(f, "%d", &v->Ref) == 1;
    if (!ok) {
      fprintf(stderr, "  ## ERROR: LoadSU2Vertices: FILE %s ENDS IN VERTEX %d.\n", name, i - NbrVer0);
      msh->NbrVer = i - 1;
      return refuseFile(fi, ERR_BAD_DATA);
    }
    skipLine(f);
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
      if (fscanf(f, "%d", &v[j]) != 1) return -1;
    skipLine(f);
    int badNode = -1;
    for (int j = 0; j < t.NbrNod; j++) {
      v[j] += 1;
      if (badNode < 0 && (v[j] < 1 || v[j] > npoin)) badNode = v[j] - 1;
    }
    bool valid = badNode < 0;
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
  rewind(f);
  int nelem = GetSU2KeywordValue(f, "NELEM=");
  for (int i = 0; i < nelem; i++) {
    int type;
    if (fscanf(f, "%d", &type) != 1) return truncated();
    if (!su2Type(type).Kind) {
      skipLine(f);
      continue;
    }
    int r = readElement(type, 1);
    if (r < 0) return truncated();
    if (r == 0) return refuseFile(fi, ERR_CAPACITY);
  }
  rewind(f);
  int nmark = GetSU2KeywordValue(f, "NMARK=");
  for (int j = 1; j <= nmark; j++) {
    char tag[SolFldNamLen + 1];
    if (!GetSU2KeywordValueStr(f, "MARKER_TAG=", tag, sizeof(tag))) return truncated();
    printf("      Tag %s becomes reference %d\n", tag, j);
    int k = GetSU2KeywordValue(f, "MARKER_ELEMS=");
    for (int i = 0; i < k; i++) {
      int type;
      if (fscanf(f, "%d", &type) != 1) return truncated();
      if (!isBoundaryType(type)) {
        skipLine(f);
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
  std::string dat = datName(name);
  FILE *f = fopen(dat.c_str(), "r");
  if (!f) {
    if (mode != 1) {
      fprintf(stderr, "  ## ERROR: FITSOLSIZE: CANNOT OPEN %s\n", dat.c_str());
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
  std::string dat = datName(name);
  Geometric_Solution *sol = msh->SolAtVer;
  if (!sol || !sol->Sol || sol->SizTot < 1) {
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: THE MESH HAS NO SOLUTION AT VERTICES FOR %s. \n", dat.c_str());
    fi->ErrCod = ERR_NOT_ALLOCATED;
    return 0;
  }
  FILE *f = fopen(dat.c_str(), "r");
  if (!f) {
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: UNABLE TO OPEN %s. \n", dat.c_str());
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
    fprintf(stderr, "  ## ERROR: LOADSU2SOL: %s HOLDS %d FIELDS, THE MESH SOLUTION %d. \n", dat.c_str(), fld, sol->NbrFld);
    fi->ErrCod = ERR_BAD_DATA;
    result = 0;
  }
  if (result && base == 0)
    for (int k = 0; k < sol->NbrFld; k++) {
      sol->Box[k][0] = DBL_MAX;
      sol->Box[k][1] = -DBL_MAX;
    }
  while (result && mygetline(&line, &size, f) > 0) {
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
        double x = strtod(b, nullptr);  // stops at the delimiter
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
  fclose(f);
  if (result) msh->NbrSolVer = base + top;
  return result;
}

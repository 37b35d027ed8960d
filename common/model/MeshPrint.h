// Debug printers of the mesh records and tag words, one line per call on standard output.
#pragma once

#include <cstdint>

struct Geometric_Mesh;

// Record sizes and the boundary-face bit values.
void geo_size();
// Waits for one character on standard input (step-by-step tracing).
void bystep();

// Bit fields as '0'/'1' characters, bit 0 first.
void printBitField(uint32_t word);
void printnBitField(uint32_t word, int n);
void print1BitField(uint8_t byte);
void printnLongBitField(uint64_t word, int n);
void printiVec(const int *vec, int n);

// Tag words, field by field.
void printTetTag(uint32_t tag);
void printTriTag(uint32_t tag);
void printVerTag(uint32_t tag);
void printEdgTag(uint32_t tag);

// Records of element i. With a numbering array the element is shown under num[i].
void printTet(const Geometric_Mesh *msh, int i, const int *num = nullptr);
void printTetUsr(const Geometric_Mesh *msh, int i, const int *num = nullptr);
void printP2Tet(const Geometric_Mesh *msh, int i);
void printHex(const Geometric_Mesh *msh, int i);
void printPyr(const Geometric_Mesh *msh, int i);
void printPri(const Geometric_Mesh *msh, int i);
void printQua(const Geometric_Mesh *msh, int i);
void printTri(const Geometric_Mesh *msh, int i, const int *num = nullptr);
void printTriUsr(const Geometric_Mesh *msh, int i, const int *num = nullptr);
void printEdg(const Geometric_Mesh *msh, int i, const int *num = nullptr);
void printEfr(const Geometric_Mesh *msh, int i, const int *num = nullptr);
void printVer(const Geometric_Mesh *msh, int i);
void printVerUsr(const Geometric_Mesh *msh, int i, const int *num);

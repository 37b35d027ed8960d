// The context record every mesh-library routine receives: who calls, how loud it is, the
// option bits steering loading, and what the routine reports back.
#pragma once

#include <cstdint>

struct Memory_List;
struct Common_MthParallel;

// Error codes.
enum {
  ERR_BAD_DATA = 100,      // unreadable file, wrong version or dimension, invalid elements
  ERR_BAD_HANDLE = 200,    // bad file handle or missing argument
  ERR_NOT_ALLOCATED = 300, // an array that should exist is not allocated
  ERR_CAPACITY = 400,      // a capacity is exceeded
};

// Status bits, accumulated over calls and never cleared by the library.
enum : uint32_t {
  STATUS_FILE_UNREADABLE = 4,
  STATUS_BINARY_INPUT = 8,
  STATUS_NO_FILE_NAME = 16,
  STATUS_INVALID_ELEMENTS = 32,
  STATUS_SOLUTION_MISMATCH = 1024,
  STATUS_MESH_UNREADABLE = 2048,  // with STATUS_FILE_UNREADABLE: a mesh file, not a solution, was refused
};

struct Function_Interface {
  int Reserved0;
  int ErrCod;
  int Verbose;
  uint32_t OptBits;
  uint32_t Status;
  Memory_List *Mem;
  Common_MthParallel *Par;
  int Reserved1[3];
  char FunNam[32];
};

void DefaultFunInterface(Function_Interface *fi, Memory_List *list, Common_MthParallel *par,
                         const char *name);

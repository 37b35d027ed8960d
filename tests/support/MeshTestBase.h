// A test owning a memory list, a mesh and a function interface over the list: the mesh and
// the interface's pools are freed, and the list checked empty, after each test.
#pragma once

#include <gtest/gtest.h>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"

class MeshTestBase : public ::testing::Test {
 protected:
  MeshTestBase() { DefaultFunInterface(&fi, mem, nullptr, "TEST"); }
  void TearDown() override {
    msh = FreeCommonMesh(mem, msh);
    fi.Par = FreeMthParallel(fi.Par);
    EXPECT_EQ(mem->NbrActive, 0) << "blocks left after the test";
    FreeMemory(mem);
  }
  Memory_List *mem = NewMemory(10000);
  Geometric_Mesh *msh = nullptr;
  Function_Interface fi;
};

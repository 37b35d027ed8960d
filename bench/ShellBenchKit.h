// What the benchmarks of the viewer's shell share: Quiet sends standard output to /dev/null
// for its lifetime (the program's chatter would weigh on the timings); ShellServices holds
// what the program makes before its first window (memory list, worker pool, common and viewer
// options parsed from the given arguments) and frees it in reverse order, and makes the scene
// of a loaded mesh as the program does, for benches that time that step alone.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/base/Clock.h"
#include "common/base/CommonOptions.h"
#include "common/base/Memory.h"
#include "common/pool/MthParallel.h"
#include "common/base/FunctionInterface.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelOptions.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelSceneOptions.h"
#include "zelvane/scene/ZelVisibility.h"

struct Quiet {
  int saved;
  Quiet() {
    fflush(stdout);
    saved = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
  }
  ~Quiet() {
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
  }
  Quiet(const Quiet &) = delete;
  Quiet &operator=(const Quiet &) = delete;
};

struct ShellServices {
  Memory_List *mem = NewMemory(10000);
  Common_MthParallel *pool = NewMthParallel(GetNumberOfCores(), 2, 1);
  CommonOptions *com = NewCommonOptions(mem, 56, 1, 1);
  ZelvaneOptions *opt = zelNewOptions(mem, com);
  // args: the command line without the program's name.
  explicit ShellServices(std::vector<std::string> args) {
    args.insert(args.begin(), "zelvane");
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(&a[0]);
    zelParse(int(argv.size()), argv.data(), mem, opt);
  }
  // The scene of mesh m, its topology set up, with the scene options of optionsBase (none
  // when null); the scene owns the mesh.
  ZelScene *sceneOf(Function_Interface *fi, Geometric_Mesh *m, const char *optionsBase) {
    zelSetAllVisibleOnPool(m, pool->Pool);
    ZelMesh *zm = zelNewZelMesh(mem);
    zelSetupZelMesh(fi, m, zm);
    ZelScene *scene = zelNewScene(mem, pool, ZelDisplayLists, m, zm);
    if (optionsBase) zelReadZelSceneOptions(optionsBase, scene->opt);
    zelIniScene(fi, ZelDisplayLists, scene);
    scene->OwnMsh = scene->OwnZelMsh = 1;
    zelUpdateZelMeshCrd(scene);
    return scene;
  }
  ~ShellServices() {
    zelFreeOptions(mem, opt);
    FreeCommonOptions(mem, com);
    FreeMthParallel(pool);
    FreeMemory(mem);
  }
  ShellServices(const ShellServices &) = delete;
  ShellServices &operator=(const ShellServices &) = delete;
};

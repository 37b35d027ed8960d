// Paths read from text files and drawn over the mesh.
#include "zelvane/scene/ZelPath.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "common/base/UserFile.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelScene.h"

ZelPath *zelIniPath() {
  auto *path = static_cast<ZelPath *>(std::malloc(sizeof(ZelPath)));
  if (!path) return nullptr;
  path->NbrVer = 0;
  path->Nxt = nullptr;
  path->Ver = static_cast<double(*)[3]>(std::calloc(ZelPathMax + 1, sizeof(double[3])));
  if (!path->Ver) {
    std::free(path);
    return nullptr;
  }
  return path;
}

void zelAddVer(ZelPath *path, const double p[3]) {
  // A full path keeps its count: the drawing reads only the points it stored. Its link stays:
  // cutting it would drop the paths behind it from the scene's list, undrawn and never freed.
  if (path->NbrVer < ZelPathMax) {
    path->NbrVer++;
    for (int k = 0; k < 3; k++) path->Ver[path->NbrVer][k] = p[k];
  }
}

ZelPath *zelAddPath(const char *name) {
  FILE *f = name ? OpenUserFile(name, UserFileBounded, nullptr) : nullptr;
  if (!f) return nullptr;
  ZelPath *path = zelIniPath();
  if (path) {
    double p[3];
    while (path->NbrVer < ZelPathMax && std::fscanf(f, " %lg %lg %lg\n", &p[0], &p[1], &p[2]) == 3)
      zelAddVer(path, p);
    if (path->NbrVer == ZelPathMax) printf(" incomplete path recovered ! \n");
  }
  std::fclose(f);
  return path;
}

void zelLinkPath(ZelScene *scene, ZelPath *path) {
  if (!scene || !path) return;
  path->Nxt = scene->Path;
  scene->Path = path;
}

ZelPath *zelFreePath(ZelPath *path) {
  if (path) {
    std::free(path->Ver);
    std::free(path);
  }
  return nullptr;
}

void zelFreePaths(ZelScene *scene) {
  if (!scene) return;
  for (ZelPath *path = scene->Path; path;) {
    ZelPath *next = path->Nxt;
    zelFreePath(path);
    path = next;
  }
  scene->Path = nullptr;
}

void zelGlPath(ZelScene *scene) {
  if (!scene) return;
  const double s = scene->InvDmaxSca, *c = scene->Ctr;
  auto vertex = [&](const double *p) {
    glVertex3f(static_cast<float>((p[0] - c[0]) * s), static_cast<float>((p[1] - c[1]) * s),
               static_cast<float>((p[2] - c[2]) * s));
  };
  glLineWidth(1.0f);
  glPointSize(3.0f);
  int k = 1;
  for (const ZelPath *path = scene->Path; path; path = path->Nxt, k++) {
    const uint8_t *rgb = ZelRefColors[k % ZelNbrRefColors];
    glColor3f(rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f);
    glBegin(GL_POINTS);
    for (int64_t i = 1; i <= path->NbrVer; i++) vertex(path->Ver[i]);
    glEnd();
    glBegin(GL_LINES);
    for (int64_t i = 1; i < path->NbrVer; i++) {
      vertex(path->Ver[i]);
      vertex(path->Ver[i + 1]);
    }
    glEnd();
  }
  glLineWidth(1.0f);
  glPointSize(1.0f);
}

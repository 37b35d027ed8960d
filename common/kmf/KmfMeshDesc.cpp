// Opening a mesh or solution file by the name a user gave, reporting through the caller's
// function interface.
#include <cstdio>
#include <cstring>

#include "common/base/FunctionInterface.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/base/Memory.h"

namespace {

enum { NameSize = 512 };

KmfMeshFile *refuse(Function_Interface *fi, const char *format, const char *name) {
  fprintf(stderr, format, name);
  if (fi) {
    fi->ErrCod = ERR_BAD_DATA;
    fi->Status |= STATUS_FILE_UNREADABLE;
  }
  return nullptr;
}

KmfMeshFile *openRead(const char *name, int *version, int *dimension) {
  return KmfOpenMesh(name, KmfRead, version, dimension);
}

}  // namespace

KmfMeshFile *GetMeshDesc(Function_Interface *fi, const char *name, int *version, int *dimension, int kind, int io) {
  if (kind != KmfMesh && kind != KmfSol) {
    fprintf(stderr, "  ## ERROR: GETMESHDESC: INVALID KIND %d VALID KmfMesh or KmfSol \n", kind);
    myexit("INTERNAL ERROR", 100);
  }
  if (io != KmfRead && io != KmfWrite) {
    fprintf(stderr, "  ## ERROR: GETMESHDESC: INVALID IOTYPE %d MUST BE KMFREAD OR KMFWRITE \n", io);
    myexit("INTERNAL ERROR", 100);
  }
  if (!name || !*name) {
    fprintf(stderr, "  ## ERROR: GETMESHDESC: NO FILE NAME \n");
    if (fi) {
      fi->ErrCod = ERR_BAD_DATA;
      fi->Status |= STATUS_NO_FILE_NAME;
    }
    return nullptr;
  }
  if (std::strlen(name) >= NameSize) return refuse(fi, "  ## ERROR: GETMESHDESC: FILE NAME TOO LONG %s \n", name);
  const char *txt = kind == KmfMesh ? ".mesh" : ".sol";
  const char *bin = kind == KmfMesh ? ".meshb" : ".solb";
  char buf[NameSize + 8];
  std::strcpy(buf, name);
  const char *ext = std::strstr(buf, txt);
  const char *rest = ext ? ext + std::strlen(txt) : nullptr;
  // The extension must end the name: "a.mesh.gz" or "dir.sol/x.sol" are not files this
  // library can take apart.
  if (rest && *rest && std::strcmp(rest, "b"))
    return refuse(fi, "  ## ERROR: GETMESHDESC: UNSUPPORTED FILE NAME %s \n", name);

  KmfMeshFile *msh = nullptr;
  if (io == KmfWrite) {
    if (!ext) std::strcat(buf, txt);
    msh = KmfOpenMesh(buf, KmfWrite, version ? *version : 0, dimension ? *dimension : 0);
    if (!msh) return refuse(fi, "  ## ERROR: GETMESHDESC: CANNOT CREATE %s \n", buf);
    return msh;
  }
  if (ext) {
    bool binary = !std::strcmp(rest, "b");
    if (binary && fi) fi->Status |= STATUS_BINARY_INPUT;
    msh = openRead(buf, version, dimension);
  } else {
    size_t len = std::strlen(buf);
    std::strcpy(buf + len, bin);
    msh = openRead(buf, version, dimension);
    if (msh) {
      if (fi) fi->Status |= STATUS_BINARY_INPUT;
    } else {
      std::strcpy(buf + len, txt);
      msh = openRead(buf, version, dimension);
    }
  }
  if (!msh) return refuse(fi, "  ## ERROR: GETMESHDESC: CANNOT OPEN %s \n", name);
  return msh;
}

// Opening a mesh or solution file by the name a user gave, reporting through the caller's
// function interface.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/load/FileNames.h"
#include "common/pool/MthParallel.h"

namespace {

KmfMeshFile *refuse(Function_Interface *fi, const char *format, const char *name) {
  fprintf(stderr, format, ShownName(name).c_str());
  if (fi) {
    fi->ErrCod = ERR_BAD_DATA;
    fi->Status |= STATUS_FILE_UNREADABLE;
  }
  return nullptr;
}

// A file read with a pool in the interface is searched for its sections on that pool: the
// caller controls the pool, as its loaders then read the large sections on it. A mesh is shown
// only whole: one whose writer stopped before End is refused; a solution in that state opens,
// without End, for its reader to wait.
KmfMeshFile *openRead(Function_Interface *fi, const char *name, int kind, int *version, int *dimension) {
  return KmfOpenMeshOnPool(name, fi && fi->Par ? fi->Par->Pool : nullptr, version, dimension, kind == KmfMesh);
}

// A name without the kind's extension: the binary file first, then the text one. The name
// with either extension fits buf (the caller checked the longer one).
KmfMeshFile *openEitherEncoding(Function_Interface *fi, const char *name, int kind, int *version,
                                int *dimension) {
  char buf[FileNameMax + 1];
  for (bool binary : {true, false}) {
    AppendExtension(name, kind, binary, buf, sizeof(buf));
    if (KmfMeshFile *msh = openRead(fi, buf, kind, version, dimension)) {
      if (binary && fi) fi->Status |= STATUS_BINARY_INPUT;
      return msh;
    }
  }
  return nullptr;
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
  int ext = KindExtension(name, kind);
  char withExt[FileNameMax + 1];
  // Without its extension the name must still fit once the longer one is appended.
  if (!FileNameFits(name) || (ext == NAME_EXT_NONE && !AppendExtension(name, kind, true, withExt, sizeof(withExt))))
    return refuse(fi, "  ## ERROR: GETMESHDESC: FILE NAME TOO LONG %s \n", name);
  // The extension must end the name: "a.mesh.gz" or "dir.sol/x.sol" are not files this
  // library can take apart.
  if (ext == NAME_EXT_OTHER) return refuse(fi, "  ## ERROR: GETMESHDESC: UNSUPPORTED FILE NAME %s \n", name);

  KmfMeshFile *msh = nullptr;
  if (io == KmfWrite) {
    const char *path = name;
    if (ext == NAME_EXT_NONE) {
      AppendExtension(name, kind, false, withExt, sizeof(withExt));
      path = withExt;
    }
    msh = KmfOpenMesh(path, KmfWrite, version ? *version : 0, dimension ? *dimension : 0);
    if (!msh) return refuse(fi, "  ## ERROR: GETMESHDESC: CANNOT CREATE %s \n", path);
    return msh;
  }
  if (ext == NAME_EXT_NONE) {
    msh = openEitherEncoding(fi, name, kind, version, dimension);
  } else {
    if (ext == NAME_EXT_BINARY && fi) fi->Status |= STATUS_BINARY_INPUT;
    msh = openRead(fi, name, kind, version, dimension);
  }
  if (!msh) return refuse(fi, "  ## ERROR: GETMESHDESC: CANNOT OPEN %s \n", name);
  return msh;
}

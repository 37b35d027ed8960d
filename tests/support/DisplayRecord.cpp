#include "tests/support/DisplayRecord.h"

#include <GL/gl.h>

#include "common/model/ElementKind.h"
#include "common/model/Geometry.h"
#include "zelvane/scene/ZelMesh.h"

void MakeDisplayRecord(ZelEntDisplayList *rec, int kind, int ref, int head) {
  *rec = ZelEntDisplayList{};
  rec->Type = kind;
  rec->Ref = ref;
  rec->Head = head;
  rec->Flags = ZelLstClipped | ZelLstShrink | (is3dEnt(kind) ? ZelLstVolume : 0u);
  zelIniRenderOption(&rec->Opt);
  if (kind == KmfEdges || kind == KmfEdgesP2)
    rec->Opt.Render = (rec->Opt.Render & ~ZelRndLineMask) | (ZelModeOff << ZelRndLineShift);
  rec->MrkLst = glGenLists(4);
  rec->FacLst = glGenLists(2);
  rec->WirLst = glGenLists(1);
  rec->SolLst = glGenLists(6);
  rec->PckLst = glGenLists(1);
}

void FreeDisplayRecord(ZelEntDisplayList *rec) {
  glDeleteLists(rec->MrkLst, 4);
  glDeleteLists(rec->FacLst, 2);
  glDeleteLists(rec->WirLst, 1);
  glDeleteLists(rec->SolLst, 6);
  glDeleteLists(rec->PckLst, 1);
}

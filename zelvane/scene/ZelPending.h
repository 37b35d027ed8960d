// TEMPORARY: declarations of entries other branches are landing; removed on merge.
#pragma once
#include <cstdint>
#include "zelvane/scene/ZelHooks.h"
struct ZelMesh;
struct ZelEntDisplayList;
typedef struct Zel_Scene ZelScene;
ZelEntDisplayList *zelGetDisList(ZelMesh *zelMsh, int element, int type);
int zelUpdateDisplayList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelUpdateAllTypeDisplayLists(int type, ZelListMask mask, ZelScene *scene);
int zelUpdateAllDisplayLists(ZelListMask mask, ZelScene *scene);
int zelUpdateVolTypeDisplayLists(ZelListMask mask, ZelScene *scene);
int zelUpdateEdgeDisplayListsOptions(uint32_t optionMask, uint32_t render, uint32_t solution, ZelScene *scene);
int zelUpdateFaceDisplayListsOptions(uint32_t optionMask, uint32_t render, uint32_t solution, ZelScene *scene);
int zelUpdateVolDisplayListsOptions(uint32_t optionMask, uint32_t render, uint32_t solution, ZelScene *scene);
int zelUpdateAllDisplayListsOptions(uint32_t optionMask, uint32_t render, uint32_t solution, ZelScene *scene);
void zelReshapeScene(ZelScene *scene, int width, int height);
int zelChangeCenter(ZelScene *scene);
struct ZelColorRange;
uint32_t zelDecodePickColor(const ZelColorRange *rng, const unsigned char rgba[4]);
int zelDecodePickId(const ZelMesh *zelMsh, uint32_t id, int *kind);
int zelRefreshColorRange(ZelScene *scene);
int zelClipPlane0Equation(const ZelScene *scene, double eq[4]);

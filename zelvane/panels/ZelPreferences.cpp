// The settings keys and the stored mesh preferences applied to a new scene's records.
#include "zelvane/panels/ZelPreferences.h"

#include <QSettings>

#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"

const char *const ZelKeySize = "size";
const char *const ZelKeyTermHeight = "Terminal height";
const char *const ZelKeyModule = "module";
const char *const ZelKeyLinesPref = "Lines Pref";
const char *const ZelKeySurfPref = "Surf Pref";
const char *const ZelKeyVolPref = "Vol Pref";
const char *const ZelKeyShowVol = "Show Vol";
const char *const ZelKeyShowSol = "Show Sol";
const char *const ZelKeyVerbose = "verbose";

void zelApplyDisplayPreferences(ZelScene *scene) {
  if (!scene || !scene->ZelMsh) return;
  QSettings settings;
  const uint32_t lines = settings.value(ZelKeyLinesPref, ZelDefaultLinesPref).toUInt();
  const uint32_t surfaces = settings.value(ZelKeySurfPref, ZelDefaultSurfPref).toUInt();
  const uint32_t volumes = settings.value(ZelKeyVolPref, ZelDefaultVolPref).toUInt();
  const uint32_t showVol = settings.value(ZelKeyShowVol, 0).toUInt();
  const uint32_t showSol = settings.value(ZelKeyShowSol, 0).toUInt();

  zelUpdateEdgeDisplayListsOptions(ZelOptLineMode, lines, 0, scene);
  zelUpdateFaceDisplayListsOptions(ZelOptLineMode, surfaces, 0, scene);
  zelUpdateFaceDisplayListsOptions(ZelOptFaceMode, surfaces, 0, scene);
  zelUpdateVolDisplayListsOptions(ZelOptFaceMode, volumes, 0, scene);

  if (showVol & ZelShowVolumes)
    scene->Flags |= ZelFlgVolumes;
  else
    scene->Flags &= ~ZelFlgVolumes;

  if (!(showSol & ZelShowSolution)) {
    scene->Flags &= ~ZelFlgTime;
    return;
  }
  scene->SolFlags |= ZelSceneColorMap;
  scene->ActFld = 0;
  scene->Flags |= ZelFlgTime;
  zelUpdateAllDisplayListsOptions(ZelOptShading, 0, ZelSolShading, scene);
}

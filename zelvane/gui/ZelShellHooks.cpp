// The shell's row in the scene engine's hook table.
#include "zelvane/gui/ZelShellHooks.h"

#include "common/base/UserFile.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelSaveWait.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/scene/ZelHooks.h"

namespace {
Window *win(void *window) { return static_cast<Window *>(window); }
}  // namespace

void zelInstallShellHooks() {
  ZelHooks &hooks = zelHooks();
  hooks.term = zelTermWrite;
  hooks.termText = zelTermWriteText;
  hooks.makeCurrent = zelMakeCurrentBody;
  hooks.updateGlScene = updateGlSceneBody;
  hooks.updateWidgetState = [](void *w) { zelUpdateWidgetStateBody(win(w)); };
  hooks.updateQWidgetState = [](void *w) { zelUpdateQWidgetStateBody(win(w)); };
  hooks.updateClipBox = [](void *w) { zelUpdateClipBoxBody(win(w)); };
  hooks.saveWindowState = [](void *w, ZelStateBucket *b) { zelSaveWindowStateBody(win(w), b); };
  hooks.loadWindowState = [](void *w, ZelStateBucket *b) { zelLoadWindowStateBody(win(w), b); };
  // A save that waits for another program's lock shows it in the saving window.
  UserFileLockWaitHook = zelLockWaitBody;
}

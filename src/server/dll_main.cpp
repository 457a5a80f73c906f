// Entry of the Windows DLL.
#include "com/module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ModuleHandle = module;
    DisableThreadLibraryCalls(module);
  }
  return TRUE;
}

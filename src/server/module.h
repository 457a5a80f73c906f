// Process-wide state of the library: its module handle, the live-object and lock counts
// that decide whether COM may unload it, and the add-in object Outlook created.
#pragma once

#include "platform/win.h"

class AddIn;

extern HINSTANCE ModuleHandle;
extern ULONG ObjectCount;  // live objects of the library that Outlook may still call
extern ULONG LockCount;
extern AddIn* CurrentAddIn;

// Every object whose methods Outlook can call holds one count while it lives, so that
// DllCanUnloadNow never lets the library go under an advised sink.
struct ModuleObjectCount {
  ModuleObjectCount() { ++ObjectCount; }
  ModuleObjectCount(const ModuleObjectCount&) { ++ObjectCount; }
  ~ModuleObjectCount() { --ObjectCount; }
};

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
STDAPI DllCanUnloadNow();

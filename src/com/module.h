// Process-wide state of the library that its host can see: its module handle, the
// live-object and lock counts that decide whether COM may unload it, and its exports.
#pragma once

#include "platform/win.h"

extern HINSTANCE ModuleHandle;
extern ULONG ObjectCount;  // live objects of the library that Outlook may still call
extern ULONG LockCount;

// Every object whose methods Outlook can call holds one count while it lives, so that
// DllCanUnloadNow never lets the library go under an advised sink.
struct ModuleObjectCount {
  ModuleObjectCount() { ++ObjectCount; }
  ModuleObjectCount(const ModuleObjectCount&) { ++ObjectCount; }
  ~ModuleObjectCount() { --ObjectCount; }
};

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
STDAPI DllCanUnloadNow();
STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();

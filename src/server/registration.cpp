#include "server/registration.h"

#include <cstdio>
#include <cstring>
#include <string>
#include "com/module.h"
#include "platform/unique_handle.h"
#include "server/registration_table.h"

namespace {

LONG SetString(HKEY key, const char* name, const char* text) {
  // String values carry their terminating zero in the data length.
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(std::strlen(text) + 1));
}

LONG SetDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

std::string AddInKey(const char* application, const char* progId) {
  return std::string("Software\\Microsoft\\Office\\") + application + "\\Addins\\" + progId;
}

}  // namespace

bool SetKeyDefault(HKEY root, const char* key, const char* subkey, const char* text) {
  std::string path = key;
  if (subkey) path += std::string("\\") + subkey;
  UniqueHkey handle;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, handle.put(), nullptr) != ERROR_SUCCESS)
    return false;
  if (text) SetString(handle.get(), nullptr, text);
  return true;
}

HRESULT RegisterAddInKey(const char* application, const char* progId, const char* friendlyName, DWORD loadBehavior) {
  UniqueHkey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, AddInKey(application, progId).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return E_ACCESSDENIED;
  SetDword(key.get(), "LoadBehavior", loadBehavior);
  SetDword(key.get(), "CommandLineSafe", 0);
  if (friendlyName) {
    SetString(key.get(), "FriendlyName", friendlyName);
    SetString(key.get(), "Description", friendlyName);
  }
  SetDword(key.get(), "RequireShutdownNotification", registration::kRequireShutdownNotification);
  return S_OK;
}

HRESULT UnregisterAddInKey(const char* application, const char* progId) {
  const std::string key = AddInKey(application, progId);
  DeleteKeyTree(HKEY_CURRENT_USER, key.c_str());
  DeleteKeyTree(HKEY_LOCAL_MACHINE, key.c_str());
  return S_OK;
}

LONG DeleteKeyTree(HKEY parent, const char* name) {
  UniqueHkey key;
  LONG result = RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, key.put());
  if (result != ERROR_SUCCESS) return result;
  for (;;) {
    char subkey[256];
    DWORD length = sizeof subkey;
    if (RegEnumKeyExA(key.get(), 0, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      key.reset();  // closed before the key itself goes
      return RegDeleteKeyA(parent, name);
    }
    result = DeleteKeyTree(key.get(), subkey);
    if (result != ERROR_SUCCESS) return result;
  }
}

STDAPI DllRegisterServer() {
  using namespace registration;
  char path[512];
  DWORD n = GetModuleFileNameA(ModuleHandle, path, sizeof path);
  if (n == 0 || n >= sizeof path) return E_FAIL;  // a cut path would register the wrong file
  const std::string clsidKey = std::string("CLSID\\") + kClassIdText;
  // A key that cannot be written leaves its values out; registration still succeeds, as
  // an unprivileged user's registration does (the machine-wide key needs an administrator).
  SetKeyDefault(HKEY_CLASSES_ROOT, clsidKey.c_str(), nullptr, kDisplayName);
  SetKeyDefault(HKEY_CLASSES_ROOT, clsidKey.c_str(), "InprocServer32", path);
  SetKeyDefault(HKEY_CLASSES_ROOT, clsidKey.c_str(), "ProgID", kProgId);
  SetKeyDefault(HKEY_CLASSES_ROOT, kProgId, nullptr, kDisplayName);
  SetKeyDefault(HKEY_CLASSES_ROOT, kProgId, "CLSID", kClassIdText);
  RegisterAddInKey(kHostApplication, kProgId, kDisplayName, kLoadBehavior);
  // The event log's source: an ignored Group Policy value is reported under it.
  UniqueHkey events;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ORVAN_EVENT_SOURCE_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, events.put(),
                      nullptr) == ERROR_SUCCESS) {
    SetString(events.get(), "EventMessageFile", path);
    SetDword(events.get(), "TypesSupported", kEventTypesSupported);
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  using namespace registration;
  DeleteKeyTree(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kClassIdText).c_str());
  DeleteKeyTree(HKEY_CLASSES_ROOT, kProgId);
  UnregisterAddInKey(kHostApplication, kProgId);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, ORVAN_EVENT_SOURCE_KEY);
  return S_OK;  // the command bar placement under HKEY_CURRENT_USER stays
}

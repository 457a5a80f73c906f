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

HKEY RootKey(registration::Root root) {
  return root == registration::Root::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
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
  // A key that cannot be written leaves its values out; registration still succeeds, as
  // an unprivileged user's registration does (the machine-wide keys need an administrator).
  for (const Entry& e : kEntries) {
    UniqueHkey key;
    if (RegCreateKeyExA(RootKey(e.root), e.key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
      continue;
    if (e.kind == Kind::Dword) SetDword(key.get(), e.name, e.number);
    else SetString(key.get(), e.name, std::strcmp(e.text, kLibraryToken) == 0 ? path : e.text);
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  using namespace registration;
  // Every key the table writes goes with its subkeys; one already gone with its parent, or
  // never written, is no failure.
  for (const Entry& e : kEntries) DeleteKeyTree(RootKey(e.root), e.key);
  // A per-user announcement (an earlier version's, or one an administrator copied) goes too.
  DeleteKeyTree(HKEY_CURRENT_USER, ORVAN_ADDIN_KEY);
  return S_OK;  // the command bar placement under HKEY_CURRENT_USER stays
}

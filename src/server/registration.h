// Self-registration of the add-in with COM and Outlook.
#pragma once

#include "com/module.h"
#include "platform/win.h"

// Opens or creates root\key (or root\key\subkey) and, when text is given, writes it as the
// key's default value. False when the key cannot be created.
bool SetKeyDefault(HKEY root, const char* key, const char* subkey, const char* text);
// Deletes a key with all its subkeys: the first error met, or RegDeleteKeyA's result.
LONG DeleteKeyTree(HKEY parent, const char* name);

// DllRegisterServer and DllUnregisterServer, the module's exports, are declared in
// com/module.h: they write and remove exactly the entries of server/registration_table.h.

// LoadStringA over the same string table that the resource compiler builds into the DLL,
// and the table's blocks in each language as the resource loader finds them.
#include <map>
#include <string>
#include "portable/no_throw.h"
#include "portable/system.h"
#include "orvan_strings.h"

// One block of one language, made once: the resources never change while the module lives.
struct HRSRC__ {
  std::u16string block;
};

namespace {
struct Entry {
  UINT id;
  const char* utf8;
  const char* french;
  const char* german;
};
#define ORVAN_PORTABLE_ENTRY(id, english, french, german) {id, english, french, german},
const Entry kTable[] = {ORVAN_STRING_TABLE(ORVAN_PORTABLE_ENTRY)};

std::u16string Wide(const char* utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::u16string wide(size_t(n > 0 ? n : 1), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), n);
  wide.resize(wide.size() - 1);
  return wide;
}

std::map<std::pair<UINT, WORD>, HRSRC__>& Blocks() {
  static std::map<std::pair<UINT, WORD>, HRSRC__> blocks;
  return blocks;
}
LANGID g_uiLanguage = 0x0409;
}  // namespace

HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
  return NoThrow<HRSRC>(nullptr, [&]() -> HRSRC {
    const UINT block = UINT(reinterpret_cast<ULONG_PTR>(name));
    if (module != PortableModuleHandle() || type != RT_STRING || block == 0 || block > 0xFFFF) return nullptr;
    if (language != 0x1009 && language != 0x040C && language != 0x0407) return nullptr;
    auto found = Blocks().find({block, language});
    if (found != Blocks().end()) return &found->second;
    std::u16string strings[16];
    bool any = false;
    for (const Entry& e : kTable) {
      if (e.id / 16 + 1 != block) continue;
      strings[e.id % 16] = Wide(language == 0x040C ? e.french : language == 0x0407 ? e.german : e.utf8);
      any = true;
    }
    if (!any) return nullptr;
    HRSRC__ made;
    for (const std::u16string& s : strings) made.block += char16_t(s.size()) + s;
    return &Blocks().emplace(std::make_pair(block, language), made).first->second;
  });
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) { return resource; }
void* LockResource(HGLOBAL loaded) {
  return loaded ? const_cast<char16_t*>(static_cast<HRSRC>(loaded)->block.data()) : nullptr;
}
DWORD SizeofResource(HMODULE, HRSRC resource) {
  return resource ? DWORD(resource->block.size() * sizeof(char16_t)) : 0;
}

LANGID GetUserDefaultUILanguage() { return g_uiLanguage; }
void SetPortableUiLanguage(LANGID language) { g_uiLanguage = language; }

extern "C" HINSTANCE PortableModuleHandle() {
  static HINSTANCE__ module{};
  return &module;
}

BOOL DisableThreadLibraryCalls(HMODULE) { return TRUE; }

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax) {
  return NoThrow(0, [&]() {
    if (instance != PortableModuleHandle() || !buffer || bufferMax <= 0) return 0;
    for (const Entry& e : kTable) {
      if (e.id != id) continue;
      const std::u16string wide = Wide(e.utf8);
      size_t len = wide.size();
      if (len > size_t(bufferMax - 1)) len = size_t(bufferMax - 1);
      std::memcpy(buffer, wide.data(), len * sizeof(char16_t));
      buffer[len] = u'\0';
      return static_cast<int>(len);
    }
    buffer[0] = u'\0';
    return 0;
  });
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax) {
  return NoThrow(0, [&]() {
    if (!buffer || bufferMax <= 0) return 0;
    // The Unicode string, handed out in the ANSI code page and cut to the buffer.
    std::u16string wide(1024, u'\0');
    const int n = LoadStringW(instance, id, wide.data(), int(wide.size()));
    wide.resize(size_t(n > 0 ? n : 0));
    int narrowLen = n > 0 ? WideCharToMultiByte(CP_ACP, 0, wide.c_str(), n, nullptr, 0, nullptr, nullptr) : 0;
    std::string narrow(size_t(narrowLen > 0 ? narrowLen : 0), '\0');
    if (narrowLen > 0) WideCharToMultiByte(CP_ACP, 0, wide.c_str(), n, narrow.data(), narrowLen, nullptr, nullptr);
    size_t len = narrow.size();
    if (len > size_t(bufferMax - 1)) len = size_t(bufferMax - 1);
    std::memcpy(buffer, narrow.data(), len);
    buffer[len] = '\0';
    return static_cast<int>(len);
  });
}

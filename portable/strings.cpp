// LoadStringA over the same string table that the resource compiler builds into the DLL.
#include <string>
#include "portable/no_throw.h"
#include "portable/system.h"
#include "orvan_strings.h"

namespace {
struct Entry {
  UINT id;
  const char* utf8;
};
#define ORVAN_PORTABLE_ENTRY(id, text) {id, text},
const Entry kTable[] = {ORVAN_STRING_TABLE(ORVAN_PORTABLE_ENTRY)};
}  // namespace

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
      int wideLen = MultiByteToWideChar(CP_UTF8, 0, e.utf8, -1, nullptr, 0);
      std::u16string wide(size_t(wideLen > 0 ? wideLen : 1), u'\0');
      MultiByteToWideChar(CP_UTF8, 0, e.utf8, -1, wide.data(), wideLen);
      size_t len = std::char_traits<char16_t>::length(wide.c_str());
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

// The runtime library's file calls with Windows semantics: backslash separators and
// text-mode streams that write "\n" as CR LF.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <string>
#include "portable/no_throw.h"
#include "portable/system.h"

namespace {

std::string NativePath(const char* path) {
  std::string p(path ? path : "");
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

ssize_t TextWrite(void* cookie, const char* data, size_t size) {
  FILE* file = static_cast<FILE*>(cookie);
  size_t start = 0;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != '\n') continue;
    if (std::fwrite(data + start, 1, i - start, file) != i - start) return -1;
    if (std::fwrite("\r\n", 1, 2, file) != 2) return -1;
    start = i + 1;
  }
  if (std::fwrite(data + start, 1, size - start, file) != size - start) return -1;
  return std::fflush(file) == 0 ? ssize_t(size) : -1;
}

ssize_t TextRead(void* cookie, char* data, size_t size) {
  return ssize_t(std::fread(data, 1, size, static_cast<FILE*>(cookie)));
}

int TextClose(void* cookie) { return std::fclose(static_cast<FILE*>(cookie)); }

}  // namespace

int _stat(const char* path, struct _stat* info) {
  return NoThrow(-1, [&]() {
    struct stat st {};
    if (::stat(NativePath(path).c_str(), &st) != 0) return -1;
    if (info) info->st_size = long(st.st_size);
    return 0;
  });
}

int _mkdir(const char* path) {
  return NoThrow(-1, [&] { return ::mkdir(NativePath(path).c_str(), 0777); });
}

FILE* _fsopen(const char* path, const char* mode, int) {
  return NoThrow(static_cast<FILE*>(nullptr), [&]() {
    std::string m(mode ? mode : "");
    bool binary = m.find('b') != std::string::npos;
    std::string raw = m;
    if (!binary) raw += 'b';
    FILE* file = std::fopen(NativePath(path).c_str(), raw.c_str());
    if (!file || binary) return file;
    cookie_io_functions_t io{TextRead, TextWrite, nullptr, TextClose};
    FILE* text = fopencookie(file, m.c_str(), io);
    if (!text) std::fclose(file);
    return text;
  });
}

int _vsnprintf(char* buffer, size_t count, const char* format, va_list args) {
  return NoThrow(-1, [&]() {
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0) return -1;
    if (size_t(needed) < count) return std::vsnprintf(buffer, count, format, args);
    // Cut to count characters without a terminator, and say so with -1, as the
    // Windows runtime does.
    std::string whole(size_t(needed) + 1, '\0');
    std::vsnprintf(whole.data(), whole.size(), format, args);
    std::memcpy(buffer, whole.data(), count);
    return -1;
  });
}

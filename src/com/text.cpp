#include "com/text.h"

#include <climits>
#include <new>

// A conversion that fails must not pass for an empty text: a body read as "" would be
// marked and written back over the sender's words. Failure raises instead.
namespace {
std::string ToMultiByte(UINT codePage, const OLECHAR* text, size_t length) {
  if (!text || length == 0) return std::string();
  if (length > size_t(INT_MAX)) throw std::bad_alloc();
  int n = WideCharToMultiByte(codePage, 0, text, int(length), nullptr, 0, nullptr, nullptr);
  if (n <= 0) throw std::bad_alloc();
  std::string out(size_t(n), '\0');
  if (WideCharToMultiByte(codePage, 0, text, int(length), &out[0], n, nullptr, nullptr) != n) throw std::bad_alloc();
  return out;
}

std::basic_string<OLECHAR> ToWide(UINT codePage, const std::string& text) {
  if (text.empty()) return {};
  if (text.size() > size_t(INT_MAX)) throw std::bad_alloc();
  int n = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
  if (n <= 0) throw std::bad_alloc();
  std::basic_string<OLECHAR> out(size_t(n), OLECHAR(0));
  if (MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), &out[0], n) != n) throw std::bad_alloc();
  return out;
}
}  // namespace

std::string WideToAnsi(const OLECHAR* text, size_t length) { return ToMultiByte(CP_ACP, text, length); }
std::basic_string<OLECHAR> AnsiToWide(const std::string& text) { return ToWide(CP_ACP, text); }
std::string WideToUtf8(const OLECHAR* text, size_t length) { return ToMultiByte(CP_UTF8, text, length); }
std::basic_string<OLECHAR> Utf8ToWide(const std::string& text) { return ToWide(CP_UTF8, text); }

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}


std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    unsigned n = unsigned(static_cast<unsigned char>(bytes[i])) << 16;
    if (i + 1 < bytes.size()) n |= unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (i + 2 < bytes.size()) n |= unsigned(static_cast<unsigned char>(bytes[i + 2]));
    out += kDigits[(n >> 18) & 63];
    out += kDigits[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(n >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[n & 63] : '=';
  }
  return out;
}

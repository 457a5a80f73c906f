// Code page 1252 as the ANSI code page, and UTF-8, with the SDK's size conventions.
#include <string>
#include "portable/no_throw.h"
#include "portable/system.h"

namespace {

// 0x80..0x9F of Windows-1252; the five unassigned bytes map to their C1 controls,
// as Windows does.
const char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t From1252(unsigned char c) { return (c >= 0x80 && c < 0xA0) ? kHigh1252[c - 0x80] : c; }

bool To1252(char16_t w, unsigned char* out) {
  if (w < 0x80 || (w >= 0xA0 && w <= 0xFF)) {
    *out = static_cast<unsigned char>(w);
    return true;
  }
  for (int i = 0; i < 32; ++i)
    if (kHigh1252[i] == w) {
      *out = static_cast<unsigned char>(0x80 + i);
      return true;
    }
  return false;
}

// Code page 1252 maps one character to one byte both ways: sizes need no pass over the
// text, and conversion writes straight into the caller's buffer.
int AcpToWide(LPCSTR src, size_t n, LPWSTR dst, int cchDst) {
  if (n > size_t(0x7FFFFFFF)) return 0;
  if (cchDst == 0) return int(n);
  if (n > size_t(cchDst)) return 0;
  // Mail is mostly ASCII: blocks without a high byte widen in a loop the compiler
  // vectorizes; the others go character by character.
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    unsigned char high = 0;
    for (size_t k = 0; k < 32; ++k) high |= static_cast<unsigned char>(src[i + k]);
    if (high < 0x80) {
      for (size_t k = 0; k < 32; ++k) dst[i + k] = char16_t(static_cast<unsigned char>(src[i + k]));
    } else {
      for (size_t k = 0; k < 32; ++k) dst[i + k] = From1252(static_cast<unsigned char>(src[i + k]));
    }
  }
  for (; i < n; ++i) dst[i] = From1252(static_cast<unsigned char>(src[i]));
  return int(n);
}

int WideToAcp(LPCWSTR src, size_t n, LPSTR dst, int cbDst, char fallback, BOOL* usedDefaultChar) {
  if (n > size_t(0x7FFFFFFF)) return 0;
  if (cbDst == 0) return int(n);
  if (n > size_t(cbDst)) return 0;
  auto one = [&](char16_t w) {
    unsigned char c;
    if (To1252(w, &c)) return char(c);
    if (usedDefaultChar) *usedDefaultChar = TRUE;
    return fallback;
  };
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    char16_t high = 0;
    for (size_t k = 0; k < 32; ++k) high |= src[i + k];
    if (high < 0x80) {
      for (size_t k = 0; k < 32; ++k) dst[i + k] = char(src[i + k]);
    } else {
      for (size_t k = 0; k < 32; ++k) dst[i + k] = one(src[i + k]);
    }
  }
  for (; i < n; ++i) dst[i] = one(src[i]);
  return int(n);
}

void DecodeUtf8(const unsigned char* s, size_t n, std::u16string& out) {
  for (size_t i = 0; i < n;) {
    unsigned c = s[i];
    unsigned cp = 0xFFFD;
    size_t len = 1;
    if (c < 0x80) cp = c;
    else if ((c >> 5) == 6) len = 2, cp = c & 0x1F;
    else if ((c >> 4) == 14) len = 3, cp = c & 0x0F;
    else if ((c >> 3) == 30) len = 4, cp = c & 0x07;
    else len = 0;
    if (len == 0 || i + len > n) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    bool ok = true;
    for (size_t k = 1; k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
}

void EncodeUtf8(const char16_t* s, size_t n, std::string& out) {
  for (size_t i = 0; i < n; ++i) {
    unsigned cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) out.push_back(static_cast<char>(cp));
    else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR src, int cbSrc, LPWSTR dst, int cchDst) {
  return NoThrow(0, [&]() {
    if (!src || cbSrc == 0 || cchDst < 0 || (codePage != CP_ACP && codePage != CP_UTF8)) return 0;
    size_t n = cbSrc < 0 ? std::strlen(src) + 1 : size_t(cbSrc);
    if (codePage == CP_ACP) return AcpToWide(src, n, dst, cchDst);
    std::u16string wide;
    DecodeUtf8(reinterpret_cast<const unsigned char*>(src), n, wide);
    if (cchDst == 0) return static_cast<int>(wide.size());
    if (wide.size() > size_t(cchDst)) return 0;  // ERROR_INSUFFICIENT_BUFFER
    std::memcpy(dst, wide.data(), wide.size() * sizeof(char16_t));
    return static_cast<int>(wide.size());
  });
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR src, int cchSrc, LPSTR dst, int cbDst,
                        LPCSTR defaultChar, BOOL* usedDefaultChar) {
  return NoThrow(0, [&]() {
    if (!src || cchSrc == 0 || cbDst < 0 || (codePage != CP_ACP && codePage != CP_UTF8)) return 0;
    size_t n = 0;
    if (cchSrc < 0) {
      while (src[n]) ++n;
      ++n;
    } else {
      n = size_t(cchSrc);
    }
    if (usedDefaultChar) *usedDefaultChar = FALSE;
    if (codePage == CP_ACP) return WideToAcp(src, n, dst, cbDst, defaultChar ? *defaultChar : '?', usedDefaultChar);
    std::string narrow;
    EncodeUtf8(src, n, narrow);
    if (cbDst == 0) return static_cast<int>(narrow.size());
    if (narrow.size() > size_t(cbDst)) return 0;
    std::memcpy(dst, narrow.data(), narrow.size());
    return static_cast<int>(narrow.size());
  });
}

LPSTR CharLowerA(LPSTR text) {
  if (!text) return text;
  for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p) {
    unsigned char c = *p;
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) *p = c + 0x20;
    else if (c == 0x8A || c == 0x8C || c == 0x8E) *p = c + 0x10;
    else if (c == 0x9F) *p = 0xFF;
  }
  return text;
}

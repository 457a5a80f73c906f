#include "com/bstr.h"

#include <cassert>
#include <climits>
#include <cstring>
#include <new>
#include "com/text.h"

Bstr Bstr::FromAnsi(const char* text, size_t length) {
  Bstr result;
  if (length > size_t(INT_MAX)) throw std::bad_alloc();
  const int n = length ? MultiByteToWideChar(CP_ACP, 0, text, int(length), nullptr, 0) : 0;
  if (length && n <= 0) throw std::bad_alloc();
  result.s_ = SysAllocStringLen(nullptr, UINT(n));
  if (!result.s_) throw std::bad_alloc();
  // Converted once, into the string the host will receive.
  if (n && MultiByteToWideChar(CP_ACP, 0, text, int(length), result.s_, n) != n) throw std::bad_alloc();
  return result;
}

Bstr Bstr::Allocate(size_t length) {
  Bstr result;
  if (length > 0x3FFFFFF0u) throw std::bad_alloc();
  result.s_ = SysAllocStringLen(nullptr, UINT(length));
  if (!result.s_) throw std::bad_alloc();
  return result;
}

Bstr Bstr::FromWide(const OLECHAR* text, size_t length) {
  Bstr result = Allocate(length);
  if (length) std::memcpy(result.s_, text, length * sizeof(OLECHAR));
  return result;
}

Bstr Bstr::FromAnsi(const std::string& text) { return FromAnsi(text.data(), text.size()); }

BSTR* Bstr::Receive() {
  assert(!s_ && "Receive would overwrite a held string");
  Reset();
  return &s_;
}

std::string Bstr::ToAnsi() const { return WideToAnsi(s_, Length()); }

std::string Bstr::ToUtf8() const { return WideToUtf8(s_, Length()); }

Bstr Bstr::FromUtf8(const std::string& text) {
  const std::basic_string<OLECHAR> wide = Utf8ToWide(text);
  return FromWide(wide.data(), wide.size());
}

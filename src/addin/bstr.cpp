#include "addin/bstr.h"

#include <cassert>
#include <new>
#include "addin/text.h"

Bstr Bstr::Copy(const OLECHAR* text, size_t length) {
  Bstr result;
  result.s_ = SysAllocStringLen(text, UINT(length));
  if (!result.s_) throw std::bad_alloc();
  return result;
}

Bstr Bstr::FromAnsi(const char* text, size_t length) {
  std::basic_string<OLECHAR> wide = AnsiToWide(std::string(text, length));
  return Copy(wide.data(), wide.size());
}

Bstr Bstr::FromAnsi(const std::string& text) { return FromAnsi(text.data(), text.size()); }

BSTR* Bstr::Receive() {
  assert(!s_ && "Receive would overwrite a held string");
  Reset();
  return &s_;
}

std::string Bstr::ToAnsi() const { return WideToAnsi(s_, Length()); }

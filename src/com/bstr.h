// Owner of one BSTR, freed with SysFreeString.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include "platform/win.h"

class Bstr {
 public:
  Bstr() = default;
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  ~Bstr() { Reset(); }

  // Converts 8-bit ANSI text; throws std::bad_alloc when the host allocator fails.
  static Bstr FromAnsi(const std::string& text);
  static Bstr FromAnsi(const char* text, size_t length);
  // Converts UTF-8 text (the add-in's own texts); throws std::bad_alloc.
  static Bstr FromUtf8(const std::string& text);

  // A string of length characters for the caller to fill; throws std::bad_alloc.
  static Bstr Allocate(size_t length);
  // Wide text, copied; throws std::bad_alloc.
  static Bstr FromWide(const OLECHAR* text, size_t length);

  // Takes ownership of an existing BSTR.
  void Reset(BSTR s = nullptr) {
    if (s_ != s) SysFreeString(std::exchange(s_, s));
  }
  BSTR Detach() { return std::exchange(s_, nullptr); }
  // Address for an out parameter; must be empty.
  BSTR* Receive();

  BSTR get() const { return s_; }
  size_t Length() const { return s_ ? SysStringLen(s_) : 0; }
  // The characters; a null string is the empty text.
  std::basic_string_view<OLECHAR> View() const {
    return s_ ? std::basic_string_view<OLECHAR>(s_, Length()) : std::basic_string_view<OLECHAR>();
  }
  // The text in the ANSI code page.
  std::string ToAnsi() const;
  // The text as UTF-8 (the add-in's own texts and log lines, never the sender's).
  std::string ToUtf8() const;

 private:
  BSTR s_ = nullptr;
};

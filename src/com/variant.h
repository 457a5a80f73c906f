// Owner of one VARIANT, cleared with VariantClear.
#pragma once

#include <string>

class Bstr;
#include "platform/win.h"

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
  Variant& operator=(Variant&& other) noexcept;
  ~Variant() { VariantClear(&v_); }

  static Variant I2(short value);
  static Variant I4(long value);
  static Variant Int(int value);
  static Variant Bool(bool value);
  static Variant Text(const std::string& utf8);  // VT_BSTR, converted from UTF-8
  static Variant Missing();                      // an omitted optional argument
  static Variant Take(Bstr&& text);              // VT_BSTR holding text's string

  // Address for an out parameter; whatever was held is cleared first.
  VARIANT* Receive();
  const VARIANT& get() const { return v_; }
  VARTYPE type() const { return v_.vt; }
  // Hands the value over to a caller that will clear it.
  VARIANT Detach();
  // Takes the string out of a VT_BSTR value, leaving the variant empty.
  BSTR TakeBstr();

 private:
  VARIANT v_;
};

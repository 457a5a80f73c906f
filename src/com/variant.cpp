#include "com/variant.h"

#include "com/bstr.h"

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    VariantClear(&v_);
    v_ = other.v_;
    VariantInit(&other.v_);
  }
  return *this;
}

Variant Variant::I2(short value) {
  Variant v;
  v.v_.vt = VT_I2;
  v.v_.iVal = value;
  return v;
}

Variant Variant::I4(long value) {
  Variant v;
  v.v_.vt = VT_I4;
  v.v_.lVal = LONG(value);
  return v;
}

Variant Variant::Int(int value) {
  Variant v;
  v.v_.vt = VT_INT;
  v.v_.intVal = value;
  return v;
}

Variant Variant::Bool(bool value) {
  Variant v;
  v.v_.vt = VT_BOOL;
  v.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::Text(const std::string& utf8) {
  Variant v;
  v.v_.bstrVal = Bstr::FromUtf8(utf8).Detach();
  v.v_.vt = VT_BSTR;
  return v;
}

Variant Variant::Take(Bstr&& text) {
  Variant v;
  v.v_.bstrVal = text.Detach();
  v.v_.vt = VT_BSTR;
  return v;
}

Variant Variant::Missing() {
  Variant v;
  v.v_.vt = VT_ERROR;
  v.v_.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

VARIANT* Variant::Receive() {
  VariantClear(&v_);
  return &v_;
}

BSTR Variant::TakeBstr() {
  if (v_.vt != VT_BSTR) return nullptr;
  BSTR s = v_.bstrVal;
  VariantInit(&v_);
  return s;
}

VARIANT Variant::Detach() {
  VARIANT out = v_;
  VariantInit(&v_);
  return out;
}

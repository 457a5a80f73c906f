// The one holder of a counted COM reference: no raw AddRef or Release outside it.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>
#include "platform/win.h"

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  ComPtr(const ComPtr& other) : p_(other.p_) { AddRefHeld(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~ComPtr() { reset(); }

  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  // Takes a new counted reference to an interface the caller keeps.
  static ComPtr Borrow(T* p) {
    ComPtr result;
    result.p_ = p;
    result.AddRefHeld();
    return result;
  }
  // Takes over a reference the caller already owns (an out parameter, a new object).
  static ComPtr Adopt(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // Address for an out parameter; whatever was held is given back first.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

  T* detach() { return std::exchange(p_, nullptr); }

  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }

  // QueryInterface into another holder; returns the HRESULT.
  template <class U>
  HRESULT As(REFIID iid, ComPtr<U>* out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(iid, out->put_void());
  }

 private:
  void AddRefHeld() {
    if (p_) p_->AddRef();
  }
  T* p_ = nullptr;
};

// The object's identity: COM promises one IUnknown pointer per object, whichever of its
// interfaces is asked. Null when there is no object or it will not say.
template <class T>
ComPtr<IUnknown> ComIdentity(T* object) {
  ComPtr<IUnknown> unknown;
  if (object && FAILED(object->QueryInterface(IID_IUnknown, unknown.put_void()))) unknown.reset();
  return unknown;
}

// Gives back every reference a list holds, first to last, the list emptied first: a
// Release that calls back finds it empty.
template <class T>
void ReleaseAll(std::vector<ComPtr<T>>& list) {
  for (ComPtr<T>& p : std::exchange(list, {})) p.reset();
}

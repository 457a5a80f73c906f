// Owning holders of the Win32 handles the add-in opens (registry keys, the event log's
// source): closed once, on every path, by the type that holds them.
#pragma once

#include <utility>
#include "platform/win.h"

template <class Handle, void (*Close)(Handle)>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, Handle())) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.h_, Handle()));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Handle(); }
  // For an API that opens into an out-parameter: whatever was held is closed first.
  Handle* put() {
    reset();
    return &h_;
  }
  void reset(Handle h = Handle()) {
    if (h_ != Handle()) Close(h_);
    h_ = h;
  }

 private:
  Handle h_ = Handle();
};

namespace unique_handle_detail {
inline void CloseKey(HKEY key) { RegCloseKey(key); }
inline void CloseEventSource(HANDLE source) { DeregisterEventSource(source); }
}  // namespace unique_handle_detail

using UniqueHkey = UniqueHandle<HKEY, unique_handle_detail::CloseKey>;
using UniqueEventSource = UniqueHandle<HANDLE, unique_handle_detail::CloseEventSource>;

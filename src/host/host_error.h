// A failed host call: the HRESULT the host gave, the interface it was made on, and the
// host's own description when it offered one.
#pragma once

#include <exception>
#include <string>
#include "platform/win.h"

class HostError : public std::exception {
 public:
  HostError(HRESULT hr, const IID& iid, std::string description = std::string());
  HRESULT hr() const { return hr_; }
  const IID& iid() const { return iid_; }
  const std::string& description() const { return description_; }
  // The member of the host's interface that failed, when the call named one (null else).
  const char* member() const { return member_; }
  HostError& About(const char* member) {
    member_ = member;
    return *this;
  }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  HRESULT hr_;
  IID iid_;
  std::string description_;
  std::string what_;
  const char* member_ = nullptr;  // a HostMember's name: text that lives as long as the module
};

// Raises HostError for a failed HRESULT.
inline void ThrowIfFailed(HRESULT hr, const IID& iid) {
  if (FAILED(hr)) throw HostError(hr, iid);
}

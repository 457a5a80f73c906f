// The one guard at every entry point the host can call: nothing thrown inside the add-in
// ever reaches Outlook; it becomes an HRESULT.
#pragma once

#include <new>
#include "host/host_error.h"

template <class F>
HRESULT GuardHostCall(F&& body) noexcept {
  try {
    return body();
  } catch (const HostError& e) {
    return e.hr();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

// Runs a step whose failures are to be swallowed; true when it completed.
template <class F>
bool TryHostStep(F&& body) noexcept {
  try {
    body();
    return true;
  } catch (...) {
    return false;
  }
}

// The stand-in implements C APIs: an exhausted heap must come back as the API's own
// failure value, as it does on Windows, never as a C++ exception.
#pragma once

template <class R, class F>
R NoThrow(R onFailure, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return onFailure;
  }
}

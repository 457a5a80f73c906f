#include "fuzz_input.h"
#include "platform/win.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  portable_registry::Clear();
  std::string error;
  if (portable_registry::Import(text, &error)) {
    // What was read is written out again, and reads back the same.
    std::string exported = portable_registry::Export();
    portable_registry::Clear();
    FUZZ_REQUIRE(portable_registry::Import(exported, &error));
    FUZZ_REQUIRE(portable_registry::Export() == exported);
  }
  portable_registry::Clear();
  return 0;
}

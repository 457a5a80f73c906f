#include "classify/marking.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto f = Fields(data, size, 2);
  int level = LevelFromHeaders(f[0], f[1].empty() ? "Orvan" : f[1]);
  FUZZ_REQUIRE(level >= 0 && level <= 999999);
  return 0;
}

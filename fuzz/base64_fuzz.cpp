#include "classify/label_reading.h"
#include "com/text.h"
#include "fuzz_input.h"

// Base64 is read one way only: what decodes is written back as the very same text, and
// whatever bytes are written decode back to themselves.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string bytes;
  if (DecodeBase64(text, &bytes)) FUZZ_REQUIRE(Base64(bytes) == text);
  if (size && size <= 3000) {
    std::string back;
    FUZZ_REQUIRE(DecodeBase64(Base64(text), &back) && back == text);
  }
  return 0;
}

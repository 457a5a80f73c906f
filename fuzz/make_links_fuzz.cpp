#include "classify/make_links.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string linked = MakeLinks(text);
  // Either nothing changed, or exactly one link stands where an address was.
  FUZZ_REQUIRE(linked == text || linked.find("<a href=\"") != std::string::npos);
  FUZZ_REQUIRE(linked.size() < text.size() + 1024);
  return 0;
}

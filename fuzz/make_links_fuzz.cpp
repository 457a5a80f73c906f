#include "classify/make_links.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string linked = MakeLinks(text);
  // The text as HTML: no markup but the one link, where an address was.
  size_t tags = 0;
  for (char c : linked) tags += c == '<';
  const bool linkedOne = linked.find("<a href=\"") != std::string::npos;
  FUZZ_REQUIRE(tags == (linkedOne ? 2u : 0u));
  FUZZ_REQUIRE(linked.size() <= text.size() * 5 + 1024);
  return 0;
}

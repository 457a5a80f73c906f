#include "classify/load_text.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> levels{"old"};
  SplitList(text.c_str(), levels, ";,");
  size_t total = 0;
  for (const std::string& l : levels) {
    FUZZ_REQUIRE(!l.empty());
    FUZZ_REQUIRE(l.find_first_of(";,") == std::string::npos);
    total += l.size();
  }
  FUZZ_REQUIRE(total <= text.size());
  return 0;
}

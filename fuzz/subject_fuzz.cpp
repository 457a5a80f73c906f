#include "classify/load_text.h"
#include "classify/marking.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int mode = data[0] % 3;
  auto f = Fields(data + 1, size - 1, 3);  // subject, level list, chosen name
  std::vector<std::string> levels;
  SplitList(f[1].c_str(), levels, ";,");
  std::string marked = MarkedSubject(f[0], levels, mode, true, f[2]);
  FUZZ_REQUIRE(!marked.empty());
  if (mode == 1) FUZZ_REQUIRE(marked.compare(0, f[2].size() + 3, "[" + f[2] + "] ") == 0);
  if (mode == 2) FUZZ_REQUIRE(marked.size() >= f[2].size() + 3);
  FUZZ_REQUIRE(marked.size() <= f[0].size() + f[2].size() + 4);
  return 0;
}

#include "classify/load_text.h"
#include "classify/marking.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int mode = data[0] % 3;
  auto f = Fields(data + 1, size - 1, 3);  // subject (UTF-16 code units), level list, chosen name
  std::vector<std::string> levels;
  SplitList(f[1].c_str(), levels, ";,");
  const WideText subject = Utf16(f[0]);
  const WideText name(f[2].begin(), f[2].end());  // a 1252 name widens byte for byte up to 0x7F
  bool ascii = true;
  for (char c : f[2]) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  WideText marked;
  try {
    marked = MarkedSubject(subject, levels, mode, true, f[2]);
  } catch (const std::bad_alloc&) {
    return 0;  // a name the code page cannot convert
  }
  FUZZ_REQUIRE(!marked.empty());
  if (mode == 1 && ascii) FUZZ_REQUIRE(marked.compare(0, name.size() + 3, u"[" + name + u"] ") == 0);
  if (mode == 2) FUZZ_REQUIRE(marked.size() >= f[2].size() + 3 || !ascii);
  FUZZ_REQUIRE(marked.size() <= subject.size() + 4 * f[2].size() + 4);
  return 0;
}

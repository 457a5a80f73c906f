#include "classify/marking.h"
#include "classify/settings.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static ClassificationSettings settings;
  const bool html = data[0] & 1;
  const int places = (data[0] >> 1) & 3;
  auto f = Fields(data + 1, size - 1, 2);  // body, level name
  const std::string mark = BodyMark(settings, f[1], html);
  std::string body = f[0];
  InsertBodyMarks(body, html, mark, places);
  const size_t top = mark.size() + (html ? 8 : 2), bottom = mark.size() + (html ? 4 : 1);
  const size_t grown = body.size() - f[0].size();
  if (!html) {
    FUZZ_REQUIRE(grown == ((places & 1) ? top : 0) + ((places & 2) ? bottom : 0));
  } else {
    FUZZ_REQUIRE(grown == 0 || grown == top || grown == bottom || grown == top + bottom);
  }
  // The sender's text is never lost: every byte of it is still there, in order.
  size_t at = 0;
  for (char c : f[0]) {
    at = body.find(c, at);
    FUZZ_REQUIRE(at != std::string::npos);
    ++at;
  }
  return 0;
}

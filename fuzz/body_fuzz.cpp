#include "classify/marking.h"
#include "classify/settings.h"
#include "com/text.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static ClassificationSettings settings;
  const bool html = data[0] & 1;
  const int places = (data[0] >> 1) & 3;
  auto f = Fields(data + 1, size - 1, 2);  // body (UTF-16 code units), level name
  WideText mark;
  try {
    mark = AnsiToWide(BodyMark(settings, f[1], html));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  const WideText original = Utf16(f[0]);
  const std::vector<Insertion> plan = PlanBodyMarks(original, html, mark, places);
  const WideText body = WithInsertions(original, plan);
  size_t grown = 0, previous = 0;
  for (const Insertion& i : plan) {
    FUZZ_REQUIRE(i.at >= previous && i.at <= original.size());
    previous = i.at;
    grown += i.text.size();
  }
  FUZZ_REQUIRE(body.size() == original.size() + grown);
  const size_t top = mark.size() + (html ? 8 : 2), bottom = mark.size() + (html ? 4 : 1);
  if (!html) FUZZ_REQUIRE(grown == ((places & 1) ? top : 0) + ((places & 2) ? bottom : 0));
  else FUZZ_REQUIRE(grown == 0 || grown == top || grown == bottom || grown == top + bottom);
  // The sender's text is never lost or changed: taking the insertions out gives it back.
  WideText back;
  size_t done = 0, shift = 0;
  for (const Insertion& i : plan) {
    back += body.substr(done + shift, i.at - done);
    shift += i.text.size();
    done = i.at;
  }
  back += body.substr(done + shift);
  FUZZ_REQUIRE(back == original);
  return 0;
}

#include "classify/label_reading.h"
#include "fuzz_input.h"

// A field's value as RFC 2231 parameters: what parses has at most 64 names, each a token in
// lower case, and parses the same again when written back whole and quoted.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::map<std::string, std::string> parameters;
  if (!ParseParameters(std::string_view(reinterpret_cast<const char*>(data), size), &parameters)) return 0;
  FUZZ_REQUIRE(parameters.size() <= 64);
  std::string again;
  for (const auto& [name, value] : parameters) {
    FUZZ_REQUIRE(!name.empty() && name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ*=; \"") == std::string::npos);
    if (value.find_first_of("\r\n") != std::string::npos) return 0;  // a folded value is unfolded by the caller
    std::string quoted;
    for (char c : value) quoted += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    again += name + "=\"" + quoted + "\"; ";
  }
  std::map<std::string, std::string> reread;
  FUZZ_REQUIRE(ParseParameters(again, &reread) && reread == parameters);
  return 0;
}

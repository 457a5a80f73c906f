// Cuts a fuzzer's input into fields at 0x1F (unit separator) bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

inline std::vector<std::string> Fields(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0x1F && fields.size() < count) fields.emplace_back();
    else fields.back() += char(data[i]);
  }
  fields.resize(count);
  return fields;
}

// A field read as UTF-16 code units, two bytes each (a lone trailing byte is dropped):
// every plane, and unpaired surrogates too.
inline std::basic_string<char16_t> Utf16(const std::string& bytes) {
  std::basic_string<char16_t> out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    out += char16_t(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  return out;
}

// A property the add-in relies on did not hold: stop with the input libFuzzer keeps.
#define FUZZ_REQUIRE(cond) \
  do {                     \
    if (!(cond)) std::abort(); \
  } while (0)

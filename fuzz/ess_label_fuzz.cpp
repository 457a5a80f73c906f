#include "classify/label_reading.h"
#include "classify/standard_label.h"
#include "fuzz_input.h"

// DER of an ESS security label: what parses names an object identifier and a classification
// in range; a label the add-in writes of what was read parses to the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string oid;
  int number = 0;
  if (!ParseEssLabel(std::string(reinterpret_cast<const char*>(data), size), &oid, &number)) return 0;
  FUZZ_REQUIRE(oid.find('.') != std::string::npos);
  FUZZ_REQUIRE(number >= -1 && number <= 0x7FFF);
  if (!IsObjectIdentifier(oid) || number > 256) return 0;
  std::string again;
  int reread = 0;
  FUZZ_REQUIRE(ParseEssLabel(EssLabelDer(oid, number), &again, &reread) && again == oid && reread == number);
  return 0;
}

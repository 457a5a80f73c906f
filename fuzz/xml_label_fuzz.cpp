#include "classify/label_reading.h"
#include "classify/standard_label.h"
#include "fuzz_input.h"

// An ADatP-4774 label through the XML reader: what is read is two tokens of bounded length,
// and the label the add-in writes of them reads back the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string policy, classification;
  const LabelXmlResult read =
      ReadConfidentialityLabel(std::string(reinterpret_cast<const char*>(data), size), &policy, &classification);
  FUZZ_REQUIRE(read != LabelXmlResult::NoReader);
  if (read != LabelXmlResult::Read) return 0;
  for (const std::string* value : {&policy, &classification}) {
    FUZZ_REQUIRE(!value->empty() && value->size() <= 1024 && value->front() != ' ' && value->back() != ' ');
    FUZZ_REQUIRE(value->find("  ") == std::string::npos);
  }
  std::string policyAgain, classificationAgain;
  FUZZ_REQUIRE(ReadConfidentialityLabel(ConfidentialityLabelXml(policy, classification), &policyAgain,
                                        &classificationAgain) == LabelXmlResult::Read);
  FUZZ_REQUIRE(policyAgain == policy && classificationAgain == classification);
  return 0;
}

#include "classify/label_reading.h"
#include "fuzz_input.h"

// A partner's msip_labels field: whatever it holds gives one of the policy's levels or none,
// and a level given is one PartnerLabels names.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ClassificationSettings* settings = [] {
    SettingsDefaults d = SettingsDefaults::Compiled();
    d.PartnerLabels = "f42aa342-8706-4288-bd11-ebb85995028c=SECRET;0c2d7b8e-1a1f-4f0e-9d6e-52b3a1e0c001=CONFIDENTIAL";
    return new ClassificationSettings(d);
  }();
  const std::string field = "msip_labels: " + std::string(reinterpret_cast<const char*>(data), size);
  const LabelReading read = LevelFromLabels(*settings, field);
  FUZZ_REQUIRE(read.level == 0 || read.level == 2 || read.level == 3);
  FUZZ_REQUIRE(read.level != 0 || !read.note.empty());
  return 0;
}

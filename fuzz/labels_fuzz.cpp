#include "classify/label_reading.h"
#include "classify/standard_label.h"
#include "fuzz_input.h"

// A received header block under a policy that reads ESS labels of policy 1.1, markings and a
// partner's label: whatever arrives gives a level of the policy or none, and each parser's
// answer holds what it promises.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ClassificationSettings* settings = [] {
    SettingsDefaults d = SettingsDefaults::Compiled();
    d.StandardLabel = StandardLabelKind::Ess;
    d.LabelPolicyOid = "1.1";
    d.LabelMarkings = ";;EXAMPLE SECRET";
    d.PartnerLabels = "f42aa342-8706-4288-bd11-ebb85995028c=SECRET";
    return new ClassificationSettings(d);
  }();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const LabelReading read = LevelFromLabels(*settings, text);
  FUZZ_REQUIRE(read.level >= 0 && read.level <= settings->LevelCount());
  return 0;
}

#include "classify/label_reading.h"
#include "classify/standard_label.h"
#include "fuzz_input.h"

// A received header block under a policy that reads ESS labels of policy 1.1 and markings:
// whatever arrives gives a level of the policy or none, and each parser's answer holds what
// it promises.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ClassificationSettings* settings = [] {
    SettingsDefaults d = SettingsDefaults::Compiled();
    d.StandardLabel = StandardLabelKind::Ess;
    d.LabelPolicyOid = "1.1";
    d.LabelMarkings = ";;EXAMPLE SECRET";
    return new ClassificationSettings(d);
  }();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const LabelReading read = LevelFromLabels(*settings, text);
  FUZZ_REQUIRE(read.level >= 0 && read.level <= settings->LevelCount());
  FUZZ_REQUIRE(read.level == 0 || read.note.empty());
  std::map<std::string, std::string> parameters;
  if (ParseParameters(text, &parameters)) FUZZ_REQUIRE(parameters.size() <= 64);
  std::string bytes;
  if (DecodeBase64(text, &bytes)) FUZZ_REQUIRE(bytes.size() <= text.size() / 4 * 3);
  std::string oid;
  int number = 0;
  if (ParseEssLabel(text, &oid, &number)) {
    FUZZ_REQUIRE(oid.find('.') != std::string::npos);
    FUZZ_REQUIRE(number >= -1 && number <= 0x7FFF);
  }
  return 0;
}

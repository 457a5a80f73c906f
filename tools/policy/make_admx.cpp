// The Group Policy templates and registry files of the add-in, made from the one option
// table (cmake/default.policy, its "#@" lines):
//   orvan-admx OPTIONS OUT_DIR               OUT_DIR/Orvan.admx and OUT_DIR/LANGUAGE/Orvan.adml
//                                            for en-US, fr-FR and de-DE
//   orvan-admx --reg OPTIONS POLICY [--user] a REGEDIT4 file of the Group Policy values that
//                                            the policy file POLICY sets (HKLM, or HKCU)
#include <filesystem>
#include <iostream>
#include <string>
#include "templates.h"

using namespace policy_templates;

int main(int argc, char** argv) {
  std::vector<Option> options;
  if (argc >= 4 && std::string(argv[1]) == "--reg") {
    if (!ReadOptions(argv[2], &options)) return 2;
    return WriteReg(options, argv[3], argc == 5 && std::string(argv[4]) == "--user", std::cout);
  }
  if (argc != 3) {
    std::cerr << "usage: orvan-admx OPTIONS OUT_DIR | orvan-admx --reg OPTIONS POLICY_FILE [--user]\n";
    return 2;
  }
  if (!ReadOptions(argv[1], &options) || options.empty()) {
    std::cerr << "orvan-admx: no Group Policy settings in '" << argv[1] << "'\n";
    return 2;
  }
  const std::string dir = argv[2];
  for (const TemplateLanguage& language : kTemplateLanguages) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(dir) / language.folder, error);
  }
  bool written = WriteAdmx(options, dir + "/Orvan.admx");
  for (const TemplateLanguage& language : kTemplateLanguages)
    written = written && WriteAdml(options, dir + "/" + language.folder + "/Orvan.adml", language.code);
  if (!written) {
    std::cerr << "orvan-admx: cannot write into '" << dir << "'\n";
    return 1;
  }
  return 0;
}

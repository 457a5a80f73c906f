// Writes the installer's WiX source for one architecture from the registration table the
// DLL itself registers with, so the package and DllRegisterServer can never disagree.
// usage: orvan-wxs x86|x64 VERSION DLL_PATH > package.wxs
//        orvan-wxs --registry-rows   the Registry table rows the package must hold
//                                    (root, key, name, value; tab-separated, as msiinfo
//                                    exports them)
#include <cstdio>
#include <string>
#include "com/markup.h"
#include "server/registration_table.h"

namespace {

std::string Xml(const std::string& s) { return MarkupText(s); }

}  // namespace

int main(int argc, char** argv) {
  using namespace registration;
  if (argc == 2 && std::string(argv[1]) == "--registry-rows") {
    for (const Entry& e : kEntries) {
      std::string value = e.kind == Kind::Dword ? "#" + std::to_string(e.number)
                          : std::string(e.text) == kLibraryToken ? "[#OrvanClassify.dll]"
                                                                  : e.text;
      std::printf("%d\t%s\t%s\t%s\n", e.root == Root::ClassesRoot ? 0 : 2, e.key, e.name ? e.name : "",
                  value.c_str());
    }
    return 0;
  }
  if (argc != 4 || (std::string(argv[1]) != "x86" && std::string(argv[1]) != "x64")) {
    std::fprintf(stderr, "usage: orvan-wxs x86|x64 VERSION DLL_PATH\n");
    return 2;
  }
  const bool x64 = std::string(argv[1]) == "x64";
  const std::string version = argv[2], dll = argv[3];
  std::printf(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n"
      "  <Product Id=\"*\" Name=\"Orvan Classify for Outlook (%s)\" Language=\"1033\" Version=\"%s\"\n"
      "           Manufacturer=\"Orvan\" UpgradeCode=\"7D3E9A41-2C6B-4F0E-9B1A-5E8C4D2F6A13\">\n"
      "    <Package InstallerVersion=\"200\" Compressed=\"yes\" InstallScope=\"perMachine\"\n"
      "             Description=\"%s\" Manufacturer=\"Orvan\" />\n"
      "    <Media Id=\"1\" Cabinet=\"orvan.cab\" EmbedCab=\"yes\" />\n"
      "    <MajorUpgrade DowngradeErrorMessage=\"A newer version of Orvan Classify is already installed.\" />\n"
      "    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n"
      "      <Directory Id=\"%s\">\n"
      "        <Directory Id=\"INSTALLDIR\" Name=\"Orvan Classify\">\n"
      "          <Component Id=\"AddIn\" Guid=\"%s\" Win64=\"%s\">\n"
      "            <File Id=\"OrvanClassify.dll\" Name=\"OrvanClassify.dll\" Source=\"%s\" KeyPath=\"yes\" />\n",
      x64 ? "64-bit" : "32-bit", Xml(version).c_str(), Xml(kDisplayName).c_str(),
      x64 ? "ProgramFiles64Folder" : "ProgramFilesFolder",
      x64 ? "4B2F8C61-0D3A-4E7B-A5C9-1F6E2D8B3A70" : "4B2F8C61-0D3A-4E7B-A5C9-1F6E2D8B3A86", x64 ? "yes" : "no",
      Xml(dll).c_str());
  for (const Entry& e : kEntries) {
    const char* root = e.root == Root::ClassesRoot ? "HKCR" : "HKLM";
    std::string name = e.name ? std::string(" Name=\"") + Xml(e.name) + "\"" : "";
    std::string value = e.kind == Kind::Dword ? std::to_string(e.number)
                        : std::string(e.text) == kLibraryToken ? "[#OrvanClassify.dll]"
                                                                : Xml(e.text);
    std::printf("            <RegistryValue Root=\"%s\" Key=\"%s\"%s Type=\"%s\" Value=\"%s\" />\n", root,
                Xml(e.key).c_str(), name.c_str(), e.kind == Kind::Dword ? "integer" : "string", value.c_str());
  }
  std::printf(
      "          </Component>\n"
      "        </Directory>\n"
      "      </Directory>\n"
      "    </Directory>\n"
      "    <Feature Id=\"Complete\" Level=\"1\">\n"
      "      <ComponentRef Id=\"AddIn\" />\n"
      "    </Feature>\n"
      "  </Product>\n"
      "</Wix>\n");
  return 0;
}

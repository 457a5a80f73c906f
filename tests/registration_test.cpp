#include <set>
#include <sstream>
#include "server/registration.h"
#include "server/registration_table.h"
#include "test_support.h"

using testing_support::AddInTest;

namespace {

class Registration : public AddInTest {
 protected:
  static HKEY RootOf(registration::Root r) {
    return r == registration::Root::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
  }
  static std::string LibraryPath() {
    char path[512];
    GetModuleFileNameA(ModuleHandle, path, sizeof path);
    return path;
  }
  // Every entry of the table, read back exactly, with its type and data length.
  static void ExpectTableInRegistry() {
    for (const registration::Entry& e : registration::kEntries) {
      HKEY key = nullptr;
      ASSERT_EQ(RegOpenKeyExA(RootOf(e.root), e.key, 0, KEY_READ, &key), ERROR_SUCCESS) << e.key;
      BYTE data[600];
      DWORD type = 0, size = sizeof data;
      ASSERT_EQ(RegQueryValueExA(key, e.name, nullptr, &type, data, &size), ERROR_SUCCESS) << e.key;
      RegCloseKey(key);
      if (e.kind == registration::Kind::Dword) {
        EXPECT_EQ(type, DWORD(REG_DWORD));
        DWORD value;
        std::memcpy(&value, data, 4);
        EXPECT_EQ(value, e.number) << e.key << " " << e.name;
      } else {
        std::string expected = std::string(e.text) == registration::kLibraryToken ? LibraryPath() : e.text;
        EXPECT_EQ(type, DWORD(REG_SZ));
        EXPECT_EQ(size, expected.size() + 1) << "terminating zero counted";
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data)), expected);
      }
    }
  }
};

TEST_F(Registration, WritesExactlyTheTableAndTwiceTheSame) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  ExpectTableInRegistry();
  std::string once = portable_registry::Export();
  // And nothing the table does not hold: every value in the registry is one of its entries.
  std::set<std::string> table, written;
  for (const registration::Entry& e : registration::kEntries)
    table.insert(std::string(e.root == registration::Root::ClassesRoot ? "HKEY_CLASSES_ROOT\\" : "HKEY_LOCAL_MACHINE\\") +
                 e.key + " " + (e.name ? std::string("\"") + e.name + "\"" : "@"));
  std::istringstream lines(once);
  std::string line, key;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.front() == '[') key = line.substr(1, line.size() - 2);
    else if (line.find('=') != std::string::npos) written.insert(key + " " + line.substr(0, line.find('=')));
  }
  EXPECT_EQ(written, table) << once;
  EXPECT_NE(once.find("[HKEY_CLASSES_ROOT\\CLSID\\{5B1E7C42-3D9A-4e61-A0F8-27C4D913B6E5}]"), std::string::npos);
  EXPECT_EQ(once.find("ThreadingModel"), std::string::npos);
  ASSERT_EQ(DllRegisterServer(), S_OK);
  EXPECT_EQ(portable_registry::Export(), once);
}

TEST_F(Registration, UnregisterRemovesEveryKeyButThePlacement) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  HKEY user = nullptr;
  ASSERT_TRUE(SetKeyDefault(HKEY_CURRENT_USER, ORVAN_ADDIN_KEY, "Child", "x"));  // a per-user copy
  ClassificationSettings::WriteRegistryValue("CommandBarTop", 5);
  ASSERT_EQ(DllUnregisterServer(), S_OK);
  std::string reg = portable_registry::Export();
  EXPECT_EQ(reg.find("Addins\\OrvanClassifyAddinForOutlook"), std::string::npos) << reg;
  EXPECT_EQ(reg.find("{5B1E7C42"), std::string::npos);
  EXPECT_EQ(reg.find("OrvanClassifyAddinForOutlook]"), std::string::npos) << reg;
  EXPECT_NE(reg.find("\"CommandBarTop\"=dword:00000005"), std::string::npos);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, ORVAN_ADDIN_KEY, 0, KEY_READ, &user), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(DllUnregisterServer(), S_OK);  // nothing left to remove is no failure
}

TEST_F(Registration, WithoutMachineRightsRegistrationStillSucceeds) {
  portable_registry::SetReadOnly(HKEY_LOCAL_MACHINE, true);
  EXPECT_EQ(DllRegisterServer(), S_OK);
  std::string reg = portable_registry::Export();
  EXPECT_NE(reg.find("[HKEY_CLASSES_ROOT\\OrvanClassifyAddinForOutlook\\CLSID]"), std::string::npos);
  EXPECT_EQ(reg.find("HKEY_LOCAL_MACHINE"), std::string::npos);
}

TEST_F(Registration, DeleteKeyTreeRemovesDeepTreesAndReportsMissingKeys) {
  ASSERT_TRUE(SetKeyDefault(HKEY_CLASSES_ROOT, "A\\B\\C", "D", "x"));
  ASSERT_TRUE(SetKeyDefault(HKEY_CLASSES_ROOT, "A\\E", nullptr, nullptr));
  EXPECT_EQ(DeleteKeyTree(HKEY_CLASSES_ROOT, "A"), ERROR_SUCCESS);
  EXPECT_EQ(portable_registry::Export(), "REGEDIT4\n\n");
  EXPECT_EQ(DeleteKeyTree(HKEY_CLASSES_ROOT, "A"), ERROR_FILE_NOT_FOUND);
}

}  // namespace

// The portable platform layer must behave as Windows does where the add-in relies on it.
#include <gtest/gtest.h>
#include <string>
#include "platform/mapi.h"
#include "platform/win.h"

namespace {

std::string ToAcp(const std::u16string& w) {
  char buf[64] = {};
  BOOL used = FALSE;
  int n = WideCharToMultiByte(CP_ACP, 0, w.data(), int(w.size()), buf, sizeof buf, nullptr, &used);
  return std::string(buf, size_t(n > 0 ? n : 0));
}

TEST(CodePage1252, RoundTripsItsOwnCharacters) {
  std::string ansi = "caf\xE9 \xFC \x80 \x9F";
  wchar_t dummy = 0;
  (void)dummy;
  char16_t wide[32];
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), wide, 32);
  ASSERT_EQ(n, 10);
  EXPECT_EQ(wide[3], u'\u00E9');
  EXPECT_EQ(wide[7], u'\u20AC');
  EXPECT_EQ(wide[9], u'\u0178');
  EXPECT_EQ(ToAcp(std::u16string(wide, size_t(n))), ansi);
}

TEST(CodePage1252, CharactersOutsideBecomeQuestionMarks) {
  EXPECT_EQ(ToAcp(u"\u0416x\u4E2D"), "?x?");
  EXPECT_EQ(ToAcp(u"\U0001F600"), "??");
}

TEST(CodePage1252, SizesFollowTheSdk) {
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);  // with the terminator
  char16_t small[2];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, small, 2), 0);  // too small: nothing
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", 1, nullptr, 0, nullptr, nullptr), 3);
}

TEST(CharLowerA, LowersAsciiAndLatin1Letters) {
  char text[] = "HTML <BODY> \xC9\xD7\x8A\x9F";
  CharLowerA(text);
  EXPECT_STREQ(text, "html <body> \xE9\xD7\x9A\xFF");
}

TEST(Registry, DeleteRefusesKeysWithSubkeys) {
  portable_registry::Clear();
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "A"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "a\\b"), ERROR_SUCCESS);  // names ignore case
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "A"), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "A", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST(Registry, ReadOnlyRootRefusesWritesButReads) {
  portable_registry::Clear();
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  portable_registry::SetReadOnly(HKEY_LOCAL_MACHINE, true);
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  portable_registry::SetReadOnly(HKEY_LOCAL_MACHINE, false);
}

TEST(Registry, RegFileRoundTrip) {
  portable_registry::Clear();
  std::string text =
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orvan_Classify]\n\"CommandBarTop\"=dword:ffffffff\n\n"
      "[HKEY_CLASSES_ROOT\\OrvanClassifyAddinForOutlook]\n@=\"Orvan \\\"Classify\\\"\"\n";
  std::string error;
  ASSERT_TRUE(portable_registry::Import(text, &error)) << error;
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "OrvanClassifyAddinForOutlook", 0, KEY_READ, &key), ERROR_SUCCESS);
  char value[64];
  DWORD size = sizeof value, type = 0;
  ASSERT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_STREQ(value, "Orvan \"Classify\"");
  std::string exported = portable_registry::Export();
  portable_registry::Clear();
  ASSERT_TRUE(portable_registry::Import(exported, &error)) << error;
  EXPECT_EQ(portable_registry::Export(), exported);
  // Each bad line is refused with its number and what is wrong with it.
  const std::pair<const char*, const char*> bad[] = {
      {"[HKEY_NOWHERE\\X]", "line 2: unknown root HKEY_NOWHERE"},
      {"[HKEY_CURRENT_USER\\X", "line 2: unterminated key name"},
      {"\"A\"=dword:1", "line 2: value outside a key"},
      {"[HKEY_CURRENT_USER\\X]\n\"A\"=dword:1", "line 3: bad dword"},
      {"[HKEY_CURRENT_USER\\X]\n\"A\"=hex(1):41,0", "line 3: bad hex(1) byte"},
      {"[HKEY_CURRENT_USER\\X]\n\"A\"=\"open", "line 3: bad string"},
      {"[HKEY_CURRENT_USER\\X]\n\"A\" \"B\"", "line 3: expected ="},
      {"[HKEY_CURRENT_USER\\X]\nA=1", "line 3: bad value name"},
      {"[HKEY_CURRENT_USER\\X]\n\"A\"=hex:00", "line 3: unsupported value type"}};
  for (const auto& [lines, why] : bad) {
    EXPECT_FALSE(portable_registry::Import(std::string("REGEDIT4\n") + lines + "\n", &error)) << lines;
    EXPECT_EQ(error, why) << lines;
  }
  EXPECT_FALSE(portable_registry::Import("[HKEY_CURRENT_USER\\X]\n", &error));
  EXPECT_EQ(error, "line 1: expected REGEDIT4");
  ASSERT_TRUE(portable_registry::Import("REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"W\"=hex(1):41,00,e9,00\n", &error)) << error;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "X", 0, KEY_READ, &key), ERROR_SUCCESS);
  size = sizeof value;
  ASSERT_EQ(RegQueryValueExA(key, "W", nullptr, &type, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(std::string(value), "A\xE9");  // UTF-16 bytes, read back in the ANSI code page
}

TEST(MapiBuffers, FreeingTheParentFreesTheChain) {
  long before = PortableMapiBuffersOutstanding();
  void* parent = nullptr;
  void* more = nullptr;
  ASSERT_EQ(MAPIAllocateBuffer(16, &parent), S_OK);
  ASSERT_EQ(MAPIAllocateMore(100, parent, &more), S_OK);
  std::memset(more, 1, 100);
  EXPECT_EQ(PortableMapiBuffersOutstanding(), before + 1);
  MAPIFreeBuffer(parent);
  EXPECT_EQ(PortableMapiBuffersOutstanding(), before);
}

TEST(LoadStringA, CutsToTheBuffer) {
  char small[6];
  EXPECT_EQ(LoadStringA(PortableModuleHandle(), 101, small, sizeof small), 5);
  EXPECT_STREQ(small, "Class");
  EXPECT_EQ(LoadStringA(PortableModuleHandle(), 4242, small, sizeof small), 0);
}

}  // namespace

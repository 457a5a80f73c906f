#include "diag/event_record.h"

#include <cstdio>
#include "com/text.h"
#include "platform/unique_handle.h"

const char kEventSource[] = "Orvan Classify";

std::basic_string<WCHAR> EventText(const std::string& utf8) {
  const std::basic_string<OLECHAR> wide = Utf8ToWide(utf8);
  std::basic_string<WCHAR> out;
  for (size_t i = 0; i < wide.size() && out.size() < kLongestEventText; ++i) {
    const WCHAR c = WCHAR(wide[i]);
    const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
    if (high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      if (out.size() + 2 > kLongestEventText) break;  // never half a character
      out += c;
      out += WCHAR(wide[++i]);
    } else if (high || low) {
      out += WCHAR(0xFFFD);
    } else {
      out += c < 0x20 || c == 0x7F ? WCHAR(' ') : c;
    }
  }
  return out;
}

namespace {

// The user the add-in runs as, for the event's user; none where Windows gives none.
struct ProcessUser {
#ifdef _WIN32
  ProcessUser() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size) {
      buffer.resize(size);
      if (!GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) buffer.clear();
    }
    CloseHandle(token);
  }
  PSID sid() const { return buffer.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid; }
  std::vector<BYTE> buffer;
#else
  void* sid() const { return nullptr; }
#endif
};

}  // namespace

void WriteEvent(WORD type, WORD category, DWORD id, const std::vector<std::string>& fields) noexcept {
  try {
    const UniqueEventSource source(RegisterEventSourceA(nullptr, kEventSource));
    if (!source) return;
    std::vector<std::basic_string<WCHAR>> texts;
    for (const std::string& field : fields) texts.push_back(EventText(field));
    std::vector<LPCWSTR> strings;
    for (const auto& text : texts) strings.push_back(text.c_str());
    static const ProcessUser user;  // read once: the process's user does not change
    ReportEventW(source.get(), type, category, id, user.sid(), WORD(strings.size()), 0, strings.data(), nullptr);
  } catch (...) {
    // Out of memory: the event goes unwritten, as a full log's would.
  }
}

std::string NewCorrelationId() {
  GUID id{};
  if (FAILED(CoCreateGuid(&id))) return "none";
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned long>(id.Data1),
                id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5],
                id.Data4[6], id.Data4[7]);
  return text;
}

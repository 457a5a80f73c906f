#include "sim/world.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include "platform/mapi.h"
#include "sim/dispatch_object.h"
#ifndef _WIN32
#include "sim/mapi_session.h"
#endif

namespace sim {

namespace {
World* g_current = nullptr;
int g_addInDepth = 0;

#ifndef _WIN32
HWND ActiveWindowHook() {
  static HWND__ window{};
  return &window;
}

int MessageBoxHook(HWND, const char* text, const char* caption, UINT type) {
  HostScope host;
  World* w = World::Current();
  const int answer = (type & 0xF) == MB_YESNO ? (w ? w->NextAnswer() : IDNO) : IDOK;
  if (w) w->messageBoxes.push_back({text ? text : "", caption ? caption : "", type, answer});
  return answer;
}

int ReasonBoxHook(HWND, const char* caption, const char* text, const char* const* choices, int count, char* other,
                  int otherSize) {
  HostScope host;
  World* w = World::Current();
  if (!w) return -1;
  World::ReasonBox box{caption ? caption : "", text ? text : "", {}, std::string()};
  for (int i = 0; i < count; ++i) box.choices.push_back(choices[i] ? choices[i] : "");
  std::string own;
  const int choice = w->NextReason(count, &own);
  box.answer = choice < 0 ? "cancel" : choice == count - 1 && !own.empty() ? own : std::to_string(choice + 1);
  w->reasonBoxes.push_back(box);
  if (other && otherSize > 0) std::snprintf(other, size_t(otherSize), "%s", own.c_str());
  return choice;
}

void EventLogHook(const char* source, WORD type, WORD category, DWORD id, const char* const* strings, WORD count) {
  HostScope host;
  World* w = World::Current();
  if (!w) return;
  World::Event e{source ? source : "", type, id, std::string(), category, {}};
  for (WORD i = 0; i < count; ++i) {
    e.fields.push_back(strings[i] ? strings[i] : "");
    e.text += (i ? " " : "") + e.fields.back();
  }
  w->events.push_back(e);
}

HRESULT LogonHook(LPMAPISESSION* session) {
  HostScope host;
  World* w = World::Current();
  if (!w) return MAPI_E_LOGON_FAILED;
  HRESULT fault = w->BeforeCall("MAPILogonEx");
  if (FAILED(fault)) return fault;
  MapiSession* s = w->Make<MapiSession>();
  s->AddRef();
  *session = s;
  return S_OK;
}
#endif
}  // namespace

int AddInDepth() { return g_addInDepth; }
AddInScope::AddInScope() { ++g_addInDepth; }
AddInScope::~AddInScope() { --g_addInDepth; }
HostScope::HostScope() : saved(g_addInDepth) { g_addInDepth = 0; }
HostScope::~HostScope() { g_addInDepth = saved; }

namespace {
#ifdef _WIN32
// On Windows the add-in's message box is a real one: the user of the simulated Outlook
// reads it here and presses OK, so that a script never waits for a hand on the mouse.
HHOOK g_messageBoxWatch = nullptr;

std::string TextOf(HWND window) {
  wchar_t text[2048] = {};
  GetWindowTextW(window, text, int(sizeof text / sizeof text[0]));
  return Utf8(reinterpret_cast<const OLECHAR*>(text), std::char_traits<wchar_t>::length(text));
}

// The add-in's reason dialog, answered as a sender would, by its controls as the user sees
// them (its question the first text, one list, one text box): a choice in the list, another
// reason typed into the box, then Send; Cancel where the answer says so, or where Send does
// not take the answer.
void AnswerReasonDialog(HWND box, HWND list) {
  World* w = World::Current();
  World::ReasonBox seen{TextOf(box), TextOf(FindWindowExW(box, nullptr, L"Static", nullptr)), {}, std::string()};
  const int count = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t item[1100] = {};
    if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < LRESULT(sizeof item / sizeof item[0]))
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
    seen.choices.push_back(Utf8(reinterpret_cast<const OLECHAR*>(item), std::char_traits<wchar_t>::length(item)));
  }
  std::string own;
  const int choice = w->NextReason(count, &own);
  seen.answer = choice < 0 ? "cancel" : choice == count - 1 && !own.empty() ? own : std::to_string(choice + 1);
  w->reasonBoxes.push_back(seen);
  if (choice >= 0) {
    SendMessageW(list, LB_SETCURSEL, WPARAM(choice), 0);
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    const std::basic_string<OLECHAR> wide = Wide(own);
    if (!own.empty()) SetWindowTextW(FindWindowExW(box, nullptr, L"Edit", nullptr), reinterpret_cast<LPCWSTR>(wide.c_str()));
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  }
  PostMessageW(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);  // dropped once Send ended it
}

LRESULT CALLBACK WatchMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wParam);
    char kind[16] = {}, caption[512] = {}, text[2048] = {};
    GetClassNameA(box, kind, sizeof kind);
    HWND list = FindWindowExW(box, nullptr, L"ListBox", nullptr);  // only the reason dialog has one
    if (std::string(kind) == "#32770" && list && World::Current()) {
      AnswerReasonDialog(box, list);
    } else if (std::string(kind) == "#32770" && World::Current()) {  // the dialog class of a message box
      GetWindowTextA(box, caption, sizeof caption);
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // its text control
      // A question has Yes and No buttons: the script's answer; any other box has OK.
      const bool question = GetDlgItem(box, IDYES) != nullptr;
      const int answer = question ? World::Current()->NextAnswer() : IDOK;
      World::Current()->messageBoxes.push_back({text, caption, question ? UINT(MB_YESNO) : 0u, answer});
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    }
  }
  return CallNextHookEx(g_messageBoxWatch, code, wParam, lParam);
}
#endif
}  // namespace

World::World() : previous_(g_current) {
  g_current = this;
#ifndef _WIN32
  SetPortableUiHooks({ActiveWindowHook, MessageBoxHook, ReasonBoxHook});
  SetPortableMapiLogonHook(LogonHook);
  SetPortableEventLogHook(EventLogHook);
#else
  if (!g_messageBoxWatch) g_messageBoxWatch = SetWindowsHookExA(WH_CBT, WatchMessageBoxes, nullptr, GetCurrentThreadId());
#endif
}

World::~World() {
  g_current = previous_;
#ifndef _WIN32
  if (!previous_) {
    SetPortableUiHooks({nullptr, nullptr, nullptr});
    SetPortableMapiLogonHook(nullptr);
    SetPortableEventLogHook(nullptr);
  }
#else
  if (!previous_ && g_messageBoxWatch) {
    UnhookWindowsHookEx(g_messageBoxWatch);
    g_messageBoxWatch = nullptr;
  }
#endif
}

World* World::Current() { return g_current; }

int World::NextAnswer() {
  if (answers.empty()) return IDNO;
  const int answer = answers.front();
  answers.erase(answers.begin());
  return answer;
}

int World::NextReason(int count, std::string* other) {
  other->clear();
  if (reasonAnswers.empty()) return -1;
  const std::string answer = reasonAnswers.front();
  reasonAnswers.erase(reasonAnswers.begin());
  if (answer == "cancel") return -1;
  if (!answer.empty() && answer.size() < 4 && answer.find_first_not_of("0123456789") == std::string::npos) {
    const int n = std::atoi(answer.c_str());
    return n >= 1 && n <= count ? n - 1 : -1;
  }
  *other = answer;
  return count - 1;
}

HRESULT World::BeforeCall(const char* member) {
  ++calls_;
  ++perMember_[member];
  if (!onCall_.empty()) {
    auto hook = onCall_.find(member);
    if (hook != onCall_.end() && hook->second) {
      const std::function<void()> fn = hook->second;  // the hook may replace itself
      fn();
    }
  }
  if (failAt_ && calls_ == failAt_) {
    failedMember_ = member;
    return failAtHr_;
  }
  auto it = memberFaults_.find(member);
  if (it != memberFaults_.end() && it->second.remaining != 0) {
    if (it->second.remaining > 0) --it->second.remaining;
    return it->second.hr;
  }
  return S_OK;
}

void World::FailCall(long n, HRESULT hr) {
  failAt_ = calls_ + n;
  failAtHr_ = hr;
}

void World::FailMember(const std::string& member, HRESULT hr, long times) { memberFaults_[member] = {hr, times}; }

void World::ClearFaults() {
  failAt_ = 0;
  memberFaults_.clear();
}

long World::Calls(const std::string& member) const {
  auto it = perMember_.find(member);
  return it == perMember_.end() ? 0 : it->second;
}

void World::ResetCounts() {
  calls_ = 0;
  perMember_.clear();
}

void World::OnCall(const std::string& member, std::function<void()> fn) {
  if (fn) onCall_[member] = std::move(fn);
  else onCall_.erase(member);
}

size_t World::AdvisedSinks() const {
  size_t n = 0;
  for (const auto& o : objects_) n += o->Sinks();
  return n;
}

void World::DropAllSinks() {
  for (size_t i = 0; i < objects_.size(); ++i) objects_[i]->DropSinks();
}

long World::OutstandingRefs(std::vector<std::string>* report) const {
  long total = 0;
  for (const auto& o : objects_) {
    if (!o->refs()) continue;
    total += long(o->refs());
    if (report) report->push_back(o->name() + ": " + std::to_string(o->refs()));
  }
  return total;
}

}  // namespace sim

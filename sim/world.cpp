#include "sim/world.h"

#include <algorithm>
#include "platform/mapi.h"
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

LRESULT CALLBACK WatchMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wParam);
    char kind[16] = {}, caption[512] = {}, text[2048] = {};
    GetClassNameA(box, kind, sizeof kind);
    if (std::string(kind) == "#32770" && World::Current()) {  // the dialog class of a message box
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
  SetPortableUiHooks({ActiveWindowHook, MessageBoxHook});
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
    SetPortableUiHooks({nullptr, nullptr});
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

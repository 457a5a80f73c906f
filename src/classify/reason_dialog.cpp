#include "classify/reason_dialog.h"

#include "classify/load_text.h"
#include "classify/resource_ids.h"
#include "com/module.h"
#include "com/text.h"
#include "platform/win.h"

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || (c > 0 && c < ' '); }

}  // namespace

ReasonQuestion MakeReasonQuestion(const ClassificationSettings& s, const std::string& answered,
                                  const std::string& level) {
  ReasonQuestion q;
  q.caption = s.PromptCaption;
  q.text = FormatText(IDS_REASON_TEXT, {answered, level});
  q.listLabel = LoadText(IDS_REASON_LIST_LABEL);
  q.otherLabel = LoadText(IDS_REASON_OTHER_LABEL);
  q.send = LoadText(IDS_REASON_OK);
  q.cancel = LoadText(IDS_REASON_CANCEL);
  q.choices = s.DowngradeReasons;
  q.choices.push_back(LoadText(IDS_REASON_OTHER));
  return q;
}

std::string ReasonOf(const ReasonQuestion& q, int choice, const std::string& other) {
  const int last = int(q.choices.size()) - 1;
  if (choice < 0 || choice > last) return std::string();
  if (choice < last) return q.choices[size_t(choice)];
  // The sender's own words, their blanks made single: a reason, not a layout.
  std::string words;
  int count = 0;
  for (size_t i = 0; i < other.size();) {
    while (i < other.size() && IsBlank(other[i])) ++i;
    const size_t start = i;
    while (i < other.size() && !IsBlank(other[i])) ++i;
    if (i == start) break;
    words += (count++ ? " " : "") + other.substr(start, i - start);
  }
  return count >= kFewestReasonWords ? FormatText(IDS_CAPTION, {q.choices.back()}) + " " + words : std::string();
}

#ifdef _WIN32
namespace {

// The longest reason a sender may type, in characters.
constexpr int kLongestOwnReason = 500;

struct DialogState {
  const ReasonQuestion* question;
  std::string reason;
};

LPCWSTR W(const std::basic_string<OLECHAR>& text) { return reinterpret_cast<LPCWSTR>(text.c_str()); }

void SetText(HWND dialog, int id, const std::string& utf8) {
  const std::basic_string<OLECHAR> wide = Utf8ToWide(utf8);
  if (id) SetDlgItemTextW(dialog, id, W(wide));
  else SetWindowTextW(dialog, W(wide));
}

std::string TextOf(HWND control) {
  const int n = GetWindowTextLengthW(control);
  if (n <= 0) return std::string();
  std::basic_string<OLECHAR> wide(size_t(n) + 1, 0);
  const int got = GetWindowTextW(control, reinterpret_cast<LPWSTR>(&wide[0]), n + 1);
  return WideToUtf8(wide.data(), size_t(got > 0 ? got : 0));
}

// The answer as the controls hold it: Other's text box open only for Other, Send only for
// a usable reason.
void Update(HWND dialog, DialogState* state) {
  const int choice = int(SendDlgItemMessageW(dialog, IDC_REASON_LIST, LB_GETCURSEL, 0, 0));
  const bool other = choice == int(state->question->choices.size()) - 1;
  EnableWindow(GetDlgItem(dialog, IDC_REASON_OTHER_LABEL), other);
  EnableWindow(GetDlgItem(dialog, IDC_REASON_OTHER), other);
  state->reason = ReasonOf(*state->question, choice, other ? TextOf(GetDlgItem(dialog, IDC_REASON_OTHER)) : "");
  EnableWindow(GetDlgItem(dialog, IDOK), !state->reason.empty());
}

INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* state = reinterpret_cast<DialogState*>(lParam);
    const ReasonQuestion& q = *state->question;
    SetText(dialog, 0, q.caption);
    SetText(dialog, IDC_REASON_TEXT, q.text);
    SetText(dialog, IDC_REASON_LIST_LABEL, q.listLabel);
    SetText(dialog, IDC_REASON_OTHER_LABEL, q.otherLabel);
    SetText(dialog, IDOK, q.send);
    SetText(dialog, IDCANCEL, q.cancel);
    for (const std::string& choice : q.choices) {
      const std::basic_string<OLECHAR> wide = Utf8ToWide(choice);
      SendDlgItemMessageW(dialog, IDC_REASON_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(wide)));
    }
    SendDlgItemMessageW(dialog, IDC_REASON_OTHER, EM_LIMITTEXT, kLongestOwnReason, 0);
    Update(dialog, state);
    return TRUE;  // the focus goes to the list, the first control that takes it
  }
  if (message != WM_COMMAND) return FALSE;
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (!state) return FALSE;
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  if ((id == IDC_REASON_LIST && code == LBN_SELCHANGE) || (id == IDC_REASON_OTHER && code == EN_CHANGE)) {
    Update(dialog, state);
  } else if (id == IDOK) {
    Update(dialog, state);  // Enter reaches here with Send disabled too
    if (!state->reason.empty()) EndDialog(dialog, IDOK);
  } else if (id == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
  } else {
    return FALSE;
  }
  return TRUE;
}

INT_PTR CALLBACK ReasonProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return Handle(dialog, message, wParam, lParam);
  } catch (...) {
    // Nothing thrown reaches the dialog manager: the question ends unanswered.
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
}

}  // namespace

bool AskReason(const ClassificationSettings& settings, const std::string& answered, const std::string& level,
               std::string* reason) {
  const ReasonQuestion question = MakeReasonQuestion(settings, answered, level);
  DialogState state{&question, std::string()};
  const INT_PTR answer = DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(IDD_REASON), GetActiveWindow(), ReasonProc,
                                         reinterpret_cast<LPARAM>(&state));
  if (answer != IDOK || state.reason.empty()) return false;
  *reason = state.reason;
  return true;
}
#else
bool AskReason(const ClassificationSettings& settings, const std::string& answered, const std::string& level,
               std::string* reason) {
  const ReasonQuestion question = MakeReasonQuestion(settings, answered, level);
  std::vector<const char*> choices;
  for (const std::string& choice : question.choices) choices.push_back(choice.c_str());
  char other[1024] = {};
  const int choice = ReasonBox(GetActiveWindow(), question.caption.c_str(), question.text.c_str(), choices.data(),
                               int(choices.size()), other, int(sizeof other));
  *reason = ReasonOf(question, choice, other);
  return !reason->empty();
}
#endif

// What Send does to a message: the one Send decision for a compose window's or an inline
// response's own Send, then the end of the window's handlers; and the marks themselves.
#include <algorithm>
#include <cstdio>
#include "host/host_guard.h"
#include "classify/mail_item.h"
#include "classify/marking.h"
#include "classify/send_decision.h"
#include "com/text.h"

void ShowSelectionPrompt(const ClassificationSettings& settings) {
  // The policy's texts may be in any language: the box is given them as Unicode.
  const std::basic_string<OLECHAR> text = Utf8ToWide(settings.PromptMessage), caption = Utf8ToWide(settings.PromptCaption);
  MessageBoxW(GetActiveWindow(), reinterpret_cast<LPCWSTR>(text.c_str()), reinterpret_cast<LPCWSTR>(caption.c_str()),
              MB_ICONEXCLAMATION);
}

int CMailItem::OnSend() {
  ClassificationSettings* settings = context_.Settings();
  if (!settings) return 0;  // shut down under an open window: nothing to mark with
  SendRequest request;
  request.level = dropdown ? dropdown->GetSelection(&request.name) : 0;
  request.promptChosen = settings->RequireSelection && request.level == settings->PromptIndex;
  if (request.level == 0) request.level = 1;
  // The sender is pressing Send in the window, or in the inline response.
  request.senderPresent = [] { return true; };
  request.raisedBy = inspectorHandler ? "the compose window's Send" : "the inline response's Send";
  // A refused message keeps its window, with nothing written.
  if (!DecideSend(context_, *this, request)) return 1;
  if (WindowHandler* handler = inspectorHandler) handler->TearDownAndDelete();  // releases this wrapper
  return 0;
}

bool CMailItem::Mark(int level, const std::string& name, const Stamp& previous, std::string* failure) {
  ClassificationSettings* settings = context_.Settings();
  if (!settings) return false;
  bool stamped = false;
  auto failed = [&](const std::string& what) {
    if (failure && failure->empty() && !what.empty()) *failure = what;
  };
  // A failing host call abandons the marking, never the Send: the message goes out. Each
  // step that gave up on one is named in the record.
  FirstDrop drops;
  try {
    OwnMarks written;
    // Only mail bodies are marked: a meeting or task request's body is rich text, which
    // rewriting it would flatten.
    if (IsMail() && level >= settings->MinMarkLevel && settings->BodyMarkPlaces != 0) MarkBody(&name, previous, &written);
    else if (IsMail() && previous.level) MarkBody(nullptr, previous, &written);  // only the old marks go
    stamped = WriteStamp(level, written);
    const HRESULT hr = SetClassificationProperty(level, name.c_str(), true);
    NoteLevelNotWritten(hr);
    char text[96];
    std::snprintf(text, sizeof text, "the level's properties could not be saved (%08X)", unsigned(hr));
    if (FAILED(hr)) failed(text);
    MarkSubject(level, name, previous.level);
  } catch (const HostError& e) {
    NoteDropped(e);
    failed(FailureText(e));
  } catch (...) {
    failed("out of memory");
  }
  failed(drops.text());
  return stamped;
}

// name null: the body loses the add-in's earlier marks and gets none.
void CMailItem::MarkBody(const std::string* name, const Stamp& previous, OwnMarks* written) {
  const ClassificationSettings& s = *context_.Settings();
  // A body whose format or text cannot be read is left alone: taking it for plain text
  // would write an HTML message back without its markup, and writing marks over an
  // unread body would replace the sender's text.
  long format = olFormatPlain;
  if (!TryHostStep([&] { format = GetBodyFormat(); })) return;
  Bstr text;
  if (!TryHostStep([&] { text = GetBodyText(format); })) return;
  // Every body but plain text is read and written as HTML: a rich-text body's HTMLBody is
  // HTML too, and its marks must be HTML there.
  const bool html = format != olFormatPlain;
  const int places = name ? s.BodyMarkPlaces : 0;
  const WideText mark = name ? Utf8ToWide(BodyMark(s, *name, html)) : WideText();
  *written = MarkTexts(mark, html, places);
  std::vector<Insertion> plan = PlanBodyMarks(text.View(), html, *written, places, &previous.body);
  for (int level = 1; previous.anyLevelsMarks && level <= s.LevelCount(); ++level) {
    const OwnMarks earlier = MarkTexts(Utf8ToWide(BodyMark(s, s.LevelName(level), html)), html, s.BodyMarkPlaces);
    plan = PlanBodyMarks(text.View(), html, *written, places, &earlier);
    if (std::any_of(plan.begin(), plan.end(), [](const Insertion& i) { return i.skip != 0; })) break;
  }
  // The same marks of an earlier Send where they stand already: the body is not written again.
  if (previous.level && ChangesNothing(text.View(), plan)) return;
  // The marked body in a new string the host can take (Windows does not promise that a
  // string grown with SysReAllocStringLen keeps its text).
  Bstr marked = Bstr::Allocate(LengthWithInsertions(text.View(), plan));
  CopyWithInsertions(text.View(), plan, marked.get());
  text.Reset();
  PutBodyText(format, std::move(marked));
  PutBodyFormat(format);
}

void CMailItem::MarkSubject(int level, const std::string& name, int previousLevel) {
  const ClassificationSettings& s = *context_.Settings();
  if (s.SubjectMarkMode == 0) return;
  // A subject that cannot be read is left as it is: writing the mark alone would replace
  // the sender's words.
  Bstr subject;
  if (!TryHostStep([&] { subject = GetSubject(); })) return;
  const bool markIt = !s.SubjectUsesMinLevel || level >= s.MinMarkLevel;
  // A meeting or task request's answer carries the request's subject: a mark there above
  // the answer's own level is the request's, and stays; the add-in's own earlier mark goes.
  std::vector<std::string> removable = s.Levels;
  if (!IsMail()) {
    removable.resize(size_t(level) < removable.size() ? size_t(level) : removable.size());
    if (previousLevel > level) removable.push_back(s.LevelName(previousLevel));
  }
  WideText marked;
  if (!TryHostStep([&] { marked = MarkedSubject(WideText(subject.View()), removable, s.SubjectMarkMode, markIt, name); }))
    return;
  if (WideView(marked) == subject.View()) return;
  TryHostStep([&] { PutSubject(Bstr::FromWide(marked.data(), marked.size())); });
}

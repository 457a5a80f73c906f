// CMailItem: the add-in's wrapper of one Outlook item that leaves as a message (mail, and
// the meeting and task requests and sharing invitations sent like it) and its MAPI message,
// and the only code that reads or writes a classification on a message. Counted by hand.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include "classify/context.h"
#include "classify/marking.h"
#include "com/com_ptr.h"
#include "com/iids.h"
#include "host/host_guard.h"
#include "host/host_objects.h"
#include "platform/mapi.h"

// What the compose window lends the wrapper: the level chosen in its drop-down, and the
// teardown of the window's handlers after Send or Close.
class LevelSelection {
 public:
  // The chosen level (0 when none) and its text.
  virtual int GetSelection(std::string* text) = 0;

 protected:
  ~LevelSelection() = default;
};

class WindowHandler {
 public:
  // Tears the window's handlers down and deletes them, which releases the CMailItem.
  virtual void TearDownAndDelete() = 0;
  // The message's Close: the window closes, or (a read window moved by Next or Previous)
  // goes on showing another item, which its handlers then follow.
  virtual void ItemClosed() { TearDownAndDelete(); }

 protected:
  ~WindowHandler() = default;
};

class CMailItem {
 public:
  // item is any Outlook item; the caller keeps its own reference. The context outlives the
  // wrapper.
  CMailItem(const ClassifyContext& context, IDispatch* item);
  CMailItem(const CMailItem&) = delete;
  CMailItem& operator=(const CMailItem&) = delete;

  long Release();

  // Neither raises: a failure reads as level 0, or comes back as the HRESULT.
  int GetClassification();
  // Whether the last GetClassification read 0 because the message could not be read,
  // rather than because it carries no level.
  bool LevelUnreadable() const { return levelUnreadable_; }
  // Writes the level's named properties; a failure leaves the message without them, which
  // its caller must say (NoteLevelNotWritten) or act on.
  [[nodiscard]] HRESULT SetClassificationProperty(int level, const char* name, bool save);
  // The level of the message this one answers, kept with the draft so that the rule against
  // answering below it holds whenever the draft is sent; 0 when it answers none, -1 when
  // the message cannot be read.
  int GetAnsweredLevel();
  // 0: it answers no level the add-in read. Also clears a stamp the new message copied
  // from the one it answers: its marks are that message's, quoted, never its own.
  void SetAnsweredLevel(int level);
  void OnClose();
  // A compose window's or an inline response's own Send: 1 asks the caller to cancel it; 0
  // lets it go on.
  int OnSend();

  // What the add-in marked this message with at an earlier Send (one that was stopped, or
  // the message it was copied from): the level, and the body marks as it put them in.
  struct Stamp {
    int level = 0;  // 0: never marked
    OwnMarks body;
    // An earlier version's stamp recorded no marks, and the level the message carries may
    // have been chosen since: the marks of any level standing at their places are its own.
    bool anyLevelsMarks = false;
  };
  // False when the message cannot be read.
  bool ReadStamp(Stamp* out);
  // Send's marks, by what the message holds: its own marks of an earlier Send (previous)
  // are replaced, never stacked; the properties are written and saved with the stamp that
  // records the new marks; the subject is marked. A failing host call abandons the marking,
  // never the Send. False when the stamp could not be written.
  // failure: what failed, when a host call left the message unmarked in part.
  bool Mark(int level, const std::string& name, const Stamp& previous, std::string* failure = nullptr);
  // The record's properties of a message let go, saved with its marks: the correlation id
  // of its event and, where the policy asks for one, the sender's reason for a lower level
  // (the empty text: none); null leaves one as it is. Never in the message's text or
  // headers. False when not written.
  bool WriteRecord(const std::string* correlation, const std::string* reason);
  // Each of them as the message holds it; the empty text when it holds none.
  std::string ReadRecord(bool reason);
  void MarkSubject(int level, const std::string& name, int previousLevel = 0);

  // Item accessors; HostError on a failed host call. The sender's text stays the host's
  // wide string. The body in the given format's member: Body for plain text, HTMLBody for
  // all others.
  Bstr GetBodyText(long format) const;
  void PutBodyText(long format, Bstr text) const;
  Bstr GetSubject() const;
  void PutSubject(Bstr text) const;
  long GetBodyFormat() const;
  void PutBodyFormat(long format) const;
  bool GetSent() const;

  const Item& item() const { return item_; }
  // A mail message, whose body is marked; other items keep their bodies as they are.
  bool IsMail() const { return bool(mailItem_); }
  bool HasMessage() const { return bool(message_); }

  LevelSelection* dropdown = nullptr;        // not owned
  WindowHandler* inspectorHandler = nullptr;  // not owned; owns this wrapper

 private:
  ~CMailItem();
  void MarkBody(const std::string* name, const Stamp& previous, OwnMarks* written);
  // The tag of a named property with the wanted type, or 0; reports as the log requires.
  ULONG NamedTag(const GUID& set, const char* name, ULONG flags, ULONG type, HRESULT* result);
  int ReadClassification();
  // The higher of the message's own level and the one its standard labels give.
  int WithLabels(const ClassificationSettings& settings, std::string_view headers, int own) const;
  HRESULT WriteClassification(int level, const char* name, bool save);
  // Writes one named property (its tag asked for, created if need be; value's tag holds only
  // its type); a failure is logged, naming shown.
  HRESULT WriteNamed(const GUID& set, const char* name, SPropValue value, const char* shown);
  const std::string& Organisation() const;
  bool WriteStamp(int level, const OwnMarks& body);

  const ClassifyContext& context_;
  long refCount_ = 0;
  bool levelUnreadable_ = false;
  Item item_;
  MailItem mailItem_;  // empty for an item that is no mail message
  ComPtr<IMAPIProp> message_;
};

// The message box that refuses a Send while no level is chosen.
void ShowSelectionPrompt(const ClassificationSettings& settings);

// A level that could not be written, named in the session log as a host call a step gave up
// on: a draft goes on without it until the next write (the Send's at the latest).
inline void NoteLevelNotWritten(HRESULT hr) noexcept { NoteIfFailed(hr, IID_MapiMessage, "IMessage::SetProps"); }

// A holder of one count of a CMailItem, given back with Release.
struct CMailItemRelease {
  void operator()(CMailItem* item) const { item->Release(); }
};
using CMailItemRef = std::unique_ptr<CMailItem, CMailItemRelease>;

// The property sets of the two classification properties.
extern const GUID PS_PUBLIC_STRINGS_ID;
extern const GUID PS_INTERNET_HEADERS_ID;

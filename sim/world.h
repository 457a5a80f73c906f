// The simulated Outlook's process: every object it made, the host calls the add-in made
// (counted per member), the faults a test asked for, and what must never happen (an
// exception crossing back into the host).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "platform/win.h"

namespace sim {

class SimUnknown;

class World {
 public:
  World();
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  // The world that the platform hooks (MAPI logon, message boxes) answer from.
  static World* Current();

  // Every host call passes here first. Returns the fault to answer with, or S_OK.
  HRESULT BeforeCall(const char* member);

  // Fault injection: fail the n-th host call from now on (1 = the next one), or every call
  // of a member, with hr. Clear with ClearFaults.
  void FailCall(long n, HRESULT hr);
  void FailMember(const std::string& member, HRESULT hr, long times = -1);
  void ClearFaults();
  // The member whose call FailCall made fail, once it has.
  const std::string& FailedMember() const { return failedMember_; }
  long Calls() const { return calls_; }
  long Calls(const std::string& member) const;
  void ResetCounts();

  // Objects: the world owns them; their COM counts only count outside references.
  template <class T, class... A>
  T* Make(A&&... args) {
    auto object = std::make_unique<T>(*this, std::forward<A>(args)...);
    T* raw = object.get();
    objects_.push_back(std::move(object));
    return raw;
  }
  // References that objects of the world still have handed out, with one line per object.
  long OutstandingRefs(std::vector<std::string>* report = nullptr) const;

  // Every connection point lets go of its sinks, as when Outlook exits.
  void DropAllSinks();

  // Exceptions that reached the host from a call into the add-in.
  void RecordEscape(const std::string& what) { escapes_.push_back(what); }
  const std::vector<std::string>& Escapes() const { return escapes_; }
  // What the host's audits found the add-in holding where it must hold nothing.
  void RecordViolation(const std::string& what) { violations_.push_back(what); }
  const std::vector<std::string>& Violations() const { return violations_; }
  // Sinks advised on any connection point of the world.
  size_t AdvisedSinks() const;

  // Runs fn whenever the add-in calls the member (after the call is counted), as a host
  // that does work of its own there would; null removes it.
  void OnCall(const std::string& member, std::function<void()> fn);

  // What the add-in reported to the Windows event log.
  struct Event {
    std::string source;
    WORD type;
    DWORD id;
    std::string text;  // the insertion strings, each after a blank
    WORD category = 0;
    std::vector<std::string> fields;  // the insertion strings
  };
  std::vector<Event> events;
  // Message boxes the add-in showed: text and caption.
  struct MessageBox {
    std::string text, caption;
    UINT type;
    int answer;  // the button pressed: IDOK, IDYES or IDNO
  };
  std::vector<MessageBox> messageBoxes;
  // How the user answers the add-in's Yes/No questions, in turn; with none left, No, the
  // answer that changes nothing.
  std::vector<int> answers;
  int NextAnswer();
  // The reason dialog the add-in showed: its text, its choices, and what was answered.
  struct ReasonBox {
    std::string caption, text;
    std::vector<std::string> choices;
    std::string answer;  // as given: a choice's number (1-based), "cancel", or another reason's text
  };
  std::vector<ReasonBox> reasonBoxes;
  // How the user answers the reason dialogs, in turn: "N" chooses the Nth reason, "cancel"
  // cancels, any other text is given as another reason (the last choice). None left: cancel.
  std::vector<std::string> reasonAnswers;
  // The language Office shows its own texts in (LanguageSettings.LanguageID(msoLanguageIDUI)),
  // a Windows LANGID; 0: Office cannot say, and the call fails.
  long officeLanguage = 0x0409;
  // The next answer as the dialog takes it: the choice (0-based; -1 for cancel) and the
  // text of another reason.
  int NextReason(int count, std::string* other);
  long mailItems = 0;
  long mapiMessages = 0;
  long inspectorsMade = 0;

 private:
  std::vector<std::unique_ptr<SimUnknown>> objects_;
  long calls_ = 0;
  long failAt_ = 0;
  HRESULT failAtHr_ = S_OK;
  std::string failedMember_;
  struct MemberFault {
    HRESULT hr;
    long remaining;
  };
  std::map<std::string, MemberFault> memberFaults_;
  std::map<std::string, long> perMember_;
  std::vector<std::string> escapes_;
  std::vector<std::string> violations_;
  std::map<std::string, std::function<void()>> onCall_;
  World* previous_;
};

// Where control is: inside the add-in (the host called it) or inside the host. Tests that
// fail the add-in's own allocations count only those made while AddInDepth() > 0.
int AddInDepth();
struct AddInScope {
  AddInScope();
  ~AddInScope();
};
struct HostScope {
  HostScope();
  ~HostScope();
  int saved;
};

// The host's view of an error it raises from inside a member.
struct Fault {
  HRESULT hr;
};

// Base of every simulated COM object: a reference count that counts outside references
// only (the world owns the object) and a name for reports.
class SimUnknown {
 public:
  SimUnknown(World& world, std::string name) : world_(world), name_(std::move(name)) {}
  virtual ~SimUnknown() = default;
  World& world() const { return world_; }
  const std::string& name() const { return name_; }
  ULONG refs() const { return refs_; }
  virtual void DropSinks() {}
  virtual size_t Sinks() const { return 0; }

 protected:
  ULONG AddRefImpl() { return ++refs_; }
  ULONG ReleaseImpl() { return refs_ ? --refs_ : 0; }

 private:
  World& world_;
  std::string name_;
  ULONG refs_ = 0;
};

}  // namespace sim

#include "sim/outlook.h"

#include <algorithm>
#include <fstream>
#include "com/iids.h"
#include "sim/ribbon.h"
#include "sim/transport.h"
#ifndef _WIN32
#include "com/module.h"
#endif

namespace sim {

namespace {
// Item(Index) of a collection: 1-based, as Outlook's collections count.
template <class T>
Variant ItemOf(const std::vector<T*>& items, const Args& a) {
  if (a.empty() || !a[0]) throw Fault{DISP_E_BADPARAMCOUNT};
  const long i = VariantLong(*a[0]);
  if (i < 1 || size_t(i) > items.size()) throw Fault{DISP_E_BADINDEX};
  return DispatchVariant(items[size_t(i) - 1]->dispatch());
}
}  // namespace

NameSpace::NameSpace(World& world, std::string type) : DispatchObject(world, "NameSpace " + type, typelib::NameSpace) {}

Application::Application(World& world) : DispatchObject(world, "Application", typelib::Application) {
  AddMethod("GetNamespace", [this](const Args& a) {
    if (a.size() != 1 || !a[0]) throw Fault{DISP_E_BADPARAMCOUNT};
    std::string type = VariantText(*a[0]);
    if (type != "MAPI") throw Fault{E_INVALIDARG};
    return DispatchVariant(this->world().Make<NameSpace>(type));
  });
  AddEvents(IID_ApplicationEvents_11);
  AddMethod("ActiveExplorer", [this](const Args&) { return DispatchVariant(activeExplorer); });
  Property("Explorers", [this](const Args&) { return DispatchVariant(explorers); });
  Property("Inspectors", [this](const Args&) { return DispatchVariant(inspectors); });
  Property("LanguageSettings", [this](const Args&) { return DispatchVariant(this->world().Make<LanguageSettings>()); });
  explorers = world.Make<Explorers>();
  inspectors = world.Make<Inspectors>();
}

LanguageSettings::LanguageSettings(World& world) : DispatchObject(world, "LanguageSettings", typelib::LanguageSettings) {
  // MsoAppLanguageID: install 1, user interface 2, help 3, the executable's 4, the user
  // interface before 5; each answered with Office's one language here.
  Property("LanguageID", [this](const Args& a) {
    if (a.size() != 1 || !a[0]) throw Fault{DISP_E_BADPARAMCOUNT};
    const long which = VariantLong(*a[0]);
    if (which < 1 || which > 5) throw Fault{E_INVALIDARG};
    if (!this->world().officeLanguage) throw Fault{E_FAIL};
    return Variant::I4(this->world().officeLanguage);
  });
}

Explorers::Explorers(World& world) : DispatchObject(world, "Explorers", typelib::Explorers) {
  AddEvents(IID_ExplorersEvents);
  Property("Count", [this](const Args&) { return Variant::I4(long(windows.size())); });
  AddMethod("Item", [this](const Args& a) { return ItemOf(windows, a); });
}

Inspector::Inspector(World& world, DispatchObject* item, CommandBars* sharedBars)
    : DispatchObject(world, "Inspector", typelib::Inspector),
      item(item),
      bars(sharedBars ? sharedBars : world.Make<CommandBars>()) {
  AddEvents(IID_InspectorEvents);
  Property("CurrentItem", [this](const Args&) { return DispatchVariant(this->item->dispatch()); });
  // Outlook's type library gives CommandBars as Office's coclass: some windows hand it out
  // as VT_DISPATCH, others as VT_UNKNOWN.
  const bool asUnknown = ++world.inspectorsMade % 2 == 0;
  Property("CommandBars", [this, asUnknown](const Args&) {
    Variant v;
    VARIANT* raw = v.Receive();
    raw->vt = asUnknown ? VT_UNKNOWN : VT_DISPATCH;
    raw->pdispVal = bars->dispatch();  // an IDispatch is its own IUnknown here
    bars->AddRef();
    return v;
  });
  // Every window has Office's own bars beside the add-in's.
  if (!bars->Find("Standard")) bars->AddBar("Standard", 1, false)->visible = true;
}

Inspectors::Inspectors(World& world) : DispatchObject(world, "Inspectors", typelib::Inspectors) {
  AddEvents(IID_InspectorsEvents);
  Property("Count", [this](const Args&) { return Variant::I4(long(windows.size())); });
  AddMethod("Item", [this](const Args& a) { return ItemOf(windows, a); });
}

Selection::Selection(World& world) : DispatchObject(world, "Selection", typelib::Selection) {
  Property("Count", [this](const Args&) { return Variant::I4(long(items.size())); });
  AddMethod("Item", [this](const Args& a) { return ItemOf(items, a); });
}

Explorer::Explorer(World& world, bool today)
    : DispatchObject(world, "Explorer", typelib::Explorer),
      bars(world.Make<CommandBars>()),
      selection(world.Make<Selection>()),
      today_(today) {
  AddEvents(IID_ExplorerEvents);
  if (today) AddEvents(IID_ExplorerEvents_10);
  Property("ActiveInlineResponse", [this](const Args&) {
    return DispatchVariant(inlineResponse ? inlineResponse->dispatch() : nullptr);
  });
  Property("CommandBars", [this](const Args&) { return DispatchVariant(bars->dispatch()); });
  Property("Selection", [this](const Args&) { return DispatchVariant(selection->dispatch()); });
  CommandBar* standard = bars->AddBar("Standard", 1, false);
  standard->visible = true;
  for (const char* caption : {"New", "Reply", "Reply to All", "Forward"}) {
    Control* button = world.Make<Control>(1, false);
    button->caption = caption;
    standard->controls->items.push_back(button);
  }
}

void Explorer::FireBoth(DISPID id, const std::vector<VARIANT>& args) {
  Fire(IID_ExplorerEvents, id, args);
  if (today_) Fire(IID_ExplorerEvents_10, id, args);
}

Control* Explorer::Button(const std::string& caption) const {
  CommandBar* standard = bars->Find("Standard");
  if (!standard) return nullptr;
  for (Control* c : standard->controls->items)
    if (c->caption == caption) return c;
  return nullptr;
}

Outlook::Outlook(World& world, bool withExplorer, Version version)
    : world_(world), version_(version), app_(world.Make<Application>()) {
  if (withExplorer) {
    app_->activeExplorer = world.Make<Explorer>(today());
    app_->explorers->windows.push_back(app_->activeExplorer);
  }
}

Outlook::~Outlook() { Unload(); }

HRESULT FireItemEvent(DispatchObject* item, DISPID id, std::vector<VARIANT> args) {
  HRESULT hr = item->Fire(IID_ItemEvents, id, args);
  HRESULT hr10 = item->Fire(IID_ItemEvents_10, id, std::move(args));
  return item->SinkCount(IID_ItemEvents) ? hr : hr10;
}

HRESULT Outlook::Load() {
#ifdef _WIN32
  AddInScope addIn;
  // Through the add-in's COM registration, as Outlook finds it.
  return CoCreateInstance(CLSID_OrvanClassifyAddIn, nullptr, CLSCTX_INPROC_SERVER, IID__IDTExtensibility2,
                          addIn_.put_void());
#else
  HRESULT hr;
  {
    AddInScope addIn;
    ComPtr<IClassFactory> factory;
    hr = DllGetClassObject(CLSID_OrvanClassifyAddIn, IID_IClassFactory, factory.put_void());
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(nullptr, IID__IDTExtensibility2, addIn_.put_void());
  }
#if ORVAN_SIM_RIBBON
  // Today's Outlook asks every add-in whether it brings ribbon customizations.
  if (SUCCEEDED(hr) && today()) ribbon_ = std::make_unique<sim::Ribbon>(world_, addIn_.get());
#endif
  return hr;
#endif
}

HRESULT Outlook::Connect(ext_ConnectMode mode) {
  HRESULT hr;
  {
    AddInScope addIn;
    hr = addIn_ ? addIn_->OnConnection(app_->dispatch(), mode, nullptr, nullptr) : E_POINTER;
  }
  // The main window's ribbon is built at start-up, before OnStartupComplete.
  if (SUCCEEDED(hr) && ribbon_) ribbon_->Load("Microsoft.Outlook.Explorer");
  return hr;
}

HRESULT Outlook::StartupComplete() {
  AddInScope addIn;
  return addIn_ ? addIn_->OnStartupComplete(nullptr) : E_POINTER;
}

HRESULT Outlook::BeginShutdown() {
  AddInScope addIn;
  return addIn_ ? addIn_->OnBeginShutdown(nullptr) : E_POINTER;
}

HRESULT Outlook::Disconnect(ext_DisconnectMode mode) {
  AddInScope addIn;
  return addIn_ ? addIn_->OnDisconnection(mode, nullptr) : E_POINTER;
}

void Outlook::Shutdown() {
  // Outlook closes its main windows before it lets add-ins go.
  while (!explorers().empty()) CloseExplorer(explorers().back());
  if (!addIn_) return;
  if (!today() || ShutdownNotificationRegistered()) {
    BeginShutdown();
    Disconnect(ext_dm_HostShutdown);
  }
  Unload();
}

// What Outlook 2010 and later read before calling an add-in at exit: the add-in's key
// under HKCU or HKLM, found from its class's ProgID.
bool Outlook::ShutdownNotificationRegistered() const {
  char clsid[64];
  const GUID& g = CLSID_OrvanClassifyAddIn;
  std::snprintf(clsid, sizeof clsid, "CLSID\\{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}\\ProgID",
                static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  char progId[256] = {};
  HKEY classKey = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, clsid, 0, KEY_READ, &classKey) != ERROR_SUCCESS) return false;
  DWORD progIdType = 0, progIdBytes = sizeof progId - 1;
  const LONG read = RegQueryValueExA(classKey, nullptr, nullptr, &progIdType, reinterpret_cast<BYTE*>(progId), &progIdBytes);
  RegCloseKey(classKey);
  if (read != ERROR_SUCCESS || progIdType != REG_SZ) return false;
  const std::string key = std::string("Software\\Microsoft\\Office\\Outlook\\Addins\\") + progId;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) continue;
    DWORD value = 0, type = 0, bytes = sizeof value;
    const bool set = RegQueryValueExA(k, "RequireShutdownNotification", nullptr, &type,
                                      reinterpret_cast<BYTE*>(&value), &bytes) == ERROR_SUCCESS &&
                     type == REG_DWORD && value == 1;
    RegCloseKey(k);
    if (set) return true;
  }
  return false;
}

void Outlook::FastShutdown() { Unload(); }

void Outlook::Unload() {
  AddInScope addIn;
  ribbon_.reset();  // Outlook lets go of every interface of the add-in it held
  retired_.clear();
  addIn_.reset();
}

void Outlook::Untick() {
  if (!addIn_) return;
  Disconnect(ext_dm_UserClosed);
  if (ribbon_) retired_.push_back(std::move(ribbon_));
  AddInScope addIn;
  addIn_.reset();
}

HRESULT Outlook::Tick() {
  if (addIn_) return S_FALSE;
  HRESULT hr = Load();
  if (SUCCEEDED(hr)) hr = Connect(ext_cm_AfterStartup);
  // Office asks the new object for the ribbons of the windows already open.
  if (SUCCEEDED(hr) && ribbon_)
    for (Inspector* w : app_->inspectors->windows) {
      const MailItem* mail = w->mail();
      ribbon_->Load(mail && mail->sent ? "Microsoft.Outlook.Mail.Read" : "Microsoft.Outlook.Mail.Compose");
    }
  return hr;
}

void Outlook::ReleaseRetiredRibbons() {
  AddInScope addIn;
  retired_.clear();
}

namespace {
VARIANT ByRefBool(VARIANT_BOOL* value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL | VT_BYREF;
  v.pboolVal = value;
  return v;
}
}  // namespace

Inspector* Outlook::Compose(long format, const std::string& subject, const std::string& body) {
  MailItem* mail = world_.Make<MailItem>();
  mail->subject = Wide(subject);
  mail->bodyFormat = format;
  if (format == 1) mail->body = Wide(body);
  else mail->htmlBody = Wide(body);
  return Open(mail);
}

Inspector* Outlook::Open(DispatchObject* item) {
  Inspector* window = world_.Make<Inspector>(item, sharedBars_);
  app_->inspectors->windows.push_back(window);
  app_->inspectors->Fire(IID_InspectorsEvents, 0xF001, {BorrowedVariant(window->dispatch())});
  // The window's ribbon is built as it shows, the first of each kind loading the XML.
  if (ribbon_) {
    const MailItem* mail = window->mail();
    ribbon_->Load(mail && mail->sent ? "Microsoft.Outlook.Mail.Read" : "Microsoft.Outlook.Mail.Compose");
  }
  return window;
}

bool Outlook::Send(Inspector* window) {
  MailItem* mail = window->mail();
  if (!mail || !window->open) return false;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  FireItemEvent(mail, events::ItemSend, {ByRefBool(&cancel)});
  bool refused = cancel != VARIANT_FALSE;
  const bool went = !refused && Deliver(mail, true, &refused);
  if (went) Close(window);
  if (!refused) AuditSent(mail, window);  // refused by the add-in: its window keeps its handler
  return went;
}

void Outlook::AuditSent(MailItem* mail, Inspector* sender) {
  for (Inspector* w : app_->inspectors->windows)
    if (w != sender && w->item == mail) return;  // Outlook shows it in another window
  for (Explorer* e : explorers()) {
    if (e->inlineResponse == mail) return;
    for (DispatchObject* item : e->selection->items)
      if (item == mail) return;
  }
  if (mail->refs() || mail->message->refs())
    world_.RecordViolation("the add-in holds " + std::to_string(mail->refs()) + " reference(s) to \"" + mail->Subject() +
                           "\" and " + std::to_string(mail->message->refs()) +
                           " to its MAPI message after its Send event returned");
}

bool Outlook::Deliver(MailItem* mail, bool itemSend, bool* refused) {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  // Once the user has committed: Application.ItemSend, this add-in's handler and then
  // the others'.
  if (itemSend)
    app_->Fire(IID_ApplicationEvents_11, events::ApplicationItemSend, {BorrowedVariant(mail->dispatch()), ByRefBool(&cancel)});
  if (refused) *refused = cancel != VARIANT_FALSE;
  if (cancel == VARIANT_FALSE && otherAddInItemSend && otherAddInItemSend(mail)) cancel = VARIANT_TRUE;
  if (cancel != VARIANT_FALSE) return false;
  if (abortSends > 0) {
    --abortSends;
    return false;
  }
  sentMail.push_back(mail);
  if (!outbox.empty()) {
    const std::string path = outbox + "/message-" + std::to_string(sentMail.size()) + ".eml";
    std::ofstream out(path, std::ios::binary);
    out << WriteEml(*mail);
    out.close();
    if (!out) outboxError = "cannot write " + path;
  }
  mail->sent = true;
  return true;
}

void Outlook::Close(Inspector* window) {
  if (!window->open) return;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  if (DispatchObject* item = window->item) FireItemEvent(item, events::ItemClose, {ByRefBool(&cancel)});
  // Then the window itself closes; it is no longer among the Inspectors.
  auto& w = app_->inspectors->windows;
  w.erase(std::remove(w.begin(), w.end(), window), w.end());
  window->Fire(IID_InspectorEvents, events::InspectorClose, {});
  window->open = false;
}

void Outlook::ShowInWindow(Inspector* window, DispatchObject* next) {
  if (!window->open) return;
  // Outlook reads the other message into the window before it lets go of the one shown:
  // during the old item's Close, the window's CurrentItem is the new one.
  DispatchObject* old = window->item;
  window->item = next;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  if (old) FireItemEvent(old, events::ItemClose, {ByRefBool(&cancel)});
}

Inspector* Outlook::Resend(MailItem* original) {
  if (!original) return nullptr;
  MailItem* copy = world_.Make<MailItem>(original->itemClass);
  copy->subject = original->subject;
  copy->body = original->body;
  copy->htmlBody = original->htmlBody;
  copy->bodyFormat = original->bodyFormat;
  for (const Recipient* r : original->recipients->items)
    copy->recipients->items.push_back(world_.Make<Recipient>(r->name, r->type, r->entry));
  copy->message->CopyPropertiesOf(*original->message);
  return Open(copy);
}

void Outlook::MoveInStore(MailItem* mail) {
  if (mail) mail->message->MoveInStore();
}

MailItem* Outlook::RespondToMeeting(MailItem* request, MeetingResponse kind, bool edit, bool* went) {
  if (went) *went = false;
  if (!request || request->itemClass != 53) return nullptr;
  MailItem* response = world_.Make<MailItem>(long(kind));
  const char* verb = kind == kAccept ? "Accepted: " : kind == kTentative ? "Tentative: " : "Declined: ";
  response->subject = Wide(verb) + request->subject;
  response->recipients->Add(request->organizer, 1);
  // The meeting form's actions reach the request's sinks as CustomAction: the action, the
  // response made, Cancel.
  VARIANT_BOOL cancel = VARIANT_FALSE;
  FireItemEvent(request, events::ItemCustomAction,
                {BorrowedVariant(nullptr), BorrowedVariant(response->dispatch()), ByRefBool(&cancel)});
  if (cancel != VARIANT_FALSE) return nullptr;
  if (edit) {
    Open(response);
    return response;
  }
  const bool left = SendByProgram(response);
  if (went) *went = left;
  return response;
}

void Outlook::ShareCommandBars() {
  if (!sharedBars_) sharedBars_ = world_.Make<CommandBars>();
}

void Outlook::CloseAll() {
  while (!app_->inspectors->windows.empty()) Close(app_->inspectors->windows.back());
}

Inspector* Outlook::Respond(Inspector* window, Response kind) {
  MailItem* original = window->mail();
  if (!original) return nullptr;
  MailItem* response = MakeResponse(*original, kind == kForward);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  FireItemEvent(original, DISPID(kind), {BorrowedVariant(response->dispatch()), ByRefBool(&cancel)});
  if (cancel != VARIANT_FALSE) return nullptr;
  return Open(response);
}

void Outlook::Select(std::vector<DispatchObject*> items) {
  if (Explorer* e = app_->activeExplorer) {
    if (e->inlineResponse) CloseInline(e);  // moving to another message closes it
    e->selection->items = std::move(items);
    e->FireBoth(events::SelectionChange, {});
  }
}

// BeforeFolderSwitch or BeforeViewSwitch (the new folder or view, Cancel), then the switch.
void Outlook::Switch(DISPID before, DISPID after) {
  Explorer* e = app_->activeExplorer;
  if (!e) return;
  if (e->inlineResponse) CloseInline(e);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  e->FireBoth(before, {BorrowedVariant(nullptr), ByRefBool(&cancel)});
  if (before == 0xF003) e->selection->items.clear();
  e->FireBoth(after, {});
}

void Outlook::SwitchFolder() { Switch(0xF003, 0xF002); }
void Outlook::SwitchView() { Switch(0xF005, 0xF004); }

MailItem* Outlook::MakeResponse(const MailItem& original, bool forward) {
  // A meeting request's reply is a mail message; its forward, a meeting request.
  MailItem* response = world_.Make<MailItem>(forward ? original.itemClass : 43L);
  response->subject = Wide(forward ? "FW: " : "RE: ") + original.subject;
  response->bodyFormat = original.IsMail() || forward ? original.bodyFormat : 1;
  response->body = original.body;
  response->htmlBody = original.htmlBody;
  return response;
}

void Outlook::ActivateExplorer() {
  if (Explorer* e = app_->activeExplorer) e->FireBoth(events::ExplorerActivate, {});
}

void Outlook::ActivateExplorer(Explorer* e) {
  if (!e || !e->open) return;
  app_->activeExplorer = e;
  e->FireBoth(events::ExplorerActivate, {});
}

Explorer* Outlook::OpenExplorer() {
  Explorer* e = world_.Make<Explorer>(today());
  app_->explorers->windows.push_back(e);
  app_->activeExplorer = e;
  app_->explorers->Fire(IID_ExplorersEvents, events::NewExplorer, {BorrowedVariant(e->dispatch())});
  e->FireBoth(events::ExplorerActivate, {});
  return e;
}

Inspector* Outlook::ClickInExplorer(const std::string& caption) {
  Explorer* e = app_->activeExplorer;
  if (!e) return nullptr;
  // Today's Reply, Reply All and Forward are ribbon commands: no Standard bar click.
  Control* button = today() ? nullptr : e->Button(caption);
  if (!today() && (!button || !button->Click())) return nullptr;
  MailItem* original = nullptr;
  for (DispatchObject* item : e->selection->items)
    if ((original = dynamic_cast<MailItem*>(item)) != nullptr) break;
  if (!original) return nullptr;
  MailItem* response = MakeResponse(*original, caption == "Forward");
  if (today()) {
    const Response kind = caption == "Forward" ? kForward : caption == "Reply to All" ? kReplyAll : kReply;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    FireItemEvent(original, DISPID(kind), {BorrowedVariant(response->dispatch()), ByRefBool(&cancel)});
    if (cancel != VARIANT_FALSE) return nullptr;
  }
  return Open(response);
}

MailItem* Outlook::RespondInline(Response kind) {
  Explorer* e = app_->activeExplorer;
  if (!e || !today()) return nullptr;
  MailItem* original = nullptr;
  for (DispatchObject* item : e->selection->items)
    if ((original = dynamic_cast<MailItem*>(item)) != nullptr) break;
  if (!original) return nullptr;
  if (e->inlineResponse) CloseInline(e);
  MailItem* response = MakeResponse(*original, kind == kForward);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  FireItemEvent(original, DISPID(kind), {BorrowedVariant(response->dispatch()), ByRefBool(&cancel)});
  if (cancel != VARIANT_FALSE) return nullptr;
  e->inlineResponse = response;
  e->Fire(IID_ExplorerEvents_10, events::InlineResponse, {BorrowedVariant(response->dispatch())});
  return response;
}

MailItem* Outlook::InlineResponse() const {
  return app_->activeExplorer ? app_->activeExplorer->inlineResponse : nullptr;
}

bool Outlook::SendInline() {
  MailItem* mail = InlineResponse();
  if (!mail) return false;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  if (undocumented.inlineItemSendFires) FireItemEvent(mail, events::ItemSend, {ByRefBool(&cancel)});
  const bool went = cancel == VARIANT_FALSE && Deliver(mail, undocumented.itemSendForInline, nullptr);
  if (went) CloseInline(app_->activeExplorer);
  if (went) AuditSent(mail, nullptr);
  return went;
}

void Outlook::DiscardInline() {
  if (InlineResponse()) CloseInline(app_->activeExplorer);
}

Inspector* Outlook::PopOut() {
  MailItem* mail = InlineResponse();
  if (!mail) return nullptr;
  CloseInline(app_->activeExplorer);
  return Open(mail);
}

void Outlook::CloseInline(Explorer* e) {
  if (!e || !e->inlineResponse) return;
  e->inlineResponse = nullptr;
  e->Fire(IID_ExplorerEvents_10, events::InlineResponseClose, {});
}

bool Outlook::SendByProgram(MailItem* mail) {
  if (!mail || mail->sent) return false;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  FireItemEvent(mail, events::ItemSend, {ByRefBool(&cancel)});
  const bool went = cancel == VARIANT_FALSE && Deliver(mail, true, nullptr);
  AuditSent(mail, nullptr);
  return went;
}

void Outlook::CloseExplorer() {
  if (Explorer* e = app_->activeExplorer) CloseExplorer(e);
}

void Outlook::CloseExplorer(Explorer* e) {
  if (!e || !e->open) return;
  if (e->inlineResponse) CloseInline(e);
  e->FireBoth(events::ExplorerClose, {});
  e->open = false;
  auto& list = app_->explorers->windows;
  list.erase(std::remove(list.begin(), list.end(), e), list.end());
  if (app_->activeExplorer == e) app_->activeExplorer = list.empty() ? nullptr : list.back();
}

MailItem* Outlook::Receive(const std::string& eml, std::string* error) { return ReadEml(world_, eml, error); }

}  // namespace sim

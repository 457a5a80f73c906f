#include "sim/outlook.h"

#include <algorithm>
#include <fstream>
#include "com/iids.h"
#include "sim/transport.h"
#ifndef _WIN32
#include "com/module.h"
#endif

namespace sim {

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
  Property("Inspectors", [this](const Args&) { return DispatchVariant(inspectors); });
  inspectors = world.Make<Inspectors>();
}

Inspector::Inspector(World& world, DispatchObject* item, CommandBars* sharedBars)
    : DispatchObject(world, "Inspector", typelib::Inspector),
      item(item),
      bars(sharedBars ? sharedBars : world.Make<CommandBars>()) {
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
  AddMethod("Item", [this](const Args& a) {
    if (a.empty() || !a[0]) throw Fault{DISP_E_BADPARAMCOUNT};
    long i = VariantLong(*a[0]);
    if (i < 1 || size_t(i) > windows.size()) throw Fault{DISP_E_BADINDEX};
    return DispatchVariant(windows[size_t(i) - 1]->dispatch());
  });
}

Selection::Selection(World& world) : DispatchObject(world, "Selection", typelib::Selection) {
  Property("Count", [this](const Args&) { return Variant::I4(long(items.size())); });
  AddMethod("Item", [this](const Args& a) {
    if (a.empty() || !a[0]) throw Fault{DISP_E_BADPARAMCOUNT};
    long i = VariantLong(*a[0]);
    if (i < 1 || size_t(i) > items.size()) throw Fault{DISP_E_BADINDEX};
    return DispatchVariant(items[size_t(i) - 1]->dispatch());
  });
}

Explorer::Explorer(World& world)
    : DispatchObject(world, "Explorer", typelib::Explorer), bars(world.Make<CommandBars>()), selection(world.Make<Selection>()) {
  AddEvents(IID_ExplorerEvents);
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

Control* Explorer::Button(const std::string& caption) const {
  CommandBar* standard = bars->Find("Standard");
  if (!standard) return nullptr;
  for (Control* c : standard->controls->items)
    if (c->caption == caption) return c;
  return nullptr;
}

Outlook::Outlook(World& world, bool withExplorer) : world_(world), app_(world.Make<Application>()) {
  if (withExplorer) app_->activeExplorer = world.Make<Explorer>();
}

Outlook::~Outlook() { Unload(); }

HRESULT Outlook::Load() {
  AddInScope addIn;
#ifdef _WIN32
  // Through the add-in's COM registration, as Outlook finds it.
  return CoCreateInstance(CLSID_OrvanClassifyAddIn, nullptr, CLSCTX_INPROC_SERVER, IID__IDTExtensibility2,
                          addIn_.put_void());
#else
  ComPtr<IClassFactory> factory;
  HRESULT hr = DllGetClassObject(CLSID_OrvanClassifyAddIn, IID_IClassFactory, factory.put_void());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(nullptr, IID__IDTExtensibility2, addIn_.put_void());
#endif
}

HRESULT Outlook::Connect(ext_ConnectMode mode) {
  AddInScope addIn;
  return addIn_ ? addIn_->OnConnection(app_->dispatch(), mode, nullptr, nullptr) : E_POINTER;
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
  CloseExplorer();  // Outlook closes its main window before it lets add-ins go
  if (!addIn_) return;
  BeginShutdown();
  Disconnect(ext_dm_HostShutdown);
  Unload();
}

void Outlook::FastShutdown() { Unload(); }

void Outlook::Unload() {
  AddInScope addIn;
  addIn_.reset();
}

namespace {
VARIANT ByRefBool(VARIANT_BOOL* value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL | VT_BYREF;
  v.pboolVal = value;
  return v;
}
VARIANT Borrowed(IDispatch* object) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = object;
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
  app_->inspectors->Fire(IID_InspectorsEvents, 0xF001, {Borrowed(window->dispatch())});
  return window;
}

bool Outlook::Send(Inspector* window) {
  MailItem* mail = window->mail();
  if (!mail || !window->open) return false;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  mail->Fire(IID_ItemEvents, events::ItemSend, {ByRefBool(&cancel)});
  if (cancel != VARIANT_FALSE) return false;
  // Once the user has committed: Application.ItemSend, this add-in's handler and then
  // the others'.
  app_->Fire(IID_ApplicationEvents_11, events::ApplicationItemSend, {Borrowed(mail->dispatch()), ByRefBool(&cancel)});
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
  Close(window);
  return true;
}

void Outlook::Close(Inspector* window) {
  if (!window->open) return;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  if (DispatchObject* item = window->item) item->Fire(IID_ItemEvents, 0xF004, {ByRefBool(&cancel)});
  window->open = false;
  auto& w = app_->inspectors->windows;
  w.erase(std::remove(w.begin(), w.end(), window), w.end());
}

void Outlook::ShowInWindow(Inspector* window, DispatchObject* next) {
  if (!window->open) return;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  if (DispatchObject* item = window->item) item->Fire(IID_ItemEvents, events::ItemClose, {ByRefBool(&cancel)});
  window->item = next;
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
  original->Fire(IID_ItemEvents, DISPID(kind), {Borrowed(response->dispatch()), ByRefBool(&cancel)});
  if (cancel != VARIANT_FALSE) return nullptr;
  return Open(response);
}

void Outlook::Select(std::vector<DispatchObject*> items) {
  if (Explorer* e = app_->activeExplorer) {
    e->selection->items = std::move(items);
    e->Fire(IID_ExplorerEvents, 0xF007, {});
  }
}

// BeforeFolderSwitch or BeforeViewSwitch (the new folder or view, Cancel), then the switch.
void Outlook::Switch(DISPID before, DISPID after) {
  Explorer* e = app_->activeExplorer;
  if (!e) return;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  e->Fire(IID_ExplorerEvents, before, {Borrowed(nullptr), ByRefBool(&cancel)});
  if (before == 0xF003) e->selection->items.clear();
  e->Fire(IID_ExplorerEvents, after, {});
}

void Outlook::SwitchFolder() { Switch(0xF003, 0xF002); }
void Outlook::SwitchView() { Switch(0xF005, 0xF004); }

MailItem* Outlook::MakeResponse(const MailItem& original, bool forward) {
  MailItem* response = world_.Make<MailItem>();
  response->subject = Wide(forward ? "FW: " : "RE: ") + original.subject;
  response->bodyFormat = original.bodyFormat;
  response->body = original.body;
  response->htmlBody = original.htmlBody;
  return response;
}

void Outlook::ActivateExplorer() {
  if (Explorer* e = app_->activeExplorer) e->Fire(IID_ExplorerEvents, 0xF001, {});
}

Inspector* Outlook::ClickInExplorer(const std::string& caption) {
  Explorer* e = app_->activeExplorer;
  Control* button = e ? e->Button(caption) : nullptr;
  if (!button || !button->Click()) return nullptr;
  MailItem* original = nullptr;
  for (DispatchObject* item : e->selection->items)
    if ((original = dynamic_cast<MailItem*>(item)) != nullptr) break;
  if (!original) return nullptr;
  return Open(MakeResponse(*original, caption == "Forward"));
}

void Outlook::CloseExplorer() {
  if (Explorer* e = app_->activeExplorer) {
    e->Fire(IID_ExplorerEvents, 0xF008, {});
    app_->activeExplorer = nullptr;
  }
}

MailItem* Outlook::Receive(const std::string& eml, std::string* error) { return ReadEml(world_, eml, error); }

}  // namespace sim

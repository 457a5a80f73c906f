#include "addin/ribbon.h"

#include <algorithm>
#include <memory>
#include "context/addin_context.h"
#include "context/ribbon_windows.h"
#include "classify/load_text.h"
#include "classify/mail_item.h"
#include "classify/resource_ids.h"
#include "compose/chosen_level.h"
#include "com/iids.h"
#include "com/text.h"
#include "com/variant.h"
#include "host/host_guard.h"
#include "host/host_objects.h"

namespace {

// Every text the ribbon shows comes through a callback: Office may ask for the XML before
// the settings exist, and the texts are the policy's.
const char kNamespace[] = "http://schemas.microsoft.com/office/2009/07/customui";

const char kLevelDropDown[] =
    "<dropDown id=\"OrvanLevel\" tag=\"OrvanClassification\" getLabel=\"OrvanCaption\" getScreentip=\"OrvanTooltip\" "
    "getEnabled=\"OrvanLevelEnabled\" getItemCount=\"OrvanLevelCount\" getItemLabel=\"OrvanLevelLabel\" "
    "getItemID=\"OrvanLevelId\" getSelectedItemIndex=\"OrvanSelectedLevel\" onAction=\"OrvanLevelChosen\"/>";
const char kReadLevel[] =
    "<labelControl id=\"OrvanReadLevel\" tag=\"OrvanClassification\" getLabel=\"OrvanReadLevel\" "
    "getScreentip=\"OrvanTooltip\"/>";

std::string Group(const char* control) {
  return std::string("<group id=\"OrvanClassify\" getLabel=\"OrvanGroupLabel\">") + control + "</group>";
}

std::string Document(const std::string& ribbon) {
  return std::string("<customUI xmlns=\"") + kNamespace + "\" onLoad=\"OrvanRibbonLoaded\"><ribbon>" + ribbon +
         "</ribbon></customUI>";
}

enum Callback : DISPID {
  kLoaded = 1,
  kGroupLabel,
  kCaption,
  kTooltip,
  kLevelCount,
  kLevelLabel,
  kLevelId,
  kSelectedLevel,
  kLevelChosen,
  kReadLevelLabel,
  kLevelEnabled,
};

// Each callback by name, with the number of arguments Office passes it: the IRibbonUI or
// the IRibbonControl first, then an index, or the chosen item's id and index.
const struct {
  const char* name;
  DISPID id;
  UINT arguments;
} kCallbacks[] = {
    {"OrvanRibbonLoaded", kLoaded, 1},     {"OrvanGroupLabel", kGroupLabel, 1},
    {"OrvanCaption", kCaption, 1},         {"OrvanTooltip", kTooltip, 1},
    {"OrvanLevelCount", kLevelCount, 1},   {"OrvanLevelLabel", kLevelLabel, 2},
    {"OrvanLevelId", kLevelId, 2},         {"OrvanSelectedLevel", kSelectedLevel, 1},
    {"OrvanLevelChosen", kLevelChosen, 3}, {"OrvanReadLevel", kReadLevelLabel, 1},
    {"OrvanLevelEnabled", kLevelEnabled, 1},
};

// Arguments in their own order (the host passes them last first). How Office types them is
// not documented: numbers come as VT_I4 or VT_I2, texts as VT_BSTR, by value or reference.
const VARIANT* Arg(const DISPPARAMS* params, UINT n) { return &params->rgvarg[params->cArgs - 1 - n]; }

bool Number(const VARIANT* v, long* out) {
  switch (v->vt) {
    case VT_I4: *out = v->lVal; return true;
    case VT_I2: *out = v->iVal; return true;
    case VT_I4 | VT_BYREF: if (!v->plVal) return false; *out = *v->plVal; return true;
    case VT_I2 | VT_BYREF: if (!v->piVal) return false; *out = *v->piVal; return true;
    default: return false;
  }
}

IDispatch* Object(const VARIANT* v) {
  if (v->vt == VT_DISPATCH) return v->pdispVal;
  if (v->vt == (VT_DISPATCH | VT_BYREF) && v->ppdispVal) return *v->ppdispVal;
  return nullptr;
}

// The answer handed to Office, which clears it.
HRESULT Answer(VARIANT* result, Variant value) {
  if (result) *result = value.Detach();
  return S_OK;
}
HRESULT Answer(VARIANT* result, long number) { return Answer(result, Variant::I4(number)); }
HRESULT Answer(VARIANT* result, bool yes) { return Answer(result, Variant::Bool(yes)); }
HRESULT Answer(VARIANT* result, const std::string& utf8) { return Answer(result, Variant::Text(utf8)); }

// The message a window without a handler shows, read when Office asks: a compose window
// whose Send was stopped after its handler ended (its level is still the sender's to
// choose), a window opened while the add-in was off, an inline response the add-in was not
// there to see start.
class ShownItem final : public RibbonWindow {
 public:
  ShownItem(AddInContext& context, IDispatch* item) : context_(context), mail_(new CMailItem(context, item)) {
    TryHostStep([&] { sent_ = mail_->GetSent(); });
  }
  bool Editable() const override { return !sent_; }
  int Level() override {
    const int level = mail_->GetClassification();
    if (level || !Editable()) return level;
    const ClassificationSettings* s = context_.Settings();
    return s ? s->Preselected(0, s->LevelCount()) : 0;
  }
  void Choose(int level) override {
    if (!Editable()) return;
    ChosenLevel chosen;
    chosen.level = chosen.had = mail_->GetClassification();
    if (chosen.Choose(context_, *mail_, level, "the ribbon")) chosen.WriteTo(*mail_);
  }

 private:
  AddInContext& context_;
  CMailItemRef mail_;
  bool sent_ = true;
};

}  // namespace

std::string RibbonCallbacks::CustomUI(const std::string& ribbonId) {
  if (ribbonId == "Microsoft.Outlook.Mail.Compose")
    return Document("<tabs><tab idMso=\"TabNewMailMessage\">" + Group(kLevelDropDown) + "</tab></tabs>");
  if (ribbonId == "Microsoft.Outlook.Mail.Read")
    return Document("<tabs><tab idMso=\"TabReadMessage\">" + Group(kReadLevel) + "</tab></tabs>");
  if (ribbonId == "Microsoft.Outlook.Explorer")
    return Document("<contextualTabs><tabSet idMso=\"TabComposeTools\"><tab idMso=\"TabMessage\">" +
                    Group(kLevelDropDown) + "</tab></tabSet></contextualTabs>");
  return std::string();
}

HRESULT RibbonCallbacks::IdOfName(const OLECHAR* name, DISPID* id) {
  if (!name || !id) return E_POINTER;
  size_t n = 0;
  while (name[n]) ++n;
  const std::string text = WideToUtf8(name, n);
  for (const auto& c : kCallbacks)
    if (text == c.name) {
      *id = c.id;
      return S_OK;
    }
  *id = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

namespace {

// What a callback was called with: the IRibbonUI or the control, and the index it names.
struct Arguments {
  IDispatch* object = nullptr;
  long index = 0;
};

// The contract of the callbacks' arguments: no names, each callback its own count, the
// object first and the index where the callback takes one.
HRESULT ReadArguments(DISPID id, const DISPPARAMS* params, UINT* argErr, Arguments* out) {
  const auto* callback = std::find_if(std::begin(kCallbacks), std::end(kCallbacks), [&](const auto& c) { return c.id == id; });
  if (callback == std::end(kCallbacks)) return DISP_E_MEMBERNOTFOUND;
  const UINT count = params ? params->cArgs : 0;
  if (params && params->cNamedArgs) return DISP_E_NONAMEDARGS;
  if (count != callback->arguments) return DISP_E_BADPARAMCOUNT;
  if (!params->rgvarg) return E_INVALIDARG;
  auto mismatch = [&](UINT n) {
    if (argErr) *argErr = count - 1 - n;  // its place in rgvarg
    return DISP_E_TYPEMISMATCH;
  };
  out->object = Object(Arg(params, 0));
  if (!out->object) return mismatch(0);
  if ((id == kLevelLabel || id == kLevelId) && !Number(Arg(params, 1), &out->index)) return mismatch(1);
  if (id == kLevelChosen && !Number(Arg(params, 2), &out->index)) return mismatch(2);
  return S_OK;
}

// The answers that need no window: the policy's texts and its list of levels, or nothing
// before start-up and after the end. False when the callback asks about the window.
bool AnswerFromPolicy(DISPID id, ClassificationSettings* s, long index, VARIANT* result, HRESULT* hr) {
  if (!s) {
    if (id == kLevelCount || id == kSelectedLevel) *hr = Answer(result, 0L);
    else if (id == kLevelEnabled) *hr = Answer(result, false);
    else *hr = id == kLevelChosen ? S_OK : Answer(result, std::string());
    return true;
  }
  switch (id) {
    case kGroupLabel: *hr = Answer(result, s->Caption); return true;
    case kCaption: *hr = Answer(result, FormatText(IDS_CAPTION, {s->Caption})); return true;
    case kTooltip: *hr = Answer(result, s->Tooltip); return true;
    case kLevelCount:
    case kLevelLabel:
    case kLevelId: break;
    default: return false;  // the window's answers count the entries themselves
  }
  const std::vector<std::string> entries = s->DropDownEntries();
  const long n = long(entries.size());
  switch (id) {
    case kLevelCount: *hr = Answer(result, n); return true;
    case kLevelLabel:
    case kLevelId:
      if (index < 0 || index >= n) *hr = Answer(result, std::string());
      else *hr = Answer(result, id == kLevelLabel ? entries[size_t(index)] : "OrvanLevel" + std::to_string(index + 1));
      return true;
    default: return false;
  }
}

// The window a control is shown in: the one the add-in handles there, or else what the
// window shows now (made into shown, and its item watched in an Inspector).
RibbonWindow* WindowOf(AddInContext& context, IDispatch* control, std::unique_ptr<ShownItem>* shown) {
  RibbonWindow* window = nullptr;
  TryHostStep([&] {
    ComPtr<IDispatch> shownIn = RibbonControl::From(control).Context();
    ComPtr<IUnknown> identity = ComIdentity(shownIn.get());
    if ((window = context.Ribbon().Registered(identity.get())) != nullptr) return;
    ComPtr<IDispatch> item;
    Inspector inspector;
    Explorer explorer;
    if (Inspector::TryFrom(shownIn.get(), &inspector)) item = inspector.CurrentItem();
    else if (Explorer::TryFrom(shownIn.get(), &explorer)) item = explorer.ActiveInlineResponse();
    // Whatever the window's bar would show: mail, or a meeting or task request.
    Item shownItem;
    if (!item || !Item::TryFrom(item.get(), &shownItem) || !IsClassifiedClass(shownItem.Class())) return;
    *shown = std::make_unique<ShownItem>(context, shownItem.get());
    window = shown->get();
    if (inspector) context.Ribbon().WatchItem(identity.get(), shownItem.get());
  });
  return window;
}

// The answers about one window: its level, whether it may change, and a choice on it.
HRESULT AnswerFromWindow(AddInContext& context, DISPID id, ClassificationSettings& s, RibbonWindow* window,
                         long index, VARIANT* result) {
  const long n = long(s.DropDownEntries().size());
  switch (id) {
    case kSelectedLevel: {
      const int level = window ? window->Level() : s.Preselected(0, int(n));
      return Answer(result, level >= 1 && level <= n ? long(level - 1) : 0L);
    }
    case kLevelEnabled: return Answer(result, window && window->Editable());
    case kLevelChosen:
      if (window && window->Editable() && index >= 0 && index < n) TryHostStep([&] { window->Choose(int(index + 1)); });
      context.Ribbon().Invalidate();  // the bar may show it; every other window asks again and keeps its own
      return S_OK;
    case kReadLevelLabel: {
      const int level = window ? window->Level() : 0;
      return Answer(result, FormatText(IDS_CAPTION, {s.Caption}) + " " +
                                (level >= 1 ? s.LevelName(level) : std::string(LoadText(IDS_NO_LEVEL))));
    }
    default: return DISP_E_MEMBERNOTFOUND;
  }
}

}  // namespace

HRESULT RibbonCallbacks::Invoke(AddInContext& context, DISPID id, const DISPPARAMS* params, VARIANT* result, UINT* argErr) {
  Arguments args;
  if (const HRESULT hr = ReadArguments(id, params, argErr, &args); hr != S_OK) return hr;
  if (id == kLoaded) {
    if (!context.Ended()) context.Ribbon().Loaded(args.object);  // one shown after the end: nothing to keep it for
    return S_OK;
  }
  // Callbacks can come before start-up or after the end: then there is no policy to show.
  ClassificationSettings* s = context.Settings();
  HRESULT hr = S_OK;
  if (AnswerFromPolicy(id, s, args.index, result, &hr)) return hr;
  std::unique_ptr<ShownItem> shown;
  RibbonWindow* window = WindowOf(context, args.object, &shown);
  return AnswerFromWindow(context, id, *s, window, args.index, result);
}

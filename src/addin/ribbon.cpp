#include "addin/ribbon.h"

#include <algorithm>
#include <cstring>
#include "addin/add_in.h"
#include "addin/host_guard.h"
#include "addin/host_objects.h"
#include "com/text.h"

namespace {

// Every text the ribbon shows comes through a callback: Office may ask for the XML before
// the settings exist, and the texts are the policy's.
const char kNamespace[] = "http://schemas.microsoft.com/office/2009/07/customui";

const char kLevelDropDown[] =
    "<dropDown id=\"OrvanLevel\" tag=\"OrvanClassification\" getLabel=\"OrvanCaption\" getScreentip=\"OrvanTooltip\" "
    "getItemCount=\"OrvanLevelCount\" getItemLabel=\"OrvanLevelLabel\" getItemID=\"OrvanLevelId\" "
    "getSelectedItemIndex=\"OrvanSelectedLevel\" onAction=\"OrvanLevelChosen\"/>";
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
};

const struct {
  const char* name;
  DISPID id;
} kCallbacks[] = {
    {"OrvanRibbonLoaded", kLoaded},   {"OrvanGroupLabel", kGroupLabel},       {"OrvanCaption", kCaption},
    {"OrvanTooltip", kTooltip},       {"OrvanLevelCount", kLevelCount},       {"OrvanLevelLabel", kLevelLabel},
    {"OrvanLevelId", kLevelId},       {"OrvanSelectedLevel", kSelectedLevel}, {"OrvanLevelChosen", kLevelChosen},
    {"OrvanReadLevel", kReadLevelLabel},
};

// Arguments in their own order (the host passes them last first). How Office types them is
// not documented: numbers come as VT_I4 or VT_I2, texts as VT_BSTR, by value or reference.
const VARIANT* Arg(const DISPPARAMS* params, UINT n) {
  if (!params || !params->rgvarg || n >= params->cArgs) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - n];
}

bool Number(const VARIANT* v, long* out) {
  if (!v) return false;
  switch (v->vt) {
    case VT_I4: *out = v->lVal; return true;
    case VT_I2: *out = v->iVal; return true;
    case VT_I4 | VT_BYREF: if (!v->plVal) return false; *out = *v->plVal; return true;
    case VT_I2 | VT_BYREF: if (!v->piVal) return false; *out = *v->piVal; return true;
    default: return false;
  }
}

HRESULT Answer(VARIANT* result, long number) {
  if (result) {
    VariantInit(result);
    result->vt = VT_I4;
    result->lVal = number;
  }
  return S_OK;
}

HRESULT Answer(VARIANT* result, const std::string& ansi) {
  if (result) {
    Bstr text = Bstr::FromAnsi(ansi);
    VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = text.Detach();
  }
  return S_OK;
}

}  // namespace

std::string Ribbon::CustomUI(const std::string& ribbonId) {
  if (ribbonId == "Microsoft.Outlook.Mail.Compose")
    return Document("<tabs><tab idMso=\"TabNewMailMessage\">" + Group(kLevelDropDown) + "</tab></tabs>");
  if (ribbonId == "Microsoft.Outlook.Mail.Read")
    return Document("<tabs><tab idMso=\"TabReadMessage\">" + Group(kReadLevel) + "</tab></tabs>");
  if (ribbonId == "Microsoft.Outlook.Explorer")
    return Document("<contextualTabs><tabSet idMso=\"TabComposeTools\"><tab idMso=\"TabMessage\">" +
                    Group(kLevelDropDown) + "</tab></tabSet></contextualTabs>");
  return std::string();
}

HRESULT Ribbon::IdOfName(const OLECHAR* name, DISPID* id) {
  if (!name || !id) return E_POINTER;
  size_t n = 0;
  while (name[n]) ++n;
  const std::string ansi = WideToAnsi(name, n);
  for (const auto& c : kCallbacks)
    if (ansi == c.name) {
      *id = c.id;
      return S_OK;
    }
  *id = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

HRESULT Ribbon::Invoke(DISPID id, DISPPARAMS* params, VARIANT* result) {
  if (id == kLoaded) {
    const VARIANT* ui = Arg(params, 0);
    if (!ui || ui->vt != VT_DISPATCH || !ui->pdispVal) return DISP_E_TYPEMISMATCH;
    uis_.push_back(ComPtr<IDispatch>::Borrow(ui->pdispVal));
    return S_OK;
  }
  if (id < kGroupLabel || id > kReadLevelLabel) return DISP_E_MEMBERNOTFOUND;
  // Callbacks can come before start-up or after shutdown: then there is no policy to show.
  ClassificationSettings* s = Settings();
  if (!s) return id == kLevelCount || id == kSelectedLevel ? Answer(result, 0L) : Answer(result, std::string());
  const std::vector<std::string> entries = s->DropDownEntries();
  const long n = long(entries.size());
  RibbonWindow* window = WindowOf(Arg(params, 0));
  long index = 0;
  switch (id) {
    case kGroupLabel: return Answer(result, s->Label);
    case kCaption: return Answer(result, s->Label + ":");
    case kTooltip: return Answer(result, s->Tooltip);
    case kLevelCount: return Answer(result, n);
    case kLevelLabel:
    case kLevelId:
      if (!Number(Arg(params, 1), &index)) return DISP_E_TYPEMISMATCH;
      if (index < 0 || index >= n) return Answer(result, std::string());
      return Answer(result, id == kLevelLabel ? entries[size_t(index)] : "OrvanLevel" + std::to_string(index + 1));
    case kSelectedLevel: {
      const int level = window ? window->Level() : s->Preselected(0, int(n));
      return Answer(result, level >= 1 && level <= n ? long(level - 1) : 0L);
    }
    case kLevelChosen:
      if (!Number(Arg(params, 2), &index)) return DISP_E_TYPEMISMATCH;
      if (window && window->Editable() && index >= 0 && index < n) window->Choose(int(index + 1));
      Invalidate();  // the bar may show it; every other window asks again and keeps its own
      return S_OK;
    case kReadLevelLabel: {
      const int level = window ? window->Level() : 0;
      return Answer(result, s->Label + ": " + (level >= 1 ? s->LevelName(level) : std::string("(none)")));
    }
    default: return DISP_E_MEMBERNOTFOUND;
  }
}

void Ribbon::Add(IDispatch* context, RibbonWindow* window) {
  ComPtr<IUnknown> id = ComIdentity(context);
  if (!id) return;
  windows_.push_back({std::move(id), window});
}

void Ribbon::Remove(RibbonWindow* window) {
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(), [&](const Entry& e) { return e.window == window; }),
                 windows_.end());
}

RibbonWindow* Ribbon::WindowOf(const VARIANT* control) const {
  if (!control || control->vt != VT_DISPATCH || !control->pdispVal) return nullptr;
  RibbonWindow* found = nullptr;
  TryHostStep([&] {
    ComPtr<IDispatch> context = RibbonControl::From(control->pdispVal).Context();
    ComPtr<IUnknown> id = ComIdentity(context.get());
    // The latest window on a context wins: an Explorer shows one inline response at a time.
    for (const Entry& e : windows_)
      if (id && e.context.get() == id.get()) found = e.window;
  });
  return found;
}

void Ribbon::Invalidate() {
  for (const ComPtr<IDispatch>& ui : uis_) TryHostStep([&] { RibbonUI::From(ui.get()).Invalidate(); });
}

void Ribbon::Release() {
  uis_.clear();
  windows_.clear();
}

#include "sim/ribbon.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace sim {

// ---- RibbonControl, RibbonUI

RibbonControl::RibbonControl(World& world, std::string id, std::string tag, DispatchObject* context)
    : DispatchObject(world, "IRibbonControl " + id, typelib::RibbonControl) {
  Property("Id", [id](const Args&) { return TextVariant(id); });
  Property("Context", [context](const Args&) { return DispatchVariant(context->dispatch()); });
  Property("Tag", [tag](const Args&) { return TextVariant(tag); });
}

RibbonUI::RibbonUI(World& world, Ribbon* owner, std::string ribbonId)
    : DispatchObject(world, "IRibbonUI " + ribbonId, typelib::RibbonUI), ribbon(owner) {
  AddMethod("Invalidate", [this, ribbonId](const Args&) {
    if (ribbon) ribbon->Invalidate(ribbonId, "");
    return Variant();
  });
  AddMethod("InvalidateControl", [this, ribbonId](const Args& a) {
    if (a.empty() || !a[0]) throw Fault{DISP_E_BADPARAMCOUNT};
    if (ribbon) ribbon->Invalidate(ribbonId, VariantText(*a[0]));
    return Variant();
  });
}

// ---- Ribbon

Ribbon::Ribbon(World& world, IUnknown* addIn) : world_(world) {
  if (addIn && FAILED(addIn->QueryInterface(IID_IRibbonExtensibility, extensibility_.put_void()))) extensibility_.reset();
}

Ribbon::~Ribbon() {
  for (auto& [id, doc] : documents_)
    if (doc.ribbonUi) doc.ribbonUi->ribbon = nullptr;
}

void Ribbon::Load(const std::string& ribbonId) {
  if (!extensibility_ || loaded_[ribbonId]) return;
  loaded_[ribbonId] = true;
  BSTR xml = nullptr;
  const WideText id = Wide(ribbonId);
  BSTR idText = SysAllocStringLen(id.data(), UINT(id.size()));
  HRESULT hr;
  {
    AddInScope addIn;
    hr = extensibility_->GetCustomUI(idText, &xml);  // through the vtable, as Office calls it
  }
  SysFreeString(idText);
  const std::string text = Utf8(xml, xml ? SysStringLen(xml) : 0);
  SysFreeString(xml);
  if (FAILED(hr) || text.empty()) return;  // the add-in leaves this ribbon alone
  Document doc;
  std::string why;
  if (!ReadCustomUI(text, &doc.ui, &why)) {
    ignored_[ribbonId] = why;  // Office ignores it whole, and says nothing
    return;
  }
  if (!doc.ui.onLoad.empty()) {
    doc.ribbonUi = world_.Make<RibbonUI>(this, ribbonId);
    Call(doc.ui.onLoad, {BorrowedVariant(doc.ribbonUi->dispatch())}, nullptr);
  }
  documents_[ribbonId] = std::move(doc);
}

std::string Ribbon::Ignored(const std::string& ribbonId) const {
  auto it = ignored_.find(ribbonId);
  return it == ignored_.end() ? std::string() : it->second;
}

bool Ribbon::Call(const std::string& name, std::vector<VARIANT> args, Variant* result) {
  ComPtr<IDispatch> dispatch;
  if (FAILED(extensibility_->QueryInterface(IID_IDispatch, dispatch.put_void()))) return false;
  WideText wide = Wide(name);
  LPOLESTR names[1] = {&wide[0]};
  DISPID id = DISPID_UNKNOWN;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, UINT(reversed.size()), 0};
  ++calls_;
  Variant value;
  HRESULT hr;
  {
    AddInScope addIn;  // only the add-in's own work counts as the add-in's
    hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (SUCCEEDED(hr))
      hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, value.Receive(), nullptr,
                            nullptr);
  }
  if (FAILED(hr)) return false;
  if (result) *result = std::move(value);
  return true;
}

RibbonControl* Ribbon::ControlFor(DispatchObject* context, const RibbonControlSpec& control) {
  char key[64];
  std::snprintf(key, sizeof key, "%p", static_cast<void*>(context));
  RibbonControl*& made = controls_[control.Attribute("id") + "|" + key];
  if (!made) made = world_.Make<RibbonControl>(control.Attribute("id"), control.Attribute("tag"), context);
  return made;
}

Variant Ribbon::Ask(DispatchObject* context, const std::string& ribbonId, const RibbonControlSpec& control,
                    const std::string& callback, long index) {
  const std::string name = control.Attribute(callback);
  if (name.empty()) return TextVariant(control.Attribute(callback == "getLabel" ? "label" : ""));
  char key[256];
  std::snprintf(key, sizeof key, "%s|%s|%p|%s|%ld", ribbonId.c_str(), control.Attribute("id").c_str(),
                static_cast<void*>(context), callback.c_str(), index);
  auto cached = cache_.find(key);
  if (cached != cache_.end()) return TextVariant(cached->second);
  std::vector<VARIANT> args{BorrowedVariant(ControlFor(context, control)->dispatch())};
  if (index >= 0) {
    // Office's typing of numbers is undocumented: the simulator passes both kinds.
    VARIANT n;
    VariantInit(&n);
    if (calls_ % 2) {
      n.vt = VT_I2;
      n.iVal = short(index);
    } else {
      n.vt = VT_I4;
      n.lVal = index;
    }
    args.push_back(n);
  }
  Variant result;
  std::string text;
  if (Call(name, args, &result)) {
    const VARIANT& r = result.get();
    if (r.vt == VT_BSTR) text = Utf8(r.bstrVal, SysStringLen(r.bstrVal));
    else if (r.vt == VT_I4 || r.vt == VT_I2) text = std::to_string(r.vt == VT_I4 ? long(r.lVal) : long(r.iVal));
    else if (r.vt == VT_BOOL) text = r.boolVal != VARIANT_FALSE ? "true" : "false";
  }
  cache_[key] = text;
  return TextVariant(text);
}

std::vector<Ribbon::Shown> Ribbon::Show(DispatchObject* context, const std::string& ribbonId, const std::string& tab) {
  std::vector<Shown> shown;
  auto doc = documents_.find(ribbonId);
  if (doc == documents_.end()) return shown;
  for (const RibbonControlSpec& c : doc->second.ui.controls) {
    if (c.tab != tab) continue;
    Shown s;
    s.id = c.Attribute("id");
    s.element = c.element;
    s.label = VariantText(Ask(context, ribbonId, c, "getLabel").get());
    s.enabled = Enabled(context, ribbonId, c);
    if (c.element == "dropDown") {
      const long count = std::atol(VariantText(Ask(context, ribbonId, c, "getItemCount").get()).c_str());
      for (long i = 0; i < count; ++i) s.items.push_back(VariantText(Ask(context, ribbonId, c, "getItemLabel", i).get()));
      const std::string selected = VariantText(Ask(context, ribbonId, c, "getSelectedItemIndex").get());
      s.selected = selected.empty() ? -1 : std::atol(selected.c_str());
    }
    shown.push_back(s);
  }
  return shown;
}

bool Ribbon::Choose(DispatchObject* context, const std::string& ribbonId, const std::string& controlId, long index) {
  auto doc = documents_.find(ribbonId);
  if (doc == documents_.end()) return false;
  for (const RibbonControlSpec& c : doc->second.ui.controls) {
    if (c.Attribute("id") != controlId || c.element != "dropDown") continue;
    if (!Enabled(context, ribbonId, c)) return false;  // a greyed control takes no choice
    const std::string itemId = VariantText(Ask(context, ribbonId, c, "getItemID", index).get());
    WideText wideId = Wide(itemId);
    BSTR id = SysAllocStringLen(wideId.data(), UINT(wideId.size()));
    VARIANT selectedId, selectedIndex;
    VariantInit(&selectedId);
    VariantInit(&selectedIndex);
    // The selected id by reference and the index as a short on every other call, by value
    // and as a long otherwise: Office's typing is not documented.
    BSTR byRef = id;
    if (calls_ % 2) {
      selectedId.vt = VT_BSTR | VT_BYREF;
      selectedId.pbstrVal = &byRef;
      selectedIndex.vt = VT_I2;
      selectedIndex.iVal = short(index);
    } else {
      selectedId.vt = VT_BSTR;
      selectedId.bstrVal = id;
      selectedIndex.vt = VT_I4;
      selectedIndex.lVal = index;
    }
    // The drop-down shows the choice at once; the add-in invalidates if it keeps another.
    char key[256];
    std::snprintf(key, sizeof key, "%s|%s|%p|%s|%ld", ribbonId.c_str(), controlId.c_str(), static_cast<void*>(context),
                  "getSelectedItemIndex", -1L);
    cache_[key] = std::to_string(index);
    const bool ok = Call(c.Attribute("onAction"), {BorrowedVariant(ControlFor(context, c)->dispatch()), selectedId, selectedIndex},
                         nullptr);
    SysFreeString(id);
    return ok;
  }
  return false;
}

bool Ribbon::Enabled(DispatchObject* context, const std::string& ribbonId, const RibbonControlSpec& control) {
  if (control.Attribute("getEnabled").empty()) return control.Attribute("enabled") != "false";
  // Office shows a control enabled when the callback gives no answer it can use.
  return VariantText(Ask(context, ribbonId, control, "getEnabled").get()) != "false";
}

void Ribbon::Invalidate(const std::string& ribbonId, const std::string& controlId) {
  const std::string prefix = ribbonId + "|" + (controlId.empty() ? "" : controlId + "|");
  for (auto it = cache_.begin(); it != cache_.end();)
    it = it->first.compare(0, prefix.size(), prefix) == 0 ? cache_.erase(it) : std::next(it);
}

}  // namespace sim

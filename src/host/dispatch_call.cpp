#include "host/dispatch_call.h"

#include <vector>
#include "com/bstr.h"
#include "host/host_error.h"
#include "com/text.h"

namespace {
HostMember* g_members = nullptr;
}  // namespace

HostMember::HostMember(const IID& memberOf, const char* memberName)
    : iid(memberOf), name(memberName), next(g_members) {
  g_members = this;
}

void ForgetHostMemberIds() {
  for (HostMember* m = g_members; m; m = m->next) m->resolved = false;
}

namespace {

void Resolve(IDispatch* object, const IID& iid, HostMember& m) {
  if (m.resolved) return;
  std::basic_string<OLECHAR> wide = AnsiToWide(m.name);
  LPOLESTR names[1] = {&wide[0]};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw HostError(hr, iid).About(m.name);
  m.id = id;
  m.resolved = true;
}

// Frees what the host left in an EXCEPINFO and turns it into the error to raise.
HostError FromException(HRESULT hr, const IID& iid, EXCEPINFO& info) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  HRESULT code = hr;
  if (hr == DISP_E_EXCEPTION) {
    if (info.scode != 0) code = info.scode;
    else if (info.wCode != 0) code = E_FAIL;
  }
  Bstr source, description, help;
  source.Reset(info.bstrSource);
  description.Reset(info.bstrDescription);
  help.Reset(info.bstrHelpFile);
  std::string text;
  try {
    text = description.ToUtf8();
  } catch (...) {
  }
  return HostError(code, iid, std::move(text));
}

}  // namespace

Variant HostInterface::Invoke(HostMember& m, WORD flags, std::initializer_list<const VARIANT*> args,
                              const Variant* putValue) const {
  if (!p_) throw HostError(E_POINTER, *iid_);
  // A DISPID learned on another interface would call some other member, or none.
  if (!IsEqualIID(m.iid, *iid_)) throw HostError(E_INVALIDARG, *iid_);
  Resolve(p_.get(), *iid_, m);

  // The host takes arguments last first. They are passed by value and stay owned here.
  std::vector<VARIANT> reversed;
  reversed.reserve(args.size() + 1);
  if (putValue) reversed.push_back(putValue->get());
  for (auto it = args.end(); it != args.begin();) reversed.push_back(**--it);

  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), putValue ? &putId : nullptr,
                    UINT(reversed.size()), putValue ? 1u : 0u};
  Variant result;
  EXCEPINFO info{};
  UINT argErr = 0;
  HRESULT hr = p_->Invoke(m.id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                          putValue ? nullptr : result.Receive(), &info, &argErr);
  if (FAILED(hr)) throw FromException(hr, *iid_, info).About(m.name);
  return result;
}

Variant HostInterface::Get(HostMember& m, std::initializer_list<const VARIANT*> args) const {
  return Invoke(m, DISPATCH_PROPERTYGET | (args.size() ? DISPATCH_METHOD : 0), args, nullptr);
}

void HostInterface::Put(HostMember& m, const Variant& value) const {
  Invoke(m, DISPATCH_PROPERTYPUT, {}, &value);
}

Variant HostInterface::Call(HostMember& m, std::initializer_list<const VARIANT*> args) const {
  return Invoke(m, DISPATCH_METHOD, args, nullptr);
}

long HostInterface::ToLong(const Variant& v) const {
  const VARIANT& x = v.get();
  switch (x.vt) {
    case VT_I2: return x.iVal;
    case VT_I4: return x.lVal;
    case VT_INT: return x.intVal;
    case VT_UI1: return x.bVal;
    case VT_UI2: return x.uiVal;
    case VT_UI4: return long(x.ulVal);
    case VT_UINT: return long(x.uintVal);
    case VT_BOOL: return x.boolVal ? -1 : 0;
    default: throw HostError(DISP_E_TYPEMISMATCH, *iid_);
  }
}

bool HostInterface::ToBool(const Variant& v) const {
  if (v.get().vt == VT_BOOL) return v.get().boolVal != VARIANT_FALSE;
  return ToLong(v) != 0;
}

ComPtr<IDispatch> HostInterface::ToDispatch(const Variant& v) const {
  const VARIANT& x = v.get();
  if (x.vt == VT_EMPTY || x.vt == VT_NULL) return nullptr;
  if (x.vt == VT_DISPATCH) return ComPtr<IDispatch>::Borrow(x.pdispVal);
  if (x.vt == VT_UNKNOWN) {
    ComPtr<IDispatch> d;
    if (x.punkVal) ThrowIfFailed(x.punkVal->QueryInterface(IID_IDispatch, d.put_void()), *iid_);
    return d;
  }
  throw HostError(DISP_E_TYPEMISMATCH, *iid_);
}

ComPtr<IUnknown> HostInterface::ToUnknown(const Variant& v) const {
  const VARIANT& x = v.get();
  if (x.vt == VT_EMPTY || x.vt == VT_NULL) return nullptr;
  if (x.vt == VT_UNKNOWN) return ComPtr<IUnknown>::Borrow(x.punkVal);
  if (x.vt == VT_DISPATCH) return ComPtr<IUnknown>::Borrow(x.pdispVal);
  throw HostError(DISP_E_TYPEMISMATCH, *iid_);
}

Bstr HostInterface::ToBstr(Variant& v) const {
  Bstr s;
  if (v.type() == VT_EMPTY || v.type() == VT_NULL) return s;
  if (v.type() != VT_BSTR) throw HostError(DISP_E_TYPEMISMATCH, *iid_);
  s.Reset(v.TakeBstr());
  return s;
}

bool QueryHostInterface(IUnknown* object, const IID& iid, HostInterface* out) {
  if (!object) throw HostError(E_POINTER, iid);
  ComPtr<IDispatch> p;
  HRESULT hr = object->QueryInterface(iid, p.put_void());
  if (hr == E_NOINTERFACE) return false;
  ThrowIfFailed(hr, iid);
  if (!p) throw HostError(E_POINTER, iid);
  *out = HostInterface(std::move(p), iid);
  return true;
}

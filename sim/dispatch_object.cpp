#include "sim/dispatch_object.h"

#include <stdexcept>
#include "com/bstr.h"

namespace sim {

std::string Utf8(const OLECHAR* text, size_t length) {
  if (!text || !length) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text, int(length), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, int(length), &out[0], n, nullptr, nullptr);
  return out;
}

std::basic_string<OLECHAR> Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::basic_string<OLECHAR> out(size_t(n > 0 ? n : 0), OLECHAR(0));
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &out[0], n);
  return out;
}

Variant TextVariant(const std::string& utf8) { return WideVariant(Wide(utf8)); }

Variant WideVariant(const std::basic_string<OLECHAR>& w) {
  Variant v;
  VARIANT* raw = v.Receive();
  raw->bstrVal = SysAllocStringLen(w.data(), UINT(w.size()));
  if (!raw->bstrVal) throw Fault{E_OUTOFMEMORY};
  raw->vt = VT_BSTR;
  return v;
}

std::string VariantText(const VARIANT& v) {
  if (v.vt == VT_BSTR) return Utf8(v.bstrVal, SysStringLen(v.bstrVal));
  if (v.vt == (VT_BSTR | VT_BYREF) && v.pbstrVal) return Utf8(*v.pbstrVal, SysStringLen(*v.pbstrVal));
  throw Fault{DISP_E_TYPEMISMATCH};
}

long VariantLong(const VARIANT& v) {
  switch (v.vt) {
    case VT_I2: return v.iVal;
    case VT_I4: return v.lVal;
    case VT_INT: return v.intVal;
    case VT_UI1: return v.bVal;
    case VT_UI2: return v.uiVal;
    case VT_UI4: return long(v.ulVal);
    case VT_UINT: return long(v.uintVal);
    case VT_BOOL: return v.boolVal ? -1 : 0;
    default: throw Fault{DISP_E_TYPEMISMATCH};
  }
}

bool VariantBool(const VARIANT& v) { return VariantLong(v) != 0; }

VARIANT BorrowedVariant(IDispatch* object) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = object;
  return v;
}

Variant DispatchVariant(IDispatch* object) {
  Variant v;
  VARIANT* raw = v.Receive();
  raw->vt = VT_DISPATCH;
  raw->pdispVal = object;
  if (object) object->AddRef();
  return v;
}

// ---- DispatchObject

DispatchObject::DispatchObject(World& world, std::string name, const TypeInfo& type)
    : SimUnknown(world, std::move(name)), type_(type) {}

DispatchObject::~DispatchObject() = default;

HRESULT DispatchObject::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
    *ppv = static_cast<IDispatch*>(this);
  } else if (IsEqualIID(riid, IID_IConnectionPointContainer) && !points_.empty()) {
    *ppv = static_cast<IConnectionPointContainer*>(this);
  } else if ((type_.iid && IsEqualIID(riid, *type_.iid)) || (type_.baseIid && IsEqualIID(riid, *type_.baseIid))) {
    *ppv = static_cast<IDispatch*>(this);
  }
  if (!*ppv) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  HostScope host;
  HRESULT fault = world().BeforeCall("GetIDsOfNames");
  if (FAILED(fault)) return fault;
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!names || !ids || count == 0) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    size_t n = 0;
    while (names[i] && names[i][n]) ++n;
    const MemberInfo* member = i == 0 ? type_.Find(Utf8(names[i], n)) : nullptr;
    if (member) {
      ids[i] = member->id;
    } else {
      ids[i] = DISPID_UNKNOWN;
      hr = DISP_E_UNKNOWNNAME;
    }
  }
  return hr;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* excepinfo, UINT*) {
  HostScope host;
  const MemberInfo* info = type_.Find(id);
  HRESULT fault = world().BeforeCall(info ? info->name : "Invoke");
  HRESULT hr = S_OK;
  try {
    if (FAILED(fault)) throw Fault{fault};
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!info) return DISP_E_MEMBERNOTFOUND;
    if (!params) return E_INVALIDARG;
    auto it = members_.find(id);
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put) {
      // As ITypeInfo::Invoke: a flag the member's kind does not have finds no member.
      if (!(info->kinds & kPut)) return DISP_E_MEMBERNOTFOUND;
      if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
          params->cArgs != 1)
        return DISP_E_PARAMNOTFOUND;
      if (it == members_.end() || !it->second.set) return E_NOTIMPL;
      it->second.set(params->rgvarg[0]);
      return S_OK;
    }
    // A get may come as DISPATCH_PROPERTYGET or with DISPATCH_METHOD added; a method as
    // DISPATCH_METHOD, with or without DISPATCH_PROPERTYGET. Either alone on the other
    // kind is no member.
    const bool asMethod = (flags & DISPATCH_METHOD) && (info->kinds & kMethod);
    const bool asGet = !asMethod && (flags & DISPATCH_PROPERTYGET) && (info->kinds & kGet);
    if (!asMethod && !asGet) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs) return DISP_E_NONAMEDARGS;
    if (it == members_.end()) return E_NOTIMPL;
    Args args;
    for (UINT i = params->cArgs; i-- > 0;) {
      const VARIANT* a = &params->rgvarg[i];
      bool missing = a->vt == VT_ERROR && a->scode == DISP_E_PARAMNOTFOUND;
      args.push_back(missing ? nullptr : a);
    }
    Variant value = asMethod ? it->second.method(args) : it->second.get(args);
    if (result) *result = value.Detach();
  } catch (const Fault& f) {
    hr = f.hr;
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  if (FAILED(hr) && excepinfo) {
    *excepinfo = EXCEPINFO{};
    excepinfo->scode = hr;
    std::basic_string<OLECHAR> what = Wide("The operation failed.");
    excepinfo->bstrDescription = SysAllocStringLen(what.data(), UINT(what.size()));
    return DISP_E_EXCEPTION;
  }
  return hr;
}

HRESULT DispatchObject::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
  if (ppEnum) *ppEnum = nullptr;
  return E_NOTIMPL;
}

HRESULT DispatchObject::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
  HostScope host;
  if (!ppCP) return E_POINTER;
  *ppCP = nullptr;
  HRESULT fault = world().BeforeCall("FindConnectionPoint");
  if (FAILED(fault)) return fault;
  for (auto& p : points_) {
    if (IsEqualIID(p->iid(), riid)) {
      *ppCP = p.get();
      p->AddRef();
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

DispatchObject::Member& DispatchObject::Implement(const std::string& name, unsigned kind) {
  const MemberInfo* info = type_.Find(name);
  if (!info || (info->kinds & kind) != kind)
    throw std::logic_error(std::string(type_.name) + " has no member " + name + " of that kind");
  Member& m = members_[info->id];
  m.name = info->name;
  return m;
}

void DispatchObject::Property(const std::string& name, Getter get, Setter set) {
  Member& m = Implement(name, set ? kGetPut : kGet);
  m.get = std::move(get);
  m.set = std::move(set);
}

void DispatchObject::AddMethod(const std::string& name, Method fn) {
  Implement(name, kMethod).method = std::move(fn);
}

void DispatchObject::AddEvents(const IID& events) {
  points_.push_back(std::make_unique<ConnectionPoint>(world(), this, events));
}

ConnectionPoint* DispatchObject::Events(const IID& events) const {
  for (auto& p : points_)
    if (IsEqualIID(p->iid(), events)) return p.get();
  return nullptr;
}

size_t DispatchObject::SinkCount(const IID& events) const {
  ConnectionPoint* p = Events(events);
  return p ? p->size() : 0;
}

void DispatchObject::DropSinks() {
  for (auto& p : points_) p->DropAll();
}

size_t DispatchObject::Sinks() const {
  size_t n = 0;
  for (auto& p : points_) n += p->size();
  return n;
}

HRESULT DispatchObject::Fire(const IID& events, DISPID id, std::vector<VARIANT> args) {
  ConnectionPoint* point = Events(events);
  if (!point) return S_OK;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  HRESULT last = S_OK;
  for (DWORD cookie : point->Cookies()) {
    IDispatch* sink = point->Sink(cookie);
    if (!sink) continue;  // unadvised by an earlier sink's handling
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, UINT(reversed.size()), 0};
    VARIANT result;
    VariantInit(&result);
    try {
      AddInScope addIn;
      last = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    } catch (const std::exception& e) {
      world().RecordEscape(e.what());
    } catch (...) {
      world().RecordEscape("unknown exception");
    }
    VariantClear(&result);
  }
  return last;
}

// ---- ConnectionPoint

ConnectionPoint::ConnectionPoint(World& world, DispatchObject* owner, const IID& events)
    : SimUnknown(world, owner->name() + " events"), owner_(owner), events_(events) {}

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IConnectionPoint)) return E_NOINTERFACE;
  *ppv = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = events_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** cpc) {
  if (!cpc) return E_POINTER;
  *cpc = owner_;
  owner_->AddRef();
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  HostScope host;
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  HRESULT fault = world().BeforeCall("Advise");
  if (FAILED(fault)) return fault;
  IDispatch* events = nullptr;
  if (FAILED(sink->QueryInterface(events_, reinterpret_cast<void**>(&events))) || !events)
    return CONNECT_E_CANNOTCONNECT;
  *cookie = next_++;
  sinks_[*cookie] = events;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  HostScope host;
  HRESULT fault = world().BeforeCall("Unadvise");
  auto it = sinks_.find(cookie);
  if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
  // A source that fails Unadvise (disconnected, say) keeps its pointer to the sink, and
  // its reference, and may still call it; the sink must outlive that.
  if (FAILED(fault)) return fault;
  IDispatch* sink = it->second;
  sinks_.erase(it);
  sink->Release();
  return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** e) {
  if (e) *e = nullptr;
  return E_NOTIMPL;
}

std::vector<DWORD> ConnectionPoint::Cookies() const {
  std::vector<DWORD> out;
  for (auto& [cookie, sink] : sinks_) out.push_back(cookie);
  return out;
}

IDispatch* ConnectionPoint::Sink(DWORD cookie) const {
  auto it = sinks_.find(cookie);
  return it == sinks_.end() ? nullptr : it->second;
}

void ConnectionPoint::DropAll() {
  auto sinks = std::move(sinks_);
  sinks_.clear();
  AddInScope addIn;
  for (auto& [cookie, sink] : sinks) sink->Release();
}

}  // namespace sim

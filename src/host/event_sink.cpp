#include "host/event_sink.h"

#include "host/host_guard.h"

HRESULT EventSink::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, eventIid_) || IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG EventSink::AddRef() { return ++refs_; }

ULONG EventSink::Release() {
  if (refs_ == 0) return 0;
  if (refs_ == 1 && !ended_) {
    // The owner's one reference, which the connection point holds while subscribed. Hold
    // ourselves while our own parts go and the connection point lets go of its pointer.
    ended_ = true;
    ++refs_;
    TryHostStep([&] { OnEnded(); });
    if (ComPtr<IConnectionPoint> point = std::move(point_)) {
      // The connection point's release of its pointer gives our extra reference back. A
      // failed Unadvise (a disconnected source) leaves the source holding it: the sink then
      // lives on, ended, until the source lets go of it.
      point->Unadvise(std::exchange(cookie_, 0));
    } else {
      --refs_;
    }
  }
  if (--refs_ != 0) return refs_;
  delete this;
  return 0;
}

HRESULT EventSink::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_POINTER;
  *ppTInfo = nullptr;
  return E_FAIL;
}

HRESULT EventSink::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!names || !ids) return E_POINTER;
  if (count != 1) return E_INVALIDARG;
  ids[0] = 0;
  return S_OK;
}

HRESULT EventSink::Invoke(DISPID dispid, REFIID riid, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                          UINT*) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (ended_) return S_OK;  // a late event from a source that could not be unadvised
  DropScope scope(drops_);
  return GuardHostCall([&] { return OnEvent(dispid, params); });
}

void EventSink::Subscribe(IUnknown* source) {
  TryHostStep([&] {
    ComPtr<IConnectionPointContainer> container;
    if (!source || FAILED(source->QueryInterface(IID_IConnectionPointContainer, container.put_void())) ||
        !container)
      return;
    if (FAILED(container->FindConnectionPoint(eventIid_, point_.put())) || !point_) {
      point_.reset();
      return;
    }
    IUnknown* self = nullptr;
    QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&self));
    if (FAILED(point_->Advise(self, &cookie_))) {
      point_.reset();
      cookie_ = 0;
    }
    // The connection point's reference is the owner's one reference.
    while (refs_ > 1) Release();
  });
  // A sink that could not subscribe still belongs to its owner, whose one Release must
  // free it rather than find a count of 0.
  if (refs_ == 0) AddRef();
}

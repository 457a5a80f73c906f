// The MAPI session the simulated MAPI subsystem hands out at logon: held, never called.
#pragma once

#include "platform/mapi.h"
#include "sim/world.h"

namespace sim {

class MapiSession : public SimUnknown, public IMAPISession {
 public:
  explicit MapiSession(World& world) : SimUnknown(world, "MAPI session") {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
    *ppv = static_cast<IMAPISession*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
};

}  // namespace sim

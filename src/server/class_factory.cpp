#include "server/class_factory.h"

#include "addin/add_in.h"
#include "com/com_ptr.h"
#include "com/iids.h"
#include "host/host_guard.h"

#ifdef _WIN32
HINSTANCE ModuleHandle = nullptr;  // set by DllMain
#else
HINSTANCE ModuleHandle = PortableModuleHandle();
#endif
ULONG ObjectCount = 0;
ULONG LockCount = 0;

HRESULT AddInFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG AddInFactory::AddRef() { return ++refs_; }

ULONG AddInFactory::Release() {
  if (refs_ == 0) return 0;
  if (--refs_ != 0) return refs_;
  delete this;
  return 0;
}

HRESULT AddInFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return GuardHostCall([&] {
    AddIn* addIn = new AddIn();  // the object and its context; out of memory comes back as E_OUTOFMEMORY
    HRESULT hr = addIn->QueryInterface(riid, ppv);
    if (FAILED(hr)) AddIn::Discard(addIn);
    return hr;
  });
}

HRESULT AddInFactory::LockServer(BOOL lock) {
  if (lock) ++LockCount;
  else if (LockCount) --LockCount;
  return S_OK;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(rclsid, CLSID_OrvanClassifyAddIn)) return CLASS_E_CLASSNOTAVAILABLE;
  AddInFactory* made = new (std::nothrow) AddInFactory();
  if (!made) return E_OUTOFMEMORY;
  // Held while it is asked: the hold frees the factory when the QueryInterface failed.
  const ComPtr<AddInFactory> factory = ComPtr<AddInFactory>::Borrow(made);
  return factory->QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() { return (ObjectCount == 0 && LockCount == 0) ? S_OK : S_FALSE; }

#include "sim/outlook.h"

#include "addin/host_iids.h"
#include "server/module.h"

namespace sim {

NameSpace::NameSpace(World& world, std::string type) : DispatchObject(world, "NameSpace " + type) {
  Answer(IID__NameSpace);
}

Application::Application(World& world) : DispatchObject(world, "Application") {
  Answer(IID__Application);
  AddMethod("GetNamespace", [this](const Args& a) {
    if (a.size() != 1 || !a[0]) throw Fault{DISP_E_BADPARAMCOUNT};
    std::string type = VariantText(*a[0]);
    if (type != "MAPI") throw Fault{E_INVALIDARG};
    return DispatchVariant(this->world().Make<NameSpace>(type));
  });
  AddMethod("ActiveExplorer", [this](const Args&) { return DispatchVariant(activeExplorer); });
  Property("Inspectors", [this](const Args&) { return DispatchVariant(inspectors); });
  inspectors = world.Make<Inspectors>();
}

Inspectors::Inspectors(World& world) : DispatchObject(world, "Inspectors") {
  Answer(IID__Inspectors);
  AddEvents(IID_InspectorsEvents);
}

Explorer::Explorer(World& world) : DispatchObject(world, "Explorer") {
  Answer(IID__Explorer);
  AddEvents(IID_ExplorerEvents);
}

Outlook::Outlook(World& world, bool withExplorer) : world_(world), app_(world.Make<Application>()) {
  if (withExplorer) app_->activeExplorer = world.Make<Explorer>();
}

Outlook::~Outlook() { Unload(); }

HRESULT Outlook::Load() {
  ComPtr<IClassFactory> factory;
  HRESULT hr = DllGetClassObject(CLSID_OrvanClassifyAddIn, IID_IClassFactory, factory.put_void());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(nullptr, IID__IDTExtensibility2, addIn_.put_void());
}

HRESULT Outlook::Connect(ext_ConnectMode mode) {
  return addIn_ ? addIn_->OnConnection(app_->dispatch(), mode, nullptr, nullptr) : E_POINTER;
}

HRESULT Outlook::StartupComplete() { return addIn_ ? addIn_->OnStartupComplete(nullptr) : E_POINTER; }

HRESULT Outlook::BeginShutdown() { return addIn_ ? addIn_->OnBeginShutdown(nullptr) : E_POINTER; }

HRESULT Outlook::Disconnect(ext_DisconnectMode mode) {
  return addIn_ ? addIn_->OnDisconnection(mode, nullptr) : E_POINTER;
}

void Outlook::Shutdown() {
  if (!addIn_) return;
  BeginShutdown();
  Disconnect(ext_dm_HostShutdown);
  Unload();
}

void Outlook::Unload() { addIn_.reset(); }

}  // namespace sim

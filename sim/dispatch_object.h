// A generic simulated host object: an IDispatch serving one interface of the type library
// (its DISPIDs and kinds, sim/type_library.h), the interface ids it answers QueryInterface
// for, and one connection point per event interface. As strict as the real host: names
// the interface lacks are unknown, a flag the member's kind lacks finds no member, puts
// need DISPID_PROPERTYPUT, failures come back through EXCEPINFO when the caller passes
// one, and a connection point holds its sinks' only reference.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "com/com_ptr.h"
#include "com/variant.h"
#include "sim/type_library.h"
#include "sim/world.h"

namespace sim {

// Arguments in the member's own order; a missing optional argument is null.
using Args = std::vector<const VARIANT*>;
using Getter = std::function<Variant(const Args&)>;
using Setter = std::function<void(const VARIANT&)>;
using Method = std::function<Variant(const Args&)>;

class ConnectionPoint;

class DispatchObject : public SimUnknown, public IDispatch, public IConnectionPointContainer {
 public:
  DispatchObject(World& world, std::string name, const TypeInfo& type = typelib::None);
  ~DispatchObject() override;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excepinfo, UINT* argErr) override;
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

  IDispatch* dispatch() { return static_cast<IDispatch*>(this); }

  // Calls every advised sink of the event interface; returns the last sink's HRESULT.
  // args are in the event's own order. The sinks get no extra reference for the call.
  HRESULT Fire(const IID& events, DISPID id, std::vector<VARIANT> args);
  ConnectionPoint* Events(const IID& events) const;
  size_t SinkCount(const IID& events) const;
  void DropSinks() override;
  size_t Sinks() const override;

 protected:
  // Implements a member of the object's interface; a name the type library does not give
  // it, or a kind it lacks, is a mistake of the simulator (std::logic_error).
  void Property(const std::string& name, Getter get, Setter set = nullptr);
  void AddMethod(const std::string& name, Method fn);
  void AddEvents(const IID& events);

 private:
  struct Member {
    std::string name;
    Getter get;
    Setter set;
    Method method;
  };
  Member& Implement(const std::string& name, unsigned kind);

  const TypeInfo& type_;
  std::map<DISPID, Member> members_;
  std::vector<std::unique_ptr<ConnectionPoint>> points_;
};

class ConnectionPoint : public SimUnknown, public IConnectionPoint {
 public:
  ConnectionPoint(World& world, DispatchObject* owner, const IID& events);
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** cpc) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** e) override;

  const IID& iid() const { return events_; }
  size_t size() const { return sinks_.size(); }
  std::vector<DWORD> Cookies() const;
  IDispatch* Sink(DWORD cookie) const;
  // Lets go of every sink, as the host does when the source goes away.
  void DropAll();

 private:
  DispatchObject* owner_;
  IID events_;
  std::map<DWORD, IDispatch*> sinks_;
  DWORD next_ = 1;
};

// Small helpers for members.
Variant TextVariant(const std::string& utf8);
Variant WideVariant(const std::basic_string<OLECHAR>& text);
std::string VariantText(const VARIANT& v);  // VT_BSTR as UTF-8; throws Fault otherwise
long VariantLong(const VARIANT& v);        // integer types and VT_BOOL; throws Fault otherwise
bool VariantBool(const VARIANT& v);
Variant DispatchVariant(IDispatch* object);  // adds the reference the caller will own
VARIANT BorrowedVariant(IDispatch* object);  // no reference: an event argument the caller keeps alive
std::string Utf8(const OLECHAR* text, size_t length);
std::basic_string<OLECHAR> Wide(const std::string& utf8);

}  // namespace sim

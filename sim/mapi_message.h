// The MAPI message behind a simulated mail item: an IMAPIProp with typed values, a
// named-property map (ids from 0x8000, one per property set and name) and a save count.
#pragma once

#include <map>
#include <string>
#include <utility>
#include "platform/mapi.h"
#include "sim/world.h"

namespace sim {

class MapiMessage : public SimUnknown, public IMAPIProp {
 public:
  explicit MapiMessage(World& world);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE SaveChanges(ULONG flags) override;
  HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values) override;
  HRESULT STDMETHODCALLTYPE GetPropList(ULONG, LPSPropTagArray*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE SetProps(ULONG count, LPSPropValue values, LPSPropProblemArray* problems) override;
  HRESULT STDMETHODCALLTYPE DeleteProps(LPSPropTagArray, LPSPropProblemArray*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                                   LPSPropProblemArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                                      LPSPropProblemArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE GetIDsFromNames(ULONG count, LPMAPINAMEID* names, ULONG flags,
                                            LPSPropTagArray* tags) override;

  struct Value {
    ULONG type = PT_NULL;
    LONG l = 0;
    std::string text;  // PT_STRING8: bytes in the ANSI code page; PT_UNICODE: UTF-8; PT_BINARY: the bytes
  };

  // Test and transport access, outside MAPI.
  const Value* Find(const GUID& set, const std::string& name) const;
  const Value* Find(ULONG propId) const;
  void SetLong(ULONG propId, LONG value);
  void SetString8(ULONG propId, const std::string& value);
  void SetBinary(ULONG propId, const std::string& bytes);
  void SetNamedBinary(const GUID& set, const std::string& name, const std::string& bytes);
  void Erase(const GUID& set, const std::string& name);
  // PR_ENTRYID: empty until the message is first saved, as in a real store.
  std::string EntryId() const;
  // Every property and named property of another message, but its entry id: a copy gets
  // its own when it is saved.
  void CopyPropertiesOf(const MapiMessage& other);
  // The store moves the message: it is saved there under a new entry id.
  void MoveInStore();
  // Every PS_INTERNET_HEADERS string property, by name, as UTF-8.
  std::map<std::string, std::string> InternetHeaders() const;
  // The named properties of a set that hold a value, by name.
  std::map<std::string, const Value*> Named(const GUID& set) const;

  int saves = 0;
  bool readOnly = false;

 private:
  std::map<std::pair<std::string, std::string>, ULONG> names_;  // (set, name) -> id
  std::map<ULONG, Value> values_;                                // by property id
  ULONG nextId_ = 0x8000;
  long serial_;  // the world's count of messages: the entry id it gets at its first save
  int moves_ = 0;
};

}  // namespace sim

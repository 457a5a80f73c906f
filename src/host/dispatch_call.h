// Calls on the host's dual interfaces by member name through IDispatch. Each member's
// DISPID is asked for once (GetIDsOfNames) and kept: a dual interface's DISPIDs are
// fixed by its type library, so they hold for every object of that interface and every
// later call. A DISPID belongs to one interface: the same name has other numbers on other
// interfaces (Style on a button and on a combo box), so a member is always declared with
// its interface and only ever invoked on it.
#pragma once

#include <initializer_list>
#include "com/com_ptr.h"
#include "com/bstr.h"
#include "com/variant.h"

struct HostMember {
  HostMember(const IID& memberOf, const char* memberName);
  const IID& iid;
  const char* name;
  DISPID id = DISPID_UNKNOWN;
  bool resolved = false;
  HostMember* next;  // every member, so that a test can start from an empty cache
};

// Forgets every cached DISPID (tests that count or fail the host's GetIDsOfNames).
void ForgetHostMemberIds();

// A host interface: its IID, and the IDispatch pointer QueryInterface gave for it.
class HostInterface {
 public:
  HostInterface() = default;
  HostInterface(ComPtr<IDispatch> p, const IID& iid) : p_(std::move(p)), iid_(&iid) {}

  explicit operator bool() const { return bool(p_); }
  IDispatch* get() const { return p_.get(); }
  const IID& iid() const { return *iid_; }

  // args are in the member's own order; throws HostError on failure.
  Variant Get(HostMember& m, std::initializer_list<const VARIANT*> args = {}) const;
  void Put(HostMember& m, const Variant& value) const;
  Variant Call(HostMember& m, std::initializer_list<const VARIANT*> args = {}) const;

  // Result conversions; a result of an unexpected type is the host's failure.
  long ToLong(const Variant& v) const;
  bool ToBool(const Variant& v) const;
  ComPtr<IDispatch> ToDispatch(const Variant& v) const;  // null when the host gave none
  ComPtr<IUnknown> ToUnknown(const Variant& v) const;
  Bstr ToBstr(Variant& v) const;                         // takes the string out of v

 protected:
  Variant Invoke(HostMember& m, WORD flags, std::initializer_list<const VARIANT*> args,
                 const Variant* putValue) const;

 private:
  ComPtr<IDispatch> p_;
  const IID* iid_ = &IID_NULL;
};

// QueryInterface for a host interface: false when the object does not offer it
// (E_NOINTERFACE); any other failure raises HostError.
bool QueryHostInterface(IUnknown* object, const IID& iid, HostInterface* out);

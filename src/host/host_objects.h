// Typed wrappers of the host interfaces the add-in uses, one per interface. Each method is
// one host call and raises HostError (with the HRESULT and the interface's IID) on failure.
// Nothing else in the add-in spells a member name.
#pragma once

#include <string>
#include "com/bstr.h"
#include "host/dispatch_call.h"
#include "host/host_error.h"
#include "com/iids.h"

class CommandBar;
class CommandBars;

// Base of every wrapper: the QueryInterface that makes one, and emptiness.
template <class Self, const IID& Iid>
class HostWrapper {
 public:
  HostWrapper() = default;
  explicit HostWrapper(HostInterface i) : i_(std::move(i)) {}
  explicit operator bool() const { return bool(i_); }
  IDispatch* get() const { return i_.get(); }

  // The object's interface; raises HostError when it is not offered.
  static Self From(IUnknown* object) {
    Self self;
    if (!TryFrom(object, &self)) throw HostError(E_NOINTERFACE, Iid);
    return self;
  }
  // False (and an empty wrapper) when the object does not offer the interface
  // (E_NOINTERFACE); any other failure raises HostError.
  static bool TryFrom(IUnknown* object, Self* out) {
    HostInterface i;
    if (!QueryHostInterface(object, Iid, &i)) {
      *out = Self();
      return false;
    }
    *out = Self(std::move(i));
    return true;
  }

 protected:
  HostInterface i_;
};

// A collection of the object model indexed by a VT_I4 position: Count and Item.
template <class Self, const IID& Iid>
class HostCollection : public HostWrapper<Self, Iid> {
 public:
  using HostWrapper<Self, Iid>::HostWrapper;
  long Count() const {
    static HostMember m{Iid, "Count"};
    return this->i_.ToLong(this->i_.Get(m));
  }
  ComPtr<IDispatch> Item(long index) const {  // 1-based
    static HostMember m{Iid, "Item"};
    Variant arg = Variant::I4(index);
    return this->i_.ToDispatch(this->i_.Call(m, {&arg.get()}));
  }
};

class Application : public HostWrapper<Application, IID__Application> {
 public:
  using HostWrapper::HostWrapper;
  ComPtr<IDispatch> GetNamespace(const std::string& type) const;
  ComPtr<IDispatch> ActiveExplorer() const;  // null when no Explorer is open
  ComPtr<IDispatch> Explorers() const;
  ComPtr<IDispatch> Inspectors() const;
  ComPtr<IDispatch> LanguageSettings() const;
};

// Office's languages: LanguageID(msoLanguageIDUI) is the language of Office's own texts.
constexpr long msoLanguageIDUI = 2;
class LanguageSettings : public HostWrapper<LanguageSettings, IID_LanguageSettings> {
 public:
  using HostWrapper::HostWrapper;
  long LanguageID(long which) const;  // a Windows LANGID
};

class Explorers : public HostCollection<Explorers, IID__Explorers> {
 public:
  using HostCollection::HostCollection;
};

class Explorer : public HostWrapper<Explorer, IID__Explorer> {
 public:
  using HostWrapper::HostWrapper;
  CommandBars GetCommandBars() const;
  ComPtr<IDispatch> Selection() const;
  ComPtr<IDispatch> ActiveInlineResponse() const;  // null when none is open
};

class Selection : public HostWrapper<Selection, IID_Selection> {
 public:
  using HostWrapper::HostWrapper;
  long Count() const;
  ComPtr<IDispatch> Item(short index) const;  // 1-based, passed as VT_I2
};

class Inspectors : public HostCollection<Inspectors, IID__Inspectors> {
 public:
  using HostCollection::HostCollection;
};

class Inspector : public HostWrapper<Inspector, IID__Inspector> {
 public:
  using HostWrapper::HostWrapper;
  ComPtr<IDispatch> CurrentItem() const;
  CommandBars GetCommandBars() const;
};

// A mail message's own members; what every item has is on Item.
class MailItem : public HostWrapper<MailItem, IID__MailItem> {
 public:
  using HostWrapper::HostWrapper;
  long Class() const;
  Bstr Body() const;
  void PutBody(const Variant& text) const;
  Bstr HTMLBody() const;
  void PutHTMLBody(const Variant& text) const;
  long BodyFormat() const;
  void PutBodyFormat(long format) const;
};

// What every Outlook item has, whatever its type (mail, meeting or task request, sharing
// invitation): these members have the same DISPIDs on every item interface, so they are
// called through the item's IDispatch, without asking which interface it is.
class Item : public HostWrapper<Item, IID_IDispatch> {
 public:
  using HostWrapper::HostWrapper;
  long Class() const;
  bool Sent() const;
  ComPtr<IUnknown> MAPIOBJECT() const;
  Bstr Subject() const;
  void PutSubject(const Variant& text) const;
  ComPtr<IDispatch> Recipients() const;
};

class Recipients : public HostCollection<Recipients, IID_Recipients> {
 public:
  using HostCollection::HostCollection;
};

class Recipient : public HostWrapper<Recipient, IID_Recipient> {
 public:
  using HostWrapper::HostWrapper;
  Bstr Name() const;
  ComPtr<IDispatch> AddressEntry() const;  // null for a recipient that was never resolved
};

// Outlook's AddressEntryUserType values of a distribution list.
constexpr long olExchangeDistributionListAddressEntry = 1;
constexpr long olOutlookDistributionListAddressEntry = 11;

class AddressEntry : public HostWrapper<AddressEntry, IID_AddressEntry> {
 public:
  using HostWrapper::HostWrapper;
  Bstr Type() const;     // "SMTP", "EX", ...
  Bstr Address() const;  // an SMTP address, or an X.500 name for "EX"
  long AddressEntryUserType() const;
  ComPtr<IDispatch> GetExchangeUser() const;   // null for an entry that is no Exchange user
  ComPtr<IDispatch> Members() const;           // a distribution list's AddressEntries, else null
  ComPtr<IDispatch> PropertyAccessor() const;
};

// The objects below are reached only through a member above, as the IDispatch it returns.
class AddressEntries : public HostCollection<AddressEntries, IID_IDispatch> {
 public:
  using HostCollection::HostCollection;
};

class ExchangeUser : public HostWrapper<ExchangeUser, IID_IDispatch> {
 public:
  using HostWrapper::HostWrapper;
  Bstr PrimarySmtpAddress() const;
};

class PropertyAccessor : public HostWrapper<PropertyAccessor, IID_IDispatch> {
 public:
  using HostWrapper::HostWrapper;
  // A MAPI property by its schema name; the empty text when it is no text.
  Bstr GetProperty(const std::string& schemaName) const;
};

class RibbonControl : public HostWrapper<RibbonControl, IID_IRibbonControl> {
 public:
  using HostWrapper::HostWrapper;
  ComPtr<IDispatch> Context() const;  // the Inspector or Explorer the control is shown in
};

class RibbonUI : public HostWrapper<RibbonUI, IID_IRibbonUI> {
 public:
  using HostWrapper::HostWrapper;
  void Invalidate() const;
};

class CommandBarControls : public HostWrapper<CommandBarControls, IID_CommandBarControls> {
 public:
  using HostWrapper::HostWrapper;
  // Type, with Id, Parameter and Before omitted; returns the new control.
  ComPtr<IDispatch> Add(int type, bool temporary) const;
  ComPtr<IDispatch> Item(const std::string& caption) const;
};

class CommandBar : public HostWrapper<CommandBar, IID_CommandBar> {
 public:
  using HostWrapper::HostWrapper;
  CommandBarControls Controls() const;
  void PutVisible(bool visible) const;
  long Left() const;
  void PutLeft(long value) const;
  long Top() const;
  void PutTop(long value) const;
  long Position() const;
  void PutPosition(long value) const;
  long RowIndex() const;
  void PutRowIndex(long value) const;
  void Delete() const;
};

class CommandBars : public HostWrapper<CommandBars, IID__CommandBars> {
 public:
  using HostWrapper::HostWrapper;
  CommandBar Item(const std::string& name) const;
  CommandBar Add(const std::string& name, int position, bool menuBar, bool temporary) const;
};

// The members that every command bar control has; the button and combo box interfaces
// derive from it and share its dispatch ids.
template <class Self, const IID& Iid>
class CommandBarControlBase : public HostWrapper<Self, Iid> {
 public:
  using HostWrapper<Self, Iid>::HostWrapper;
  void PutCaption(const std::string& text) const;
  void PutTooltipText(const std::string& text) const;
  void PutTag(const std::string& text) const;
  void PutWidth(long pixels) const;
  void PutOLEUsage(long usage) const;
};

class CommandBarControl : public CommandBarControlBase<CommandBarControl, IID_CommandBarControl> {
 public:
  using CommandBarControlBase::CommandBarControlBase;
};

class CommandBarButton : public CommandBarControlBase<CommandBarButton, IID__CommandBarButton> {
 public:
  using CommandBarControlBase::CommandBarControlBase;
  void PutStyle(long style) const;
};

class CommandBarComboBox : public CommandBarControlBase<CommandBarComboBox, IID__CommandBarComboBox> {
 public:
  using CommandBarControlBase::CommandBarControlBase;
  void PutStyle(long style) const;
  void AddItem(const std::string& text, long index) const;
  long ListIndex() const;
  void PutListIndex(long index) const;
  void PutDropDownLines(long lines) const;
  void PutDropDownWidth(long width) const;
  Bstr Text() const;
};

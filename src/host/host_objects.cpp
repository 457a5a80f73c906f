#include "host/host_objects.h"

// ---- Application
ComPtr<IDispatch> Application::GetNamespace(const std::string& type) const {
  static HostMember m{IID__Application, "GetNamespace"};
  Variant arg = Variant::Text(type);
  return i_.ToDispatch(i_.Call(m, {&arg.get()}));
}
ComPtr<IDispatch> Application::ActiveExplorer() const {
  static HostMember m{IID__Application, "ActiveExplorer"};
  return i_.ToDispatch(i_.Call(m));
}
ComPtr<IDispatch> Application::Explorers() const {
  static HostMember m{IID__Application, "Explorers"};
  return i_.ToDispatch(i_.Get(m));
}
ComPtr<IDispatch> Application::Inspectors() const {
  static HostMember m{IID__Application, "Inspectors"};
  return i_.ToDispatch(i_.Get(m));
}

ComPtr<IDispatch> Application::LanguageSettings() const {
  static HostMember m{IID__Application, "LanguageSettings"};
  return i_.ToDispatch(i_.Get(m));
}
long LanguageSettings::LanguageID(long which) const {
  static HostMember m{IID_LanguageSettings, "LanguageID"};
  Variant arg = Variant::I4(which);
  return i_.ToLong(i_.Get(m, {&arg.get()}));
}

// ---- Explorer
CommandBars Explorer::GetCommandBars() const {
  static HostMember m{IID__Explorer, "CommandBars"};
  return CommandBars::From(i_.ToDispatch(i_.Get(m)).get());
}
ComPtr<IDispatch> Explorer::Selection() const {
  static HostMember m{IID__Explorer, "Selection"};
  return i_.ToDispatch(i_.Get(m));
}
ComPtr<IDispatch> Explorer::ActiveInlineResponse() const {
  static HostMember m{IID__Explorer, "ActiveInlineResponse"};
  return i_.ToDispatch(i_.Get(m));
}

// ---- Selection
long Selection::Count() const {
  static HostMember m{IID_Selection, "Count"};
  return i_.ToLong(i_.Get(m));
}
ComPtr<IDispatch> Selection::Item(short index) const {
  static HostMember m{IID_Selection, "Item"};
  Variant arg = Variant::I2(index);
  return i_.ToDispatch(i_.Call(m, {&arg.get()}));
}

// ---- Inspector
ComPtr<IDispatch> Inspector::CurrentItem() const {
  static HostMember m{IID__Inspector, "CurrentItem"};
  return i_.ToDispatch(i_.Get(m));
}
CommandBars Inspector::GetCommandBars() const {
  static HostMember m{IID__Inspector, "CommandBars"};
  return CommandBars::From(i_.ToDispatch(i_.Get(m)).get());
}

// ---- MailItem
namespace {
HostMember m_Body{IID__MailItem, "Body"}, m_HTMLBody{IID__MailItem, "HTMLBody"},
    m_BodyFormat{IID__MailItem, "BodyFormat"};
}
long MailItem::Class() const {
  static HostMember m{IID__MailItem, "Class"};
  return i_.ToLong(i_.Get(m));
}
Bstr MailItem::Body() const {
  Variant v = i_.Get(m_Body);
  return i_.ToBstr(v);
}
void MailItem::PutBody(const Variant& text) const { i_.Put(m_Body, text); }
Bstr MailItem::HTMLBody() const {
  Variant v = i_.Get(m_HTMLBody);
  return i_.ToBstr(v);
}
void MailItem::PutHTMLBody(const Variant& text) const { i_.Put(m_HTMLBody, text); }
long MailItem::BodyFormat() const { return i_.ToLong(i_.Get(m_BodyFormat)); }
void MailItem::PutBodyFormat(long format) const { i_.Put(m_BodyFormat, Variant::I4(format)); }

// ---- Item
namespace {
HostMember m_ItemSubject{IID_IDispatch, "Subject"};
}
long Item::Class() const {
  static HostMember m{IID_IDispatch, "Class"};
  return i_.ToLong(i_.Get(m));
}
bool Item::Sent() const {
  static HostMember m{IID_IDispatch, "Sent"};
  return i_.ToBool(i_.Get(m));
}
ComPtr<IUnknown> Item::MAPIOBJECT() const {
  static HostMember m{IID_IDispatch, "MAPIOBJECT"};
  return i_.ToUnknown(i_.Get(m));
}
Bstr Item::Subject() const {
  Variant v = i_.Get(m_ItemSubject);
  return i_.ToBstr(v);
}
void Item::PutSubject(const Variant& text) const { i_.Put(m_ItemSubject, text); }
ComPtr<IDispatch> Item::Recipients() const {
  static HostMember m{IID_IDispatch, "Recipients"};
  return i_.ToDispatch(i_.Get(m));
}

// ---- Recipients and their addresses
Bstr Recipient::Name() const {
  static HostMember m{IID_Recipient, "Name"};
  Variant v = i_.Get(m);
  return i_.ToBstr(v);
}
ComPtr<IDispatch> Recipient::AddressEntry() const {
  static HostMember m{IID_Recipient, "AddressEntry"};
  return i_.ToDispatch(i_.Get(m));
}
Bstr AddressEntry::Type() const {
  static HostMember m{IID_AddressEntry, "Type"};
  Variant v = i_.Get(m);
  return i_.ToBstr(v);
}
Bstr AddressEntry::Address() const {
  static HostMember m{IID_AddressEntry, "Address"};
  Variant v = i_.Get(m);
  return i_.ToBstr(v);
}
long AddressEntry::AddressEntryUserType() const {
  static HostMember m{IID_AddressEntry, "AddressEntryUserType"};
  return i_.ToLong(i_.Get(m));
}
ComPtr<IDispatch> AddressEntry::GetExchangeUser() const {
  static HostMember m{IID_AddressEntry, "GetExchangeUser"};
  return i_.ToDispatch(i_.Call(m));
}
ComPtr<IDispatch> AddressEntry::Members() const {
  static HostMember m{IID_AddressEntry, "Members"};
  return i_.ToDispatch(i_.Get(m));
}
ComPtr<IDispatch> AddressEntry::PropertyAccessor() const {
  static HostMember m{IID_AddressEntry, "PropertyAccessor"};
  return i_.ToDispatch(i_.Get(m));
}
Bstr ExchangeUser::PrimarySmtpAddress() const {
  static HostMember m{IID_IDispatch, "PrimarySmtpAddress"};
  Variant v = i_.Get(m);
  return i_.ToBstr(v);
}
Bstr PropertyAccessor::GetProperty(const std::string& schemaName) const {
  static HostMember m{IID_IDispatch, "GetProperty"};
  Variant arg = Variant::Text(schemaName);
  Variant v = i_.Call(m, {&arg.get()});
  if (v.type() != VT_BSTR) return Bstr();
  return i_.ToBstr(v);
}

// ---- Ribbon
ComPtr<IDispatch> RibbonControl::Context() const {
  static HostMember m{IID_IRibbonControl, "Context"};
  return i_.ToDispatch(i_.Get(m));
}
void RibbonUI::Invalidate() const {
  static HostMember m{IID_IRibbonUI, "Invalidate"};
  i_.Call(m);
}

// ---- CommandBars
CommandBar CommandBars::Item(const std::string& name) const {
  static HostMember m{IID__CommandBars, "Item"};
  Variant arg = Variant::Text(name);
  return CommandBar::From(i_.ToDispatch(i_.Get(m, {&arg.get()})).get());
}
CommandBar CommandBars::Add(const std::string& name, int position, bool menuBar, bool temporary) const {
  static HostMember m{IID__CommandBars, "Add"};
  Variant a = Variant::Text(name), b = Variant::Int(position), c = Variant::Bool(menuBar),
          d = Variant::Bool(temporary);
  return CommandBar::From(i_.ToDispatch(i_.Call(m, {&a.get(), &b.get(), &c.get(), &d.get()})).get());
}

// ---- CommandBar
namespace {
HostMember m_Left{IID_CommandBar, "Left"}, m_Top{IID_CommandBar, "Top"}, m_Position{IID_CommandBar, "Position"},
    m_RowIndex{IID_CommandBar, "RowIndex"};
}
CommandBarControls CommandBar::Controls() const {
  static HostMember m{IID_CommandBar, "Controls"};
  return CommandBarControls::From(i_.ToDispatch(i_.Get(m)).get());
}
void CommandBar::PutVisible(bool visible) const {
  static HostMember m{IID_CommandBar, "Visible"};
  i_.Put(m, Variant::Bool(visible));
}
long CommandBar::Left() const { return i_.ToLong(i_.Get(m_Left)); }
void CommandBar::PutLeft(long value) const { i_.Put(m_Left, Variant::I4(value)); }
long CommandBar::Top() const { return i_.ToLong(i_.Get(m_Top)); }
void CommandBar::PutTop(long value) const { i_.Put(m_Top, Variant::I4(value)); }
long CommandBar::Position() const { return i_.ToLong(i_.Get(m_Position)); }
void CommandBar::PutPosition(long value) const { i_.Put(m_Position, Variant::I4(value)); }
long CommandBar::RowIndex() const { return i_.ToLong(i_.Get(m_RowIndex)); }
void CommandBar::PutRowIndex(long value) const { i_.Put(m_RowIndex, Variant::I4(value)); }
void CommandBar::Delete() const {
  static HostMember m{IID_CommandBar, "Delete"};
  i_.Call(m);
}

// ---- CommandBarControls
ComPtr<IDispatch> CommandBarControls::Add(int type, bool temporary) const {
  static HostMember m{IID_CommandBarControls, "Add"};
  Variant t = Variant::Int(type), missing = Variant::Missing(), temp = Variant::Bool(temporary);
  return i_.ToDispatch(i_.Call(m, {&t.get(), &missing.get(), &missing.get(), &missing.get(), &temp.get()}));
}
ComPtr<IDispatch> CommandBarControls::Item(const std::string& caption) const {
  static HostMember m{IID_CommandBarControls, "Item"};
  Variant arg = Variant::Text(caption);
  return i_.ToDispatch(i_.Get(m, {&arg.get()}));
}

// ---- CommandBarControl and the interfaces derived from it. The inherited members have
// the same DISPIDs on every control interface, but each interface learns its own: the
// template gives every instantiation its own cache.
template <class S, const IID& I>
void CommandBarControlBase<S, I>::PutCaption(const std::string& text) const {
  static HostMember m{I, "Caption"};
  this->i_.Put(m, Variant::Text(text));
}
template <class S, const IID& I>
void CommandBarControlBase<S, I>::PutTooltipText(const std::string& text) const {
  static HostMember m{I, "TooltipText"};
  this->i_.Put(m, Variant::Text(text));
}
template <class S, const IID& I>
void CommandBarControlBase<S, I>::PutTag(const std::string& text) const {
  static HostMember m{I, "Tag"};
  this->i_.Put(m, Variant::Text(text));
}
template <class S, const IID& I>
void CommandBarControlBase<S, I>::PutWidth(long pixels) const {
  static HostMember m{I, "Width"};
  this->i_.Put(m, Variant::I4(pixels));
}
template <class S, const IID& I>
void CommandBarControlBase<S, I>::PutOLEUsage(long usage) const {
  static HostMember m{I, "OLEUsage"};
  this->i_.Put(m, Variant::I4(usage));
}
template class CommandBarControlBase<CommandBarControl, IID_CommandBarControl>;
template class CommandBarControlBase<CommandBarButton, IID__CommandBarButton>;
template class CommandBarControlBase<CommandBarComboBox, IID__CommandBarComboBox>;

void CommandBarButton::PutStyle(long style) const {
  static HostMember m{IID__CommandBarButton, "Style"};
  i_.Put(m, Variant::I4(style));
}

// ---- CommandBarComboBox
namespace {
HostMember m_ListIndex{IID__CommandBarComboBox, "ListIndex"};
}
void CommandBarComboBox::PutStyle(long style) const {
  static HostMember m{IID__CommandBarComboBox, "Style"};
  i_.Put(m, Variant::I4(style));
}
void CommandBarComboBox::AddItem(const std::string& text, long index) const {
  static HostMember m{IID__CommandBarComboBox, "AddItem"};
  Variant a = Variant::Text(text), b = Variant::I4(index);
  i_.Call(m, {&a.get(), &b.get()});
}
long CommandBarComboBox::ListIndex() const { return i_.ToLong(i_.Get(m_ListIndex)); }
void CommandBarComboBox::PutListIndex(long index) const { i_.Put(m_ListIndex, Variant::I4(index)); }
void CommandBarComboBox::PutDropDownLines(long lines) const {
  static HostMember m{IID__CommandBarComboBox, "DropDownLines"};
  i_.Put(m, Variant::I4(lines));
}
void CommandBarComboBox::PutDropDownWidth(long width) const {
  static HostMember m{IID__CommandBarComboBox, "DropDownWidth"};
  i_.Put(m, Variant::I4(width));
}
Bstr CommandBarComboBox::Text() const {
  static HostMember m{IID__CommandBarComboBox, "Text"};
  Variant v = i_.Get(m);
  return i_.ToBstr(v);
}

#include "addin/host_objects.h"

namespace {
// Office's command bar members are shared by the control, button and combo box
// interfaces, so their dispatch ids are cached once.
HostMember m_Caption{"Caption"}, m_TooltipText{"TooltipText"}, m_Tag{"Tag"}, m_Width{"Width"},
    m_OLEUsage{"OLEUsage"}, m_Style{"Style"};
}  // namespace

// ---- Application
ComPtr<IDispatch> Application::GetNamespace(const std::string& type) const {
  static HostMember m{"GetNamespace"};
  Variant arg = Variant::Text(type);
  return i_.ToDispatch(i_.Call(m, {&arg.get()}));
}
ComPtr<IDispatch> Application::ActiveExplorer() const {
  static HostMember m{"ActiveExplorer"};
  return i_.ToDispatch(i_.Call(m));
}
ComPtr<IDispatch> Application::Inspectors() const {
  static HostMember m{"Inspectors"};
  return i_.ToDispatch(i_.Get(m));
}

// ---- Explorer
CommandBars Explorer::GetCommandBars() const {
  static HostMember m{"CommandBars"};
  return CommandBars::From(i_.ToDispatch(i_.Get(m)).get());
}
ComPtr<IDispatch> Explorer::Selection() const {
  static HostMember m{"Selection"};
  return i_.ToDispatch(i_.Get(m));
}

// ---- Selection
long Selection::Count() const {
  static HostMember m{"Count"};
  return i_.ToLong(i_.Get(m));
}
ComPtr<IDispatch> Selection::Item(short index) const {
  static HostMember m{"Item"};
  Variant arg = Variant::I2(index);
  return i_.ToDispatch(i_.Call(m, {&arg.get()}));
}

// ---- Inspector
ComPtr<IDispatch> Inspector::CurrentItem() const {
  static HostMember m{"CurrentItem"};
  return i_.ToDispatch(i_.Get(m));
}
CommandBars Inspector::GetCommandBars() const {
  static HostMember m{"CommandBars"};
  return CommandBars::From(i_.ToDispatch(i_.Get(m)).get());
}

// ---- MailItem
namespace {
HostMember m_Subject{"Subject"}, m_Body{"Body"}, m_HTMLBody{"HTMLBody"}, m_BodyFormat{"BodyFormat"};
}
long MailItem::Class() const {
  static HostMember m{"Class"};
  return i_.ToLong(i_.Get(m));
}
bool MailItem::Sent() const {
  static HostMember m{"Sent"};
  return i_.ToBool(i_.Get(m));
}
ComPtr<IUnknown> MailItem::MAPIOBJECT() const {
  static HostMember m{"MAPIOBJECT"};
  return i_.ToUnknown(i_.Get(m));
}
Bstr MailItem::Subject() const {
  Variant v = i_.Get(m_Subject);
  return i_.ToBstr(v);
}
void MailItem::PutSubject(const Variant& text) const { i_.Put(m_Subject, text); }
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

// ---- CommandBars
CommandBar CommandBars::Item(const std::string& name) const {
  static HostMember m{"Item"};
  Variant arg = Variant::Text(name);
  return CommandBar::From(i_.ToDispatch(i_.Get(m, {&arg.get()})).get());
}
CommandBar CommandBars::Add(const std::string& name, int position, bool menuBar, bool temporary) const {
  static HostMember m{"Add"};
  Variant a = Variant::Text(name), b = Variant::Int(position), c = Variant::Bool(menuBar),
          d = Variant::Bool(temporary);
  return CommandBar::From(i_.ToDispatch(i_.Call(m, {&a.get(), &b.get(), &c.get(), &d.get()})).get());
}

// ---- CommandBar
namespace {
HostMember m_Left{"Left"}, m_Top{"Top"}, m_Position{"Position"}, m_RowIndex{"RowIndex"};
}
CommandBarControls CommandBar::Controls() const {
  static HostMember m{"Controls"};
  return CommandBarControls::From(i_.ToDispatch(i_.Get(m)).get());
}
void CommandBar::PutVisible(bool visible) const {
  static HostMember m{"Visible"};
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
  static HostMember m{"Delete"};
  i_.Call(m);
}

// ---- CommandBarControls
ComPtr<IDispatch> CommandBarControls::Add(int type, bool temporary) const {
  static HostMember m{"Add"};
  Variant t = Variant::Int(type), missing = Variant::Missing(), temp = Variant::Bool(temporary);
  return i_.ToDispatch(i_.Call(m, {&t.get(), &missing.get(), &missing.get(), &missing.get(), &temp.get()}));
}
ComPtr<IDispatch> CommandBarControls::Item(const std::string& caption) const {
  static HostMember m{"Item"};
  Variant arg = Variant::Text(caption);
  return i_.ToDispatch(i_.Get(m, {&arg.get()}));
}

// ---- CommandBarControl and the interfaces derived from it
template <class S, const IID& I>
void CommandBarControlBase<S, I>::PutCaption(const std::string& text) const {
  this->i_.Put(m_Caption, Variant::Text(text));
}
template <class S, const IID& I>
void CommandBarControlBase<S, I>::PutTooltipText(const std::string& text) const {
  this->i_.Put(m_TooltipText, Variant::Text(text));
}
template <class S, const IID& I>
void CommandBarControlBase<S, I>::PutTag(const std::string& text) const {
  this->i_.Put(m_Tag, Variant::Text(text));
}
template <class S, const IID& I>
void CommandBarControlBase<S, I>::PutWidth(long pixels) const {
  this->i_.Put(m_Width, Variant::I4(pixels));
}
template <class S, const IID& I>
void CommandBarControlBase<S, I>::PutOLEUsage(long usage) const {
  this->i_.Put(m_OLEUsage, Variant::I4(usage));
}
template class CommandBarControlBase<CommandBarControl, IID_CommandBarControl>;
template class CommandBarControlBase<CommandBarButton, IID__CommandBarButton>;
template class CommandBarControlBase<CommandBarComboBox, IID__CommandBarComboBox>;

void CommandBarButton::PutStyle(long style) const { i_.Put(m_Style, Variant::I4(style)); }

// ---- CommandBarComboBox
namespace {
HostMember m_ListIndex{"ListIndex"};
}
void CommandBarComboBox::PutStyle(long style) const { i_.Put(m_Style, Variant::I4(style)); }
void CommandBarComboBox::AddItem(const std::string& text, long index) const {
  static HostMember m{"AddItem"};
  Variant a = Variant::Text(text), b = Variant::I4(index);
  i_.Call(m, {&a.get(), &b.get()});
}
long CommandBarComboBox::ListIndex() const { return i_.ToLong(i_.Get(m_ListIndex)); }
void CommandBarComboBox::PutListIndex(long index) const { i_.Put(m_ListIndex, Variant::I4(index)); }
void CommandBarComboBox::PutDropDownLines(long lines) const {
  static HostMember m{"DropDownLines"};
  i_.Put(m, Variant::I4(lines));
}
void CommandBarComboBox::PutDropDownWidth(long width) const {
  static HostMember m{"DropDownWidth"};
  i_.Put(m, Variant::I4(width));
}
Bstr CommandBarComboBox::Text() const {
  static HostMember m{"Text"};
  Variant v = i_.Get(m);
  return i_.ToBstr(v);
}

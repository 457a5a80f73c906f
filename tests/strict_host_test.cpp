// The simulated Outlook answers as Office's and Outlook's type libraries do: names per
// interface, DISPIDs per interface, and only the invoke flags of a member's kind.
#include "test_support.h"

namespace {

DISPID IdOf(IDispatch* object, const char* name, HRESULT* hr) {
  std::basic_string<OLECHAR> wide = sim::Wide(name);
  LPOLESTR names[1] = {&wide[0]};
  DISPID id = DISPID_UNKNOWN;
  *hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}

HRESULT Call(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> args = {}) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, UINT(reversed.size()), 0};
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, nullptr, nullptr);
  VariantClear(&result);
  return hr;
}

VARIANT Index(long i) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = i;
  return v;
}

TEST(StrictHost, EachInterfaceNumbersItsOwnMembers) {
  sim::World world;
  sim::Control* button = world.Make<sim::Control>(1, true);
  sim::Control* combo = world.Make<sim::Control>(3, true);
  sim::CommandBar* bar = world.Make<sim::CommandBar>("Standard", 1, false);
  HRESULT hr;
  EXPECT_EQ(IdOf(button->dispatch(), "Style", &hr), 0x6005000A);
  EXPECT_EQ(IdOf(combo->dispatch(), "style", &hr), 0x6005000E) << "names are looked up without regard to case";
  EXPECT_EQ(IdOf(button->dispatch(), "Caption", &hr), 0x60040003);
  EXPECT_EQ(IdOf(bar->dispatch(), "Controls", &hr), 0x60040003) << "a bar's Controls is a control's Caption";
  IdOf(button->dispatch(), "AddItem", &hr);
  EXPECT_EQ(hr, DISP_E_UNKNOWNNAME);
  // A number of the button's is no member of the combo box.
  VARIANT two = Index(2);
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{&two, &put, 1, 1};
  EXPECT_EQ(combo->Invoke(0x6005000A, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(combo->style, 0);
  EXPECT_EQ(combo->Invoke(0x6005000E, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(combo->style, 2);
}

TEST(StrictHost, MembersAnswerOnlyTheFlagsOfTheirKind) {
  sim::World world;
  sim::Outlook outlook(world);
  sim::Selection* selection = outlook.app()->activeExplorer->selection;
  selection->items.push_back(world.Make<sim::MailItem>());
  IDispatch* s = selection->dispatch();
  // Selection.Item is a method, 0x51, not the default member.
  EXPECT_EQ(Call(s, 0x51, DISPATCH_PROPERTYGET, {Index(1)}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(s, 0x51, DISPATCH_METHOD, {Index(1)}), S_OK);
  EXPECT_EQ(Call(s, 0x51, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Index(1)}), S_OK);
  EXPECT_EQ(Call(s, DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Index(1)}), DISP_E_MEMBERNOTFOUND);
  // Selection.Count is a property: a method call alone finds nothing, the combination does.
  EXPECT_EQ(Call(s, 0x50, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(s, 0x50, DISPATCH_METHOD | DISPATCH_PROPERTYGET), S_OK);
  // CommandBars.Item is the default property, 0.
  IDispatch* bars = outlook.app()->activeExplorer->bars->dispatch();
  VARIANT name;
  VariantInit(&name);
  name.vt = VT_BSTR;
  std::basic_string<OLECHAR> standard = sim::Wide("Standard");
  name.bstrVal = SysAllocStringLen(standard.data(), UINT(standard.size()));
  EXPECT_EQ(Call(bars, DISPID_VALUE, DISPATCH_PROPERTYGET, {name}), S_OK);
  EXPECT_EQ(Call(bars, DISPID_VALUE, DISPATCH_METHOD, {name}), DISP_E_MEMBERNOTFOUND);
  VariantClear(&name);
  // A read-only property takes no put.
  EXPECT_EQ(Call(outlook.app()->dispatch(), 0x11A, DISPATCH_PROPERTYPUT), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(world.OutstandingRefs(), 0);
}

}  // namespace

#include "sim/items.h"

#include "addin/host_iids.h"

namespace sim {

namespace {

Variant WideVariant(const WideText& text) {
  Variant v;
  VARIANT* raw = v.Receive();
  raw->bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
  if (!raw->bstrVal) throw Fault{E_OUTOFMEMORY};
  raw->vt = VT_BSTR;
  return v;
}

WideText WideOf(const VARIANT& v) {
  if (v.vt != VT_BSTR) throw Fault{DISP_E_TYPEMISMATCH};
  return v.bstrVal ? WideText(v.bstrVal, SysStringLen(v.bstrVal)) : WideText();
}

}  // namespace

MailItem::MailItem(World& world)
    : DispatchObject(world, "MailItem"), message(world.Make<MapiMessage>()), number(++world.mailItems) {
  Answer(IID__MailItem);
  AddEvents(IID_ItemEvents);
  auto writable = [this] {
    if (sent) throw Fault{E_ACCESSDENIED};  // a sent item is read-only
  };
  Property("Class", [](const Args&) { return Variant::I4(43); });
  Property("Sent", [this](const Args&) { return Variant::Bool(sent); });
  Property("MAPIOBJECT", [this](const Args&) {
    Variant v;
    VARIANT* raw = v.Receive();
    raw->vt = VT_UNKNOWN;
    raw->punkVal = static_cast<IMAPIProp*>(message);
    message->AddRef();
    return v;
  });
  Property("Subject", [this](const Args&) { return WideVariant(subject); },
           [this, writable](const VARIANT& v) {
             writable();
             subject = WideOf(v);
           });
  Property("Body", [this](const Args&) { return WideVariant(body); },
           [this, writable](const VARIANT& v) {
             writable();
             body = WideOf(v);
           });
  Property("HTMLBody", [this](const Args&) { return WideVariant(htmlBody); },
           [this, writable](const VARIANT& v) {
             writable();
             htmlBody = WideOf(v);
             bodyFormat = 2;  // as Outlook: an HTML body makes an HTML message
           });
  Property("BodyFormat", [this](const Args&) { return Variant::I4(bodyFormat); },
           [this, writable](const VARIANT& v) {
             writable();
             long f = VariantLong(v);
             if (f < 0 || f > 3) throw Fault{E_INVALIDARG};
             bodyFormat = f;
           });
}

OtherItem::OtherItem(World& world, long itemClass) : DispatchObject(world, "Item " + std::to_string(itemClass)) {
  Property("Class", [itemClass](const Args&) { return Variant::I4(itemClass); });
  Property("Subject", [](const Args&) { return TextVariant("not a message"); });
}

}  // namespace sim

#include "sim/items.h"

#include "com/iids.h"

namespace sim {

namespace {

WideText WideOf(const VARIANT& v) {
  if (v.vt != VT_BSTR) throw Fault{DISP_E_TYPEMISMATCH};
  return v.bstrVal ? WideText(v.bstrVal, SysStringLen(v.bstrVal)) : WideText();
}

// The text of an HTML body: tags dropped, the rest kept.
WideText TextOf(const WideText& html) {
  WideText text;
  bool inTag = false;
  for (OLECHAR c : html) {
    if (c == '<') inTag = true;
    else if (c == '>') inTag = false;
    else if (!inTag) text += c;
  }
  return text;
}

}  // namespace

namespace {
const TypeInfo& TypeOf(long itemClass) {
  if (itemClass >= 53 && itemClass <= 57) return typelib::MeetingItem;
  if (itemClass >= 49 && itemClass <= 52) return typelib::TaskRequestItem;
  if (itemClass == 104) return typelib::SharingItem;
  return typelib::MailItem;
}
}  // namespace

MailItem::MailItem(World& world, long cls)
    : DispatchObject(world, cls == 43 ? "MailItem" : "Item " + std::to_string(cls), TypeOf(cls)),
      itemClass(cls),
      recipients(world.Make<Recipients>()),
      message(world.Make<MapiMessage>()),
      number(++world.mailItems) {
  AddEvents(IID_ItemEvents);
  AddEvents(IID_ItemEvents_10);
  auto writable = [this] {
    if (sent) throw Fault{E_ACCESSDENIED};  // a sent item is read-only
  };
  Property("Class", [this](const Args&) { return Variant::I4(itemClass); });
  Property("Recipients", [this](const Args&) { return DispatchVariant(recipients->dispatch()); });
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
  if (itemClass != 43 && &TypeOf(itemClass) != &typelib::SharingItem) {
    // A meeting or task request's body is rich text: Body reads its text, and writing Body
    // replaces the rich text with plain text, its formatting lost.
    bodyFormat = 3;
    Property("Body", [this](const Args&) { return WideVariant(body); },
             [this, writable](const VARIANT& v) {
               writable();
               body = WideOf(v);
               richTextFlattened = true;
             });
    return;
  }
  // As Outlook: the Body of an HTML or rich-text message is its text without the markup,
  // and writing Body makes the message plain text.
  Property("Body", [this](const Args&) { return WideVariant(bodyFormat == 1 ? body : TextOf(htmlBody)); },
           [this, writable](const VARIANT& v) {
             writable();
             body = WideOf(v);
             if (bodyFormat != 1) {
               bodyFormat = 1;
               htmlBody.clear();
             }
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

OtherItem::OtherItem(World& world, long itemClass) : DispatchObject(world, "Item " + std::to_string(itemClass), typelib::OtherItem) {
  Property("Class", [itemClass](const Args&) { return Variant::I4(itemClass); });
  Property("Subject", [](const Args&) { return TextVariant("not a message"); });
}

}  // namespace sim

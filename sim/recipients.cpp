#include "sim/recipients.h"

#include "com/iids.h"
#include "platform/mapi.h"

namespace sim {

namespace {
// The members not in the notes on Outlook's object model are called by name only.
Variant Nothing() {
  Variant v;
  v.Receive()->vt = VT_DISPATCH;  // a null object, as Outlook answers for none
  return v;
}

class AddressEntries : public DispatchObject {
 public:
  AddressEntries(World& world, std::vector<AddressEntry*> entries)
      : DispatchObject(world, "AddressEntries", typelib::AddressEntries), entries_(std::move(entries)) {
    Property("Count", [this](const Args&) { return Variant::I4(long(entries_.size())); });
    AddMethod("Item", [this](const Args& a) {
      const long i = a.empty() || !a[0] ? 0 : VariantLong(*a[0]);
      if (i < 1 || size_t(i) > entries_.size()) throw Fault{E_INVALIDARG};
      return DispatchVariant(entries_[size_t(i - 1)]->dispatch());
    });
  }

 private:
  std::vector<AddressEntry*> entries_;
};

class ExchangeUser : public DispatchObject {
 public:
  ExchangeUser(World& world, std::string smtp) : DispatchObject(world, "ExchangeUser", typelib::ExchangeUser) {
    Property("PrimarySmtpAddress", [smtp](const Args&) { return TextVariant(smtp); });
  }
};

class PropertyAccessor : public DispatchObject {
 public:
  PropertyAccessor(World& world, std::string smtp, std::string target)
      : DispatchObject(world, "PropertyAccessor", typelib::PropertyAccessor) {
    AddMethod("GetProperty", [smtp, target](const Args& a) {
      if (a.empty() || !a[0]) throw Fault{DISP_E_PARAMNOTFOUND};
      // As Outlook: a property the entry does not have is an error, not an empty text.
      const std::string schema = VariantText(*a[0]);
      if (schema == "http://schemas.microsoft.com/mapi/proptag/0x39FE001F" && !smtp.empty()) return TextVariant(smtp);
      if (schema == "http://schemas.microsoft.com/mapi/proptag/0x8011001F" && !target.empty()) return TextVariant(target);
      throw Fault{MAPI_E_NOT_FOUND};
    });
  }
};

// The comma-separated members of a list, a member list's own members in brackets.
std::vector<std::string> SplitMembers(const std::string& text) {
  std::vector<std::string> out;
  std::string one;
  int depth = 0;
  for (char c : text) {
    if (c == '[') ++depth;
    if (c == ']') --depth;
    if (c == ',' && depth == 0) {
      out.push_back(one);
      one.clear();
    } else {
      one += c;
    }
  }
  out.push_back(one);
  return out;
}

AddressEntry* Parse(World& world, const std::string& text) {
  if (text.rfind("ex:", 0) == 0) {
    const size_t arrow = text.find('>');
    const std::string smtp = text.substr(3, arrow == std::string::npos ? std::string::npos : arrow - 3);
    if (smtp.find('@') == std::string::npos) return nullptr;
    const std::string x500 = "/o=Orvan/ou=Exchange/cn=Recipients/cn=" + smtp.substr(0, smtp.find('@'));
    if (arrow == std::string::npos) return world.Make<AddressEntry>("EX", x500, smtp, AddressEntry::kExchangeUser);
    const std::string target = text.substr(arrow + 1);
    if (target.find('@') == std::string::npos) return nullptr;
    AddressEntry* user = world.Make<AddressEntry>("EX", x500, smtp, AddressEntry::kExchangeRemoteUser);
    user->target = "SMTP:" + target;
    return user;
  }
  if (text.rfind("dl:", 0) == 0) {
    const size_t eq = text.find('=');
    const std::string smtp = text.substr(3, eq == std::string::npos ? std::string::npos : eq - 3);
    if (smtp.find('@') == std::string::npos) return nullptr;
    AddressEntry* list = world.Make<AddressEntry>("EX", "/o=Orvan/ou=Exchange/cn=Recipients/cn=" + smtp, smtp,
                                                  AddressEntry::kExchangeList);
    if (eq == std::string::npos) return list;
    for (std::string one : SplitMembers(text.substr(eq + 1))) {
      // dl:inner@domain=[C,D]: the brackets hold the member list's own members.
      const size_t open = one.find("=[");
      if (open != std::string::npos) {
        if (one.back() != ']') return nullptr;
        one = one.substr(0, open + 1) + one.substr(open + 2, one.size() - open - 3);
      }
      AddressEntry* m = one.empty() ? nullptr : Parse(world, one);
      if (!m) return nullptr;
      list->members.push_back(m);
    }
    return list;
  }
  if (text.find('@') == std::string::npos) return nullptr;
  return world.Make<AddressEntry>("SMTP", text, text, AddressEntry::kSmtp);
}
}  // namespace

AddressEntry::AddressEntry(World& world, std::string t, std::string a, std::string s, long u)
    : DispatchObject(world, "AddressEntry", typelib::AddressEntry),
      type(std::move(t)), address(std::move(a)), smtp(std::move(s)), userType(u) {
  Property("Type", [this](const Args&) { return TextVariant(type); });
  Property("Address", [this](const Args&) { return TextVariant(address); });
  Property("AddressEntryUserType", [this](const Args&) { return Variant::I4(userType); });
  AddMethod("GetExchangeUser", [this](const Args&) {
    if (userType != kExchangeUser && userType != kExchangeRemoteUser) return Nothing();
    return DispatchVariant(this->world().Make<ExchangeUser>(smtp)->dispatch());
  });
  Property("Members", [this](const Args&) {
    if (userType != kExchangeList && userType != kOutlookList) return Nothing();
    return DispatchVariant(this->world().Make<AddressEntries>(members)->dispatch());
  });
  Property("PropertyAccessor", [this](const Args&) {
    return DispatchVariant(
        this->world().Make<PropertyAccessor>(type == "EX" ? smtp : std::string(), target)->dispatch());
  });
}

Recipient::Recipient(World& world, std::string n, long t, AddressEntry* e)
    : DispatchObject(world, "Recipient", typelib::Recipient), name(std::move(n)), type(t), entry(e) {
  Property("Name", [this](const Args&) { return TextVariant(name); });
  Property("Address", [this](const Args&) { return TextVariant(entry ? entry->address : std::string()); });
  Property("Type", [this](const Args&) { return Variant::I4(type); });
  Property("Resolved", [this](const Args&) { return Variant::Bool(entry != nullptr); });
  Property("AddressEntry", [this](const Args&) { return entry ? DispatchVariant(entry->dispatch()) : Nothing(); });
}

Recipients::Recipients(World& world) : DispatchObject(world, "Recipients", typelib::Recipients) {
  Property("Count", [this](const Args&) { return Variant::I4(long(items.size())); });
  AddMethod("Item", [this](const Args& a) {
    const long i = a.empty() || !a[0] ? 0 : VariantLong(*a[0]);
    if (i < 1 || size_t(i) > items.size()) throw Fault{E_INVALIDARG};
    return DispatchVariant(items[size_t(i - 1)]->dispatch());
  });
}

bool Recipients::Add(const std::string& text, long type) {
  if (text.size() > 1 && text[0] == '?') {
    items.push_back(world().Make<Recipient>(text.substr(1), type, nullptr));
    return true;
  }
  AddressEntry* entry = Parse(world(), text);
  if (!entry) return false;
  items.push_back(world().Make<Recipient>(entry->smtp, type, entry));
  return true;
}

std::string Recipients::Header(long type) const {
  std::string out;
  for (const Recipient* r : items)
    if (r->type == type) out += (out.empty() ? "" : ", ") + (r->entry ? r->entry->smtp : r->name);
  return out;
}

}  // namespace sim

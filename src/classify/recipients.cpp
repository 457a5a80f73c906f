#include "classify/recipients.h"

#include "classify/text_search.h"
#include "com/text.h"
#include "host/host_guard.h"

namespace {

const char kSmtpAddressSchema[] = "http://schemas.microsoft.com/mapi/proptag/0x39FE001F";  // PR_SMTP_ADDRESS

// The SMTP address of one address entry, or the empty text. An Exchange entry's address is
// an X.500 name: its SMTP address is a property of the entry, or the Exchange user's own.
std::string SmtpAddress(const AddressEntry& entry) {
  const std::string type = LowerCopy(entry.Type().ToUtf8());
  if (type == "smtp") return entry.Address().ToUtf8();
  if (type != "ex") return std::string();
  std::string address;
  TryHostStep([&] {
    ComPtr<IDispatch> accessor = entry.PropertyAccessor();
    if (accessor) address = PropertyAccessor::From(accessor.get()).GetProperty(kSmtpAddressSchema).ToUtf8();
  });
  if (!address.empty()) return address;
  ComPtr<IDispatch> user = entry.GetExchangeUser();
  return user ? ExchangeUser::From(user.get()).PrimarySmtpAddress().ToUtf8() : std::string();
}

class Collector {
 public:
  Collector(const std::vector<std::string>& domains, OutsideRecipients* out) : domains_(domains), out_(out) {}

  void Add(const std::string& shown) {
    if (out_->shown.size() < OutsideRecipients::kShown) out_->shown.push_back(shown);
    ++out_->count;
  }
  // An address entry, resolved; a distribution list's members when expand is set.
  void Entry(const AddressEntry& entry, const std::string& name, bool expand) {
    bool list = false;
    std::string address;
    const bool read = TryHostStep([&] {
      const long userType = entry.AddressEntryUserType();
      list = expand && (userType == olExchangeDistributionListAddressEntry ||
                        userType == olOutlookDistributionListAddressEntry);
      if (!list) address = SmtpAddress(entry);
    });
    if (read && list) {
      if (!TryHostStep([&] { Members(entry, name); })) Add(name + " (its members could not be read)");
      return;
    }
    if (!read || address.empty()) Add(name + " (no address found)");
    else if (!IsInsideDomains(address, domains_)) Add(address);
  }

 private:
  void Members(const AddressEntry& list, const std::string& name) {
    ComPtr<IDispatch> members = list.Members();
    if (!members) throw HostError(E_POINTER, IID_AddressEntry);
    const AddressEntries entries = AddressEntries::From(members.get());
    const long count = entries.Count();
    for (long i = 1; i <= count; ++i) {
      ComPtr<IDispatch> member;
      if (!TryHostStep([&] { member = entries.Item(i); }) || !member) {
        Add("a member of " + name + " (no address found)");
        continue;
      }
      AddressEntry entry;
      if (!TryHostStep([&] { entry = AddressEntry::From(member.get()); })) {
        Add("a member of " + name + " (no address found)");
        continue;
      }
      Entry(entry, "a member of " + name, false);
    }
  }

  const std::vector<std::string>& domains_;
  OutsideRecipients* out_;
};

}  // namespace

bool IsInsideDomains(const std::string& address, const std::vector<std::string>& domains) {
  const size_t at = address.rfind('@');
  if (at == std::string::npos || at == 0 || at + 1 >= address.size()) return false;
  std::string host = LowerCopy(address.substr(at + 1));
  while (!host.empty() && host.back() == '.') host.pop_back();
  for (const std::string& domain : domains) {
    if (domain.empty() || host.size() < domain.size()) continue;
    if (host == domain) return true;
    if (host.size() > domain.size() && host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
        host[host.size() - domain.size() - 1] == '.')
      return true;
  }
  return false;
}

OutsideRecipients FindOutsideRecipients(const ClassifyContext& context, const Item& item,
                                        const std::vector<std::string>& internalDomains) {
  OutsideRecipients out;
  Collector collect(internalDomains, &out);
  long count = 0;
  Recipients recipients;
  if (!TryHostStep([&] {
        ComPtr<IDispatch> list = item.Recipients();
        if (!list) throw HostError(E_POINTER, IID_Recipients);
        recipients = Recipients::From(list.get());
        count = recipients.Count();
      })) {
    collect.Add("(the recipients could not be read)");
    return out;
  }
  for (long i = 1; i <= count; ++i) {
    std::string name = "recipient " + std::to_string(i);
    Recipient recipient;
    ComPtr<IDispatch> entryObject;
    const bool read = TryHostStep([&] {
      ComPtr<IDispatch> r = recipients.Item(i);
      if (!r) throw HostError(E_POINTER, IID_Recipients);
      recipient = Recipient::From(r.get());
      // The name only names the recipient in the box; one that cannot be read keeps the number.
      TryHostStep([&] {
        const std::string given = recipient.Name().ToUtf8();
        if (!given.empty()) name = given;
      });
      entryObject = recipient.AddressEntry();
    });
    AddressEntry entry;
    if (!read || !entryObject || !TryHostStep([&] { entry = AddressEntry::From(entryObject.get()); })) {
      collect.Add(name + " (no address found)");
      continue;
    }
    collect.Entry(entry, name, true);
  }
  if (out.count) context.Log("Recipients outside the internal domains: %lu<br>\n", static_cast<unsigned long>(out.count));
  return out;
}

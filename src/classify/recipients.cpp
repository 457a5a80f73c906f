#include "classify/recipients.h"

#include "classify/text_search.h"
#include "com/text.h"
#include "host/host_guard.h"

namespace {

const char kSmtpAddressSchema[] = "http://schemas.microsoft.com/mapi/proptag/0x39FE001F";  // PR_SMTP_ADDRESS
// PR_EMS_AB_TARGET_ADDRESS: where mail to an Exchange mail user or mail contact really goes,
// as "SMTP:name@domain", whatever its primary address says.
const char kTargetAddressSchema[] = "http://schemas.microsoft.com/mapi/proptag/0x8011001F";

// Lists within lists are followed this deep; a list deeper down counts as outside: reading
// on could go round a list that holds itself.
constexpr int kDeepestList = 3;

// The SMTP address of one address entry, or the empty text. An Exchange entry's address is
// an X.500 name: its SMTP address is its target address where it has one, else a property
// of the entry, else the Exchange user's own.
std::string SmtpAddress(const AddressEntry& entry) {
  const std::string type = LowerCopy(entry.Type().ToUtf8());
  if (type == "smtp") return entry.Address().ToUtf8();
  if (type != "ex") return std::string();
  std::string address;
  ComPtr<IDispatch> accessor;
  TryHostStep([&] { accessor = entry.PropertyAccessor(); });
  if (accessor) {
    const PropertyAccessor properties = PropertyAccessor::From(accessor.get());
    TryHostStep([&] { address = properties.GetProperty(kTargetAddressSchema).ToUtf8(); });
    // Another transport's target ("X400:...") has no SMTP address: it counts as outside.
    if (!address.empty()) return LowerCopy(address.substr(0, 5)) == "smtp:" ? address.substr(5) : address;
    TryHostStep([&] { address = properties.GetProperty(kSmtpAddressSchema).ToUtf8(); });
  }
  if (!address.empty()) return address;
  ComPtr<IDispatch> user = entry.GetExchangeUser();
  return user ? ExchangeUser::From(user.get()).PrimarySmtpAddress().ToUtf8() : std::string();
}

class Collector {
 public:
  Collector(const std::vector<std::string>& domains, OutsideRecipients* out) : domains_(domains), out_(out) {}

  // unread: counted as outside because Outlook failed to answer, not because of what it said.
  void Add(const std::string& shown, bool unread = false) {
    if (out_->shown.size() < OutsideRecipients::kShown) out_->shown.push_back(shown);
    ++out_->count;
    if (unread) ++out_->unread;
  }
  // An address entry, resolved; a distribution list by its members, lists within it to
  // kDeepestList (depth: the lists it is within).
  void Entry(const AddressEntry& entry, const std::string& name, int depth) {
    bool list = false;
    std::string address;
    const bool read = TryHostStep([&] {
      const long userType = entry.AddressEntryUserType();
      list = userType == olExchangeDistributionListAddressEntry || userType == olOutlookDistributionListAddressEntry;
      if (!list) address = SmtpAddress(entry);
    });
    if (read && list) {
      if (depth >= kDeepestList) return Add(name + " (a list within lists too deep to read)");
      bool some = false;
      // A list whose members cannot be read (a dynamic list, one whose membership is
      // hidden) may reach anyone.
      const bool answered = TryHostStep([&] { some = Members(entry, name, depth + 1); });
      if (!answered || !some) Add(name + " (its members could not be read)", !answered);
      return;
    }
    if (!read || address.empty()) Add(name + " (no address found)", !read);
    else if (!IsInsideDomains(address, domains_)) Add(address);
  }

 private:
  // False when the list gives no member.
  bool Members(const AddressEntry& list, const std::string& name, int depth) {
    ComPtr<IDispatch> members = list.Members();
    if (!members) return false;
    const AddressEntries entries = AddressEntries::From(members.get());
    const long count = entries.Count();
    for (long i = 1; i <= count; ++i) {
      ComPtr<IDispatch> member;
      AddressEntry entry;
      if (!TryHostStep([&] {
            member = entries.Item(i);
            if (member) entry = AddressEntry::From(member.get());
          }) ||
          !entry) {
        Add("a member of " + name + " (no address found)", true);
        continue;
      }
      Entry(entry, "a member of " + name, depth);
    }
    return count > 0;
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
    collect.Add("(the recipients could not be read)", true);
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
      collect.Add(name + " (no address found)", !read || entryObject);
      continue;
    }
    collect.Entry(entry, name, 0);
  }
  if (out.count) context.Log("Recipients outside the internal domains: %lu<br>\n", static_cast<unsigned long>(out.count));
  return out;
}

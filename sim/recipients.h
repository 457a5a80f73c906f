// Simulated recipients and the address book behind them: SMTP addresses, Exchange users
// (whose address is an X.500 name and whose SMTP address is a property of the entry),
// distribution lists with their members, and recipients Outlook never resolved.
#pragma once

#include <string>
#include <vector>
#include "sim/dispatch_object.h"

namespace sim {

class AddressEntry : public DispatchObject {
 public:
  // Outlook's AddressEntryUserType values the simulator plays.
  enum UserType : long { kExchangeUser = 0, kExchangeList = 1, kOutlookList = 11, kSmtp = 30 };
  AddressEntry(World& world, std::string type, std::string address, std::string smtp, long userType);
  std::string type;     // "SMTP", "EX", or another transport's
  std::string address;  // the SMTP address, or an Exchange entry's X.500 name
  std::string smtp;     // what PR_SMTP_ADDRESS and the Exchange user's PrimarySmtpAddress give
  long userType;
  std::vector<AddressEntry*> members;  // a list's
};

class Recipient : public DispatchObject {
 public:
  Recipient(World& world, std::string name, long type, AddressEntry* entry);
  std::string name;
  long type;             // 1 To, 2 Cc, 3 Bcc
  AddressEntry* entry;   // null: never resolved
};

class Recipients : public DispatchObject {
 public:
  explicit Recipients(World& world);
  std::vector<Recipient*> items;
  // One recipient as a script names it:
  //   name@domain               an SMTP address
  //   ex:name@domain            an Exchange user, whose SMTP address that is
  //   dl:list@domain=A,B,...    an Exchange distribution list of the members A, B (each
  //                             written as above; a member may itself be a dl: without members)
  //   ?Name                     a recipient Outlook could not resolve
  // False when the text is none of these.
  bool Add(const std::string& text, long type);
  // The addresses of one kind, for the outbox's headers.
  std::string Header(long type) const;
};

}  // namespace sim

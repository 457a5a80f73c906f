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
  enum UserType : long { kExchangeUser = 0, kExchangeList = 1, kExchangeRemoteUser = 5, kOutlookList = 11, kSmtp = 30 };
  AddressEntry(World& world, std::string type, std::string address, std::string smtp, long userType);
  std::string type;     // "SMTP", "EX", or another transport's
  std::string address;  // the SMTP address, or an Exchange entry's X.500 name
  std::string smtp;     // what PR_SMTP_ADDRESS and the Exchange user's PrimarySmtpAddress give
  // An Exchange mail user's or mail contact's PR_EMS_AB_TARGET_ADDRESS ("SMTP:name@domain"):
  // where mail to it really goes, whatever its primary address says.
  std::string target;
  long userType;
  std::vector<AddressEntry*> members;  // a list's; none for a list whose members Outlook cannot give
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
  //   ex:name@domain>t@domain   an Exchange mail user or contact: primary address name@domain,
  //                             mail going to its target address t@domain
  //   dl:list@domain=A,B,...    an Exchange distribution list of the members A, B (each
  //                             written as above; a member list's own members in brackets:
  //                             dl:inner@domain=[C,D])
  //   dl:list@domain            a list whose members Outlook cannot give (a dynamic list, or
  //                             one whose membership is hidden)
  //   ?Name                     a recipient Outlook could not resolve
  // False when the text is none of these.
  bool Add(const std::string& text, long type);
  // The addresses of one kind, for the outbox's headers.
  std::string Header(long type) const;
};

}  // namespace sim

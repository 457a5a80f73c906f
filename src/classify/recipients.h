// Where a message goes: every recipient (To, Cc and Bcc; a distribution list's members, and
// those of the lists within it, three lists deep) as the SMTP address mail to it leaves for
// (an Exchange mail user's or contact's target address), read through Outlook's address
// entries. Asked only when a rule on recipients applies, since each read can be a round
// trip to the server.
#pragma once

#include <string>
#include <vector>
#include "classify/context.h"
#include "host/host_objects.h"

// The recipients outside the given domains (lower case; subdomains are inside), as the
// sender knows them: the address, or the recipient's name with why no address was found.
// A recipient that cannot be read counts as outside: a failing host never lets a message
// through a rule it could not check.
struct OutsideRecipients {
  std::vector<std::string> shown;  // at most kShown of them
  size_t count = 0;                // all of them
  size_t unread = 0;               // of them, those Outlook failed to answer for
  static constexpr size_t kShown = 10;
};
OutsideRecipients FindOutsideRecipients(const ClassifyContext& context, const Item& item,
                                        const std::vector<std::string>& internalDomains);

// Whether an SMTP address is in one of the domains or below one.
bool IsInsideDomains(const std::string& address, const std::vector<std::string>& domains);

// Simulated Outlook items: mail messages with their MAPI message, and the non-mail items
// (task, post, meeting request) a selection or a window can hold.
#pragma once

#include <string>
#include "sim/dispatch_object.h"
#include "sim/mapi_message.h"
#include "sim/recipients.h"

namespace sim {

using WideText = std::basic_string<OLECHAR>;

// A mail message, or another item that leaves like one (itemClass: 43 mail; 49 to 52 task
// requests and answers; 53 to 57 meeting requests, cancellations and responses; 104 sharing),
// each with its own interface's members: a meeting or task request has no HTMLBody or
// BodyFormat, and its body is rich text, which writing Body flattens.
class MailItem : public DispatchObject {
 public:
  explicit MailItem(World& world, long itemClass = 43);
  long itemClass;
  bool IsMail() const { return itemClass == 43; }
  bool richTextFlattened = false;  // Body was written over a rich-text body
  Recipients* recipients;

  WideText subject, body, htmlBody;
  long bodyFormat = 1;  // 1 plain, 2 HTML, 3 rich text
  bool sent = false;
  bool received = false;  // came in through the transport rather than being sent here
  MapiMessage* message;
  long number;  // the world's count of mail items: stable names for message ids
  std::string organizer = "organizer@acme.example";  // a meeting request's, whom its responses go to

  // Text views for tests, as UTF-8.
  std::string Subject() const { return Utf8(subject.data(), subject.size()); }
  std::string Body() const { return Utf8(body.data(), body.size()); }
  std::string HTMLBody() const { return Utf8(htmlBody.data(), htmlBody.size()); }
  // The body a recipient gets, in the item's format.
  std::string SentBody() const { return bodyFormat == 1 || !IsMail() ? Body() : HTMLBody(); }
};

// A task (48), post (45) or meeting request (53): an item that is no mail message.
class OtherItem : public DispatchObject {
 public:
  OtherItem(World& world, long itemClass);
};

}  // namespace sim

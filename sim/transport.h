// The simulated internet transport: a sent mail item leaves as an RFC 5322 message, and a
// message that arrives becomes a sent, read-only item whose only trace of the sender's
// properties is its header block, as after a trip through the internet.
#pragma once

#include <string>
#include "sim/items.h"

namespace sim {

// The message as the transport writes it: header fields (one line per internet-header
// property of the item), a blank line, and the body in the item's format. CR LF lines.
std::string WriteEml(const MailItem& item);

// Reads a message; null with error set when the text is no message.
MailItem* ReadEml(World& world, const std::string& text, std::string* error);

}  // namespace sim

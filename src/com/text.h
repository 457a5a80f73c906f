// Conversions between host (wide) text and the add-in's 8-bit ANSI text.
#pragma once

#include <string>
#include "platform/win.h"

// Wide to ANSI (CP_ACP). Characters outside the code page become what the system's
// conversion makes of them. A null pointer yields the empty text.
std::string WideToAnsi(const OLECHAR* text, size_t length);
// ANSI to wide, for names handed to MAPI or the host.
std::basic_string<OLECHAR> AnsiToWide(const std::string& text);

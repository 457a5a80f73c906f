// Conversions between host (wide) text and 8-bit text: UTF-8, the add-in's own texts (the
// policy, level names in any language), and the ANSI code page where Windows gives or takes
// nothing else.
#pragma once

#include <string>
#include "platform/win.h"

// Wide to ANSI (CP_ACP). Characters outside the code page become what the system's
// conversion makes of them. A null pointer yields the empty text.
std::string WideToAnsi(const OLECHAR* text, size_t length);
// ANSI to wide.
std::basic_string<OLECHAR> AnsiToWide(const std::string& text);
// Wide to UTF-8 and back, without loss; a lone surrogate becomes U+FFFD.
std::string WideToUtf8(const OLECHAR* text, size_t length);
std::basic_string<OLECHAR> Utf8ToWide(const std::string& text);
// Whether the text is plain ASCII.
bool IsAscii(const std::string& text);
// Bytes as base64 (RFC 4648, with its padding), on one line.
std::string Base64(const std::string& bytes);

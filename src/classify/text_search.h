// Case-insensitive search in the ANSI code page, without lower-casing whole copies: the
// same positions as searching a CharLowerA copy, at the cost of one table look-up.
#pragma once

#include <string>

// Lower-case of one character, as CharLowerA lowers it.
char LowerAnsi(char c);
std::string LowerCopy(const std::string& text);
// First position at or after from where needle (already lower case) stands in text,
// compared case-insensitively; npos when there is none.
size_t FindNoCase(const std::string& text, const std::string& lowerNeedle, size_t from = 0);

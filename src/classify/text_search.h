// Case-insensitive search in the ANSI code page, without lower-casing whole copies: the
// same positions as searching a CharLowerA copy, at the cost of one table look-up.
#pragma once

#include <string>
#include <string_view>

// Lower-case of one character, as CharLowerA lowers it.
char LowerAnsi(char c);
std::string LowerCopy(const std::string& text);
// The text without the blanks (spaces, tabs) at either end.
std::string Trimmed(const std::string& text);
// First position at or after from where needle (already lower case) stands in text,
// compared case-insensitively; npos when there is none.
size_t FindNoCase(std::string_view text, std::string_view lowerNeedle, size_t from = 0);

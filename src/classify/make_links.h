// Turns the first web (or, failing that, mail) address of a short text into an HTML link.
#pragma once

#include <string>

std::string MakeLinks(const std::string& text);

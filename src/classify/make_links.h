// A short text as HTML: its first web (or, failing that, mail) address turned into a link,
// and every other character that markup would read (<, >, &) written as an entity.
#pragma once

#include <string>

std::string MakeLinks(const std::string& text);

// String resources of the add-in's own module, and the splitting of list texts.
#pragma once

#include <string>
#include <vector>

// The text of string resource id as UTF-8 (at most 1023 characters), or "StringID <id> not
// found". The result lives in one shared buffer that the next call overwrites: copy it
// before calling again.
const char* LoadText(unsigned id);

// Replaces list with the maximal runs of text that hold no character of delimiters.
// Nothing is trimmed; no empty item is produced.
void SplitList(const char* text, std::vector<std::string>& list, const char* delimiters);

// String resources of the add-in's own module, and the splitting of list texts.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

// The languages of the string table: English, which holds the policy's own words, and the
// French and German of what the sender is shown.
enum class TextLanguage { English, French, German };

// The language of the texts the sender is shown, from a Windows language id (LANGID; its
// primary language decides): French, German, else English. Set once at start-up.
void SetTextLanguage(unsigned languageId);
TextLanguage CurrentTextLanguage();
// The language a LANGID names, or English for one the table does not have; false then.
bool TextLanguageOf(unsigned languageId, TextLanguage* language);

// The text of string resource id as UTF-8 (at most 1023 characters, read through one fixed
// buffer) in the sender's language, or "StringID <id> not found".
std::string LoadText(unsigned id);
// The same in the policy's own words, whatever the sender's language: what goes into mail.
std::string LoadMarkText(unsigned id);

// A text of the table with %1, %2, ... replaced by the values given (a value is never read
// for placeholders of its own).
std::string FormatText(unsigned id, std::initializer_list<std::string> values);

// Replaces list with the maximal runs of text that hold no character of delimiters.
// Nothing is trimmed; no empty item is produced.
void SplitList(const char* text, std::vector<std::string>& list, const char* delimiters);

// The text work of classification, free of host calls: the body mark and where it goes,
// the subject mark, and the level in a received message's headers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class ClassificationSettings;

// The marking text of a body: bold for HTML, label, level name, footer (linked for HTML).
std::string BodyMark(const ClassificationSettings& settings, const std::string& levelName, bool html);

// Puts the mark at the top (places bit 1) and the bottom (bit 2). HTML goes after the
// opening body tag and before the closing one, found without regard to case; a body
// without them is left as it is. Other text gets the mark before and after it.
void InsertBodyMarks(std::string& body, bool html, const std::string& mark, int places);

// Removes one old mark per level name (prefix form first, then suffix form), then adds the
// new one when markIt is set: mode 1 "[NAME] " before, mode 2 " [NAME]" after. An empty
// result becomes one blank.
std::string MarkedSubject(std::string subject, const std::vector<std::string>& levels, int mode, bool markIt,
                          const std::string& levelName);

// The single digit that stands one blank after "X-<organisation>-classification:" in a
// header block, as a number (its character code less '0'); 0 when there is none.
int LevelFromHeaders(std::string_view headers, const std::string& organisation);

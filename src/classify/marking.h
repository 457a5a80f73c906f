// The text work of classification, free of host calls: the body mark and where it goes,
// the subject mark, and the level in a received message's headers.
//
// The sender's subject and body are wide text and stay so: the marks are made from the
// settings' ANSI texts, widened once, and put into the sender's text; nothing of the
// sender's text passes through a code page.
#pragma once

#include <string>
#include <string_view>
#include <vector>
#include "platform/win.h"

class ClassificationSettings;

using WideText = std::basic_string<OLECHAR>;
using WideView = std::basic_string_view<OLECHAR>;

// The marking text of a body: bold for HTML, label, level name, footer (linked for HTML).
std::string BodyMark(const ClassificationSettings& settings, const std::string& levelName, bool html);

// Text to put into a body, and where: a position in the body as it was read, and the
// number of the body's characters it replaces there (an earlier mark of the add-in's).
struct Insertion {
  size_t at;
  WideText text;
  size_t skip = 0;
};

// The texts the add-in puts into a body: the top mark with the break after it, and the
// bottom mark with the break before it (empty where the places leave that mark out).
struct OwnMarks {
  WideText top, bottom;
};
OwnMarks MarkTexts(const WideText& mark, bool html, int places);

// Where the marks go (places bit 1 the top, bit 2 the bottom), as insertions in order of
// position. HTML: the top mark right after the opening body tag (which ends at its first
// '>' outside a quoted attribute value), the bottom mark right before the first closing
// body tag; tags are found without regard to case and never inside a comment, and a body
// without them gets no mark there. Other text: the mark before and after it. The marks an
// earlier Send of this message put in (previous), where they still stand at their places,
// are replaced rather than stacked; marks anywhere else (quoted from an answered message)
// stay as they are.
std::vector<Insertion> PlanBodyMarks(WideView body, bool html, const OwnMarks& marks, int places,
                                     const OwnMarks* previous = nullptr);
std::vector<Insertion> PlanBodyMarks(WideView body, bool html, const WideText& mark, int places);
// Whether the insertions leave the body as it is (the same marks stand where they go).
bool ChangesNothing(WideView body, const std::vector<Insertion>& insertions);
// The length of the body with the insertions made, and the body so made, written into a
// buffer of that length: the sender's text copied once, untouched, around them.
size_t LengthWithInsertions(WideView body, const std::vector<Insertion>& insertions);
void CopyWithInsertions(WideView body, const std::vector<Insertion>& insertions, OLECHAR* out);
WideText WithInsertions(WideView body, const std::vector<Insertion>& insertions);

// Removes one old mark per level name given (prefix form first, then suffix form), then
// adds the new one when markIt is set: mode 1 "[NAME] " before, mode 2 " [NAME]" after. An
// empty result becomes one blank.
WideText MarkedSubject(WideText subject, const std::vector<std::string>& levels, int mode, bool markIt,
                       const std::string& levelName);

// The whole number that the value of a header line "X-<organisation>-classification:"
// starts with, after its blanks, read as written or from the RFC 2047 encoded word a
// transport makes of a value outside ASCII; 0 when there is none. The name anywhere else
// (inside another header's value) counts for nothing.
int LevelFromHeaders(std::string_view headers, const std::string& organisation);

// Position of the first occurrence of an ASCII lower-case needle in wide text, matched
// without regard to case, at or after from; npos when there is none.
size_t FindNoCase(WideView text, std::string_view lowerAsciiNeedle, size_t from = 0);

// Text as markup text (HTML, XML): the characters markup would read are written as
// entities, so that the text can only ever show as text. The one escaper of the add-in.
#pragma once

#include <string>

// Where the text lands: inside a double-quoted attribute value (or anywhere, not knowing)
// the quote is written as an entity too; in an element's content it needs none.
enum class MarkupPlace { Anywhere, Content };

inline std::string MarkupText(const std::string& text, MarkupPlace place = MarkupPlace::Anywhere) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"':
        if (place == MarkupPlace::Content) out += c;
        else out += "&quot;";
        break;
      default: out += c;
    }
  }
  return out;
}

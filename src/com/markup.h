// Text as markup text (HTML, XML): the characters markup would read are written as
// entities, so that the text can only ever show as text.
#pragma once

#include <string>

inline std::string MarkupText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

#include "classify/standard_label.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "classify/load_text.h"
#include "classify/text_search.h"
#include "com/text.h"

namespace {

// The longest piece of a parameter's value: with its name, quotes and "; ", a piece and
// the blank it folds at stay well within a 78-character line.
constexpr size_t kPiece = 60;

const char kLabelNamespace[] = "urn:nato:stanag:4774:confidentialitymetadatalabel:1:0";

// RFC 7444's colour names: HTML 4's sixteen and orange.
const char* const kColorNames[] = {"aqua",   "black", "blue",   "fuchsia", "gray", "green", "lime",   "maroon", "navy",
                                   "olive",  "orange", "purple", "red",    "silver", "teal", "white", "yellow"};

// What a level without a pair of its own shows: white on these, in turn up the levels.
const char* const kBackgrounds[] = {"green", "blue", "red", "purple", "maroon", "navy", "teal", "black"};

bool Color(std::string text, std::string* written) {
  text = Trimmed(text);
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (text == "fuchsia" || text == "fuschia") text = "#ff00ff";  // the RFC misspells it: write hex
  if (text.size() == 7 && text[0] == '#') {
    for (size_t i = 1; i < 7; ++i)
      if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (written) *written = text;
    return true;
  }
  for (const char* name : kColorNames) {
    if (text != name) continue;
    if (written) *written = text;
    return true;
  }
  return false;
}

std::string XmlText(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

// Whether a byte may stand in an RFC 2231 extended value as itself (its attribute-char).
bool AttributeChar(unsigned char c) {
  return c > 0x20 && c < 0x7F && !std::strchr(" *'%()<>@,;:\\\"/[]?=", c);
}

// A parameter as RFC 2231 writes it: quoted when it is ASCII; in the extended form, its
// bytes %-encoded after "utf-8''", when it is not; in numbered pieces when it is long.
std::string Parameter(const std::string& name, const std::string& value) {
  bool ascii = true;
  for (unsigned char c : value) ascii = ascii && c >= 0x20 && c < 0x7F;
  std::vector<std::string> pieces;
  if (ascii) {
    for (size_t i = 0; i < value.size() || pieces.empty(); i += kPiece) {
      std::string piece = "\"";
      for (char c : value.substr(i, kPiece)) piece += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
      pieces.push_back(piece + "\"");
    }
  } else {
    std::string piece = "utf-8''";
    for (unsigned char c : value) {
      char encoded[4];
      if (AttributeChar(c)) std::snprintf(encoded, sizeof encoded, "%c", c);
      else std::snprintf(encoded, sizeof encoded, "%%%02X", unsigned(c));
      if (piece.size() + 3 > kPiece) {  // never between a '%' and its two digits
        pieces.push_back(piece);
        piece.clear();
      }
      piece += encoded;
    }
    pieces.push_back(piece);
  }
  const char* extended = ascii ? "" : "*";
  if (pieces.size() == 1) return name + extended + "=" + pieces[0];
  std::string out;
  for (size_t i = 0; i < pieces.size(); ++i)
    out += (i ? "; " : "") + name + "*" + std::to_string(i) + extended + "=" + pieces[i];
  return out;
}

// A level's entry of a per-level list, or its default where the list has none for it.
std::string Entry(const std::vector<std::string>& list, int level, const std::string& fallback) {
  const size_t at = size_t(level - 1);
  return at < list.size() && !list[at].empty() ? list[at] : fallback;
}

// DER's length octets.
std::string DerLength(size_t n) {
  if (n < 0x80) return std::string(1, char(n));
  std::string bytes;
  for (; n; n >>= 8) bytes.insert(bytes.begin(), char(n & 0xFF));
  return std::string(1, char(0x80 | bytes.size())) + bytes;
}

std::string Der(unsigned char tag, const std::string& content) { return char(tag) + DerLength(content.size()) + content; }

// The arcs of a dotted decimal text; empty when it is none (see IsObjectIdentifier).
std::vector<unsigned long> Arcs(const std::string& text) {
  std::vector<unsigned long> arcs;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find('.', start), text.size());
    const std::string arc = text.substr(start, end - start);
    if (arc.empty() || arc.size() > 9 || (arc.size() > 1 && arc[0] == '0') ||
        arc.find_first_not_of("0123456789") != std::string::npos)
      return {};
    arcs.push_back(std::strtoul(arc.c_str(), nullptr, 10));
    start = end + 1;
  }
  if (arcs.size() < 2 || arcs[0] > 2 || (arcs[0] < 2 && arcs[1] >= 40)) return {};
  return arcs;
}

// An arc in base 128, high groups first, each but the last with its top bit set.
std::string Base128(unsigned long long value) {
  std::string out(1, char(value & 0x7F));
  for (value >>= 7; value; value >>= 7) out.insert(out.begin(), char(0x80 | (value & 0x7F)));
  return out;
}

}  // namespace

int EssClassificationOf(const ClassificationSettings& s, int level) {
  const std::string entry = Entry(s.LabelClassValues, level, std::string());
  if (IsClassificationNumber(entry)) return std::atoi(entry.c_str());
  std::string name = Trimmed(s.LevelName(level));
  for (char& c : name) c = c == ' ' || c == '_' ? '-' : char(std::tolower(static_cast<unsigned char>(c)));
  static const char* const kNames[] = {"unmarked", "unclassified", "restricted", "confidential", "secret", "top-secret"};
  for (int i = 0; i < 6; ++i)
    if (name == kNames[i]) return i;
  return -1;
}

std::string MarkingOf(const ClassificationSettings& s, int level) {
  return Entry(s.LabelMarkings, level, s.LevelName(level));
}

std::string ClassificationOf(const ClassificationSettings& s, int level) {
  return Entry(s.LabelClassifications, level, s.LevelName(level));
}

bool IsObjectIdentifier(const std::string& text) { return !Arcs(text).empty(); }

bool IsClassificationNumber(const std::string& text) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  return (text.size() == 1 || text[0] != '0') && std::atoi(text.c_str()) <= 256;
}

std::string EssLabelDer(const std::string& oid, int classification) {
  const std::vector<unsigned long> arcs = Arcs(oid);
  if (arcs.empty()) return std::string();
  std::string encoded = Base128(40ULL * arcs[0] + arcs[1]);
  for (size_t i = 2; i < arcs.size(); ++i) encoded += Base128(arcs[i]);
  std::string content = Der(0x06, encoded);
  if (classification >= 0) {
    // Two's complement, as short as it goes: 128 to 255 need a leading zero octet.
    std::string number;
    for (int n = classification; n; n >>= 8) number.insert(number.begin(), char(n & 0xFF));
    if (number.empty() || (static_cast<unsigned char>(number[0]) & 0x80)) number.insert(number.begin(), '\0');
    content += Der(0x02, number);
  }
  return Der(0x31, content);
}

bool PartnerLabelPairs(const std::string& text, std::vector<std::pair<std::string, std::string>>* pairs) {
  std::vector<std::string> entries;
  SplitList(text.c_str(), entries, ";");
  for (const std::string& entry : entries) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) return false;
    std::string guid = Trimmed(entry.substr(0, equals));
    const std::string level = Trimmed(entry.substr(equals + 1));
    if (guid.size() == 38 && guid.front() == '{' && guid.back() == '}') guid = guid.substr(1, 36);
    if (guid.size() != 36 || level.empty()) return false;
    for (size_t i = 0; i < guid.size(); ++i) {
      const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
      if (hyphen ? guid[i] != '-' : !std::isxdigit(static_cast<unsigned char>(guid[i]))) return false;
      guid[i] = char(std::tolower(static_cast<unsigned char>(guid[i])));
    }
    if (pairs) pairs->emplace_back(guid, level);
  }
  return true;
}

bool ColorPair(const std::string& pair, std::string* text, std::string* background) {
  const size_t slash = pair.find('/');
  if (slash == std::string::npos) return false;
  return Color(pair.substr(0, slash), text) && Color(pair.substr(slash + 1), background);
}

std::string ConfidentialityLabelXml(const std::string& policy, const std::string& classification) {
  return std::string("<slab:originatorConfidentialityLabel xmlns:slab=\"") + kLabelNamespace + "\">" +
         "<slab:ConfidentialityInformation>" + "<slab:PolicyIdentifier>" + XmlText(policy) +
         "</slab:PolicyIdentifier>" + "<slab:Classification>" + XmlText(classification) + "</slab:Classification>" +
         "</slab:ConfidentialityInformation>" + "</slab:originatorConfidentialityLabel>";
}

std::string SioLabel(const ClassificationSettings& s, int level) {
  if (s.StandardLabel == StandardLabelKind::None || level < 1 || level > s.LevelCount()) return std::string();
  std::string text = "white", background = kBackgrounds[size_t(level - 1) % (sizeof kBackgrounds / sizeof *kBackgrounds)];
  const std::string pair = Entry(s.LabelColors, level, std::string());
  std::string ownText, ownBackground;
  if (ColorPair(pair, &ownText, &ownBackground)) {  // else the default: a policy checks it first
    text = ownText;
    background = ownBackground;
  }
  const std::string colours = "fgcolor=" + text + "; bgcolor=" + background + "; ";
  const std::string marking = Parameter("marking", MarkingOf(s, level));
  if (s.StandardLabel == StandardLabelKind::Ess) {
    const std::string der = EssLabelDer(s.LabelPolicyOid, EssClassificationOf(s, level));
    return colours + marking + (der.empty() ? "" : "; type=\":ess\"; " + Parameter("label", Base64(der)));
  }
  const std::string label = ConfidentialityLabelXml(s.LabelPolicyIdentifier, ClassificationOf(s, level));
  // The colours first: readers that parse the field as a MIME value with parameters (as
  // Python's email package does) take its first parameter for the value and read RFC 2231
  // only after it, so the first is one never written in continuations or encoded.
  return colours + marking + "; type=\":xml\"; " + Parameter("label", Base64(label));
}

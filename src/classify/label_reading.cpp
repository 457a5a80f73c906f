#include "classify/label_reading.h"

#include <cstring>
#include <vector>
#include "classify/load_text.h"
#include "classify/standard_label.h"
#include "classify/text_search.h"

namespace {

constexpr size_t kLongestField = 16384;  // far above any label this policy could read
constexpr size_t kMostParameters = 64;
constexpr int kMostPieces = 100;
constexpr size_t kLongestLabel = 4096;  // decoded bytes
constexpr size_t kMostArcs = 32;

bool IsTokenChar(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u > 0x20 && u < 0x7F && !std::strchr("()<>@,;:\\\"/[]?=", c);
}
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// An extended value's bytes: %XX decoded; the first piece starts with charset'language'.
bool DecodeExtended(std::string_view text, bool first, std::string* out) {
  if (first) {
    const size_t quote = text.find('\''), second = quote == std::string_view::npos ? quote : text.find('\'', quote + 1);
    if (second == std::string_view::npos) return false;
    const std::string charset = LowerCopy(std::string(text.substr(0, quote)));
    if (charset != "utf-8" && charset != "us-ascii") return false;
    text = text.substr(second + 1);
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *out += text[i];
      continue;
    }
    const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1, low = high < 0 ? -1 : HexValue(text[i + 2]);
    if (low < 0) return false;
    *out += char(high * 16 + low);
    i += 2;
  }
  return true;
}

struct Piece {
  bool extended;
  std::string text;
};

// The fields of a name (lower case, with its colon) in a header block, unfolded.
std::vector<std::string> Fields(std::string_view headers, std::string_view name) {
  std::vector<std::string> fields;
  for (size_t at = 0; at < headers.size();) {
    const size_t end = std::min(headers.find('\n', at), headers.size());
    if (end - at >= name.size() && FindNoCase(headers.substr(at, name.size()), name) == 0) {
      std::string value(headers.substr(at + name.size(), end - at - name.size()));
      size_t next = end + 1;
      // Folded lines begin with a blank; each joins the field without its line break.
      while (next < headers.size() && (headers[next] == ' ' || headers[next] == '\t') && value.size() <= kLongestField) {
        const size_t lineEnd = std::min(headers.find('\n', next), headers.size());
        value += headers.substr(next, lineEnd - next);
        next = lineEnd + 1;
      }
      std::string unfolded;
      for (char c : value)
        if (c != '\r' && c != '\n') unfolded += c;
      fields.push_back(unfolded);
    }
    at = end + 1;
  }
  return fields;
}

// The highest level the test picks, or 0.
template <class F>
int HighestLevel(const ClassificationSettings& s, F&& picks) {
  for (int level = s.LevelCount(); level >= 1; --level)
    if (picks(level)) return level;
  return 0;
}

}  // namespace

bool ParseParameters(std::string_view value, std::map<std::string, std::string>* out) {
  if (value.size() > kLongestField) return false;
  std::map<std::string, std::map<int, Piece>> pieces;
  std::map<std::string, bool> continued;
  size_t i = 0, count = 0;
  auto blanks = [&] {
    while (i < value.size() && IsBlank(value[i])) ++i;
  };
  for (blanks(); i < value.size(); blanks()) {
    if (++count > kMostParameters) return false;
    const size_t start = i;
    while (i < value.size() && IsTokenChar(value[i]) && value[i] != '*') ++i;
    const std::string name = LowerCopy(std::string(value.substr(start, i - start)));
    if (name.empty()) return false;
    int index = -1;
    bool extended = false;
    if (i < value.size() && value[i] == '*') {
      ++i;
      const size_t digits = i;
      while (i < value.size() && value[i] >= '0' && value[i] <= '9' && i - digits < 3) ++i;
      if (i > digits) {
        if (value[digits] == '0' && i - digits > 1) return false;
        index = std::atoi(std::string(value.substr(digits, i - digits)).c_str());
        if (index >= kMostPieces) return false;
        if (i < value.size() && value[i] == '*') {
          extended = true;
          ++i;
        }
      } else {
        extended = true;
      }
    }
    blanks();
    if (i >= value.size() || value[i] != '=') return false;
    ++i;
    blanks();
    std::string text;
    if (i < value.size() && value[i] == '"') {
      for (++i; i < value.size() && value[i] != '"'; ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        text += value[i];
      }
      if (i >= value.size()) return false;  // never closed
      ++i;
    } else {
      const size_t begin = i;
      while (i < value.size() && IsTokenChar(value[i])) ++i;
      if (i == begin) return false;
      text = std::string(value.substr(begin, i - begin));
    }
    blanks();
    if (i < value.size() && value[i] != ';') return false;
    if (i < value.size()) ++i;
    // A name once: whole, or in numbered pieces each given once.
    const bool isPiece = index >= 0;
    auto& mine = pieces[name];
    if (!mine.empty() && (continued[name] != isPiece || !isPiece)) return false;
    continued[name] = isPiece;
    if (!mine.emplace(isPiece ? index : 0, Piece{extended, text}).second) return false;
  }
  for (const auto& [name, parts] : pieces) {
    std::string joined;
    int expected = 0;
    for (const auto& [index, piece] : parts) {
      if (index != expected++) return false;  // a piece is missing
      if (!piece.extended) joined += piece.text;
      else if (!DecodeExtended(piece.text, index == 0, &joined)) return false;
    }
    (*out)[name] = joined;
  }
  return true;
}

bool DecodeBase64(std::string_view text, std::string* bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  if (text.empty() || text.size() % 4 || text.size() / 4 * 3 > kLongestLabel) return false;
  bytes->clear();
  for (size_t i = 0; i < text.size(); i += 4) {
    unsigned n = 0;
    int padding = 0;
    for (size_t k = 0; k < 4; ++k) {
      const char c = text[i + k];
      const char* p = c ? std::strchr(kDigits, c) : nullptr;
      if (c == '=' && i + 4 == text.size() && k >= 2) {
        ++padding;
      } else if (!p || padding) {
        return false;  // a character outside base64, or data after its padding
      }
      n = (n << 6) | unsigned(p && c != '=' ? p - kDigits : 0);
    }
    // The bits padding leaves over are zero: one text for each byte string.
    if ((padding == 2 && (n & 0xFFFF)) || (padding == 1 && (n & 0xFF))) return false;
    *bytes += char((n >> 16) & 0xFF);
    if (padding < 2) *bytes += char((n >> 8) & 0xFF);
    if (padding < 1) *bytes += char(n & 0xFF);
  }
  return true;
}

bool ParseEssLabel(const std::string& der, std::string* oid, int* classification) {
  size_t i = 0;
  // One element's tag and length (BER's definite forms, at most two length octets).
  auto element = [&](unsigned char* tag, size_t* length) {
    if (i + 2 > der.size()) return false;
    *tag = static_cast<unsigned char>(der[i++]);
    const unsigned char first = static_cast<unsigned char>(der[i++]);
    *length = first;
    if (first & 0x80) {
      const int octets = first & 0x7F;
      if (octets == 0 || octets > 2 || i + size_t(octets) > der.size()) return false;
      *length = 0;
      for (int k = 0; k < octets; ++k) *length = (*length << 8) | static_cast<unsigned char>(der[i++]);
    }
    return *length <= der.size() - i;
  };
  unsigned char tag;
  size_t length;
  if (!element(&tag, &length) || tag != 0x31 || i + length != der.size()) return false;
  oid->clear();
  *classification = -1;
  while (i < der.size()) {
    if (!element(&tag, &length)) return false;
    const std::string content = der.substr(i, length);
    i += length;
    if (tag == 0x06 && oid->empty()) {
      std::vector<unsigned long long> values;
      unsigned long long value = 0;
      for (size_t k = 0; k < content.size(); ++k) {
        const unsigned char c = static_cast<unsigned char>(content[k]);
        if (value > 0xFFFFFFFFULL) return false;
        value = (value << 7) | (c & 0x7F);
        if (c & 0x80) continue;
        values.push_back(value);
        value = 0;
      }
      if (values.empty() || values.size() > kMostArcs ||
          (static_cast<unsigned char>(content.back()) & 0x80))
        return false;
      const unsigned long long head = values[0], first = head < 40 ? 0 : head < 80 ? 1 : 2;
      *oid = std::to_string(first) + "." + std::to_string(head - 40 * first);
      for (size_t k = 1; k < values.size(); ++k) *oid += "." + std::to_string(values[k]);
    } else if (tag == 0x02 && *classification < 0) {
      if (content.empty() || content.size() > 2 || (static_cast<unsigned char>(content[0]) & 0x80)) return false;
      int number = 0;
      for (char c : content) number = (number << 8) | static_cast<unsigned char>(c);
      *classification = number;
    }
  }
  return !oid->empty();
}

namespace {

LabelReading SioLevel(const ClassificationSettings& s, std::string_view headers) {
  LabelReading r;
  r.source = "The SIO-Label field";
  const std::vector<std::string> fields = Fields(headers, "sio-label:");
  if (fields.empty()) return r;
  if (fields.size() > 1) {
    r.note = "The message carries " + std::to_string(fields.size()) + " SIO-Label fields, where one is allowed: none is read";
    return r;
  }
  std::map<std::string, std::string> p;
  if (!ParseParameters(fields[0], &p)) {
    r.note = "The SIO-Label field does not parse: it gives no level";
    return r;
  }
  const auto type = p.find("type"), label = p.find("label"), marking = p.find("marking");
  if ((type == p.end()) != (label == p.end())) {
    r.note = "The SIO-Label field has a type without a label or a label without a type: it gives no level";
    return r;
  }
  if (type != p.end() && type->second == ":ess") {
    std::string der, oid;
    int number = -1;
    if (!DecodeBase64(label->second, &der) || !ParseEssLabel(der, &oid, &number)) {
      r.note = "The SIO-Label field's ESS label does not parse: it gives no level";
    } else if (s.LabelPolicyOid.empty() || oid != s.LabelPolicyOid) {
      r.note = "The SIO-Label field's ESS label is of the policy " + oid + ", not this one's: it gives no level";
    } else if (number < 0) {
      r.note = "The SIO-Label field's ESS label has no classification: it gives no level";
    } else {
      r.level = HighestLevel(s, [&](int level) { return EssClassificationOf(s, level) == number; });
      if (!r.level) r.note = "The SIO-Label field's classification " + std::to_string(number) + " is no level of the policy";
    }
    return r;
  }
  if (type != p.end() && type->second == ":xml") {
    std::string xml, policy, classification;
    LabelXmlResult read = LabelXmlResult::NotXml;
    if (DecodeBase64(label->second, &xml)) read = ReadConfidentialityLabel(xml, &policy, &classification);
    if (read == LabelXmlResult::HasDtd) {
      r.note = "The SIO-Label field's XML label carries a DTD, which is refused: it gives no level";
    } else if (read == LabelXmlResult::NotLabel) {
      r.note = "The SIO-Label field's XML label is no ADatP-4774 confidentiality label: it gives no level";
    } else if (read != LabelXmlResult::Read) {
      r.note = "The SIO-Label field's XML label does not parse: it gives no level";
    } else if (policy != s.LabelPolicyIdentifier) {
      r.note = "The SIO-Label field's label is of the policy '" + policy + "', not this one's: it gives no level";
    } else {
      r.level = HighestLevel(s, [&](int level) { return ClassificationOf(s, level) == classification; });
      if (!r.level) r.note = "The SIO-Label field's classification '" + classification + "' is no level of the policy";
    }
    return r;
  }
  // No label, or one of a type the add-in does not know: the display marking speaks for it.
  if (marking == p.end()) return r;
  r.level = HighestLevel(s, [&](int level) { return MarkingOf(s, level) == marking->second; });
  if (!r.level) r.note = "The SIO-Label marking '" + marking->second + "' is none of the policy's: it gives no level";
  return r;
}

// A partner's label: its GUID named in PartnerLabels, set and enabled in the field's
// MSIP_Label_<GUID>_Enabled=True. Labels of other tenants are theirs, not ours to read.
LabelReading MsipLevel(const ClassificationSettings& s, std::string_view headers) {
  LabelReading r;
  r.source = "The msip_labels field";
  const std::vector<std::string> fields = Fields(headers, "msip_labels:");
  if (fields.empty()) return r;
  if (fields.size() > 1 || fields[0].size() > kLongestField) {
    r.note = "The msip_labels field is given more than once or is too long: it gives no level";
    return r;
  }
  std::map<std::string, std::string> values;
  std::vector<std::string> pairs;
  SplitList(fields[0].c_str(), pairs, ";");
  for (const std::string& pair : pairs) {
    const size_t equals = pair.find('=');
    if (equals == std::string::npos) continue;
    values.emplace(Trimmed(LowerCopy(pair.substr(0, equals))), Trimmed(pair.substr(equals + 1)));
  }
  bool named = false;
  for (const auto& partner : s.PartnerLabels) {
    const std::string &guid = partner.first, &levelName = partner.second;
    const auto enabled = values.find("msip_label_" + guid + "_enabled");
    if (enabled == values.end()) continue;
    named = true;
    if (LowerCopy(enabled->second) != "true") {
      r.note = "The msip_labels field's label " + guid + " is not enabled: it gives no level";
      continue;
    }
    const int level = HighestLevel(s, [&](int n) { return s.LevelName(n) == levelName; });
    if (!level) r.note = "The partner label " + guid + " names '" + levelName + "', no level of the policy";
    if (level > r.level) r.level = level;
  }
  if (!named) r.note = "The msip_labels field holds no label of a partner named in PartnerLabels: it gives no level";
  if (r.level) r.note.clear();
  return r;
}

}  // namespace

LabelReading LevelFromLabels(const ClassificationSettings& s, std::string_view headers) {
  LabelReading sio, msip;
  if (s.StandardLabel != StandardLabelKind::None) sio = SioLevel(s, headers);
  if (!s.PartnerLabels.empty()) msip = MsipLevel(s, headers);
  LabelReading r = msip.level > sio.level ? msip : sio;
  const LabelReading& other = msip.level > sio.level ? sio : msip;
  if (!other.note.empty()) r.note += (r.note.empty() ? "" : "; ") + other.note;
  if (sio.level && msip.level && sio.level != msip.level)
    r.note += (r.note.empty() ? "" : "; ") + std::string("The SIO-Label field gives level ") + std::to_string(sio.level) +
              ", the msip_labels field " + std::to_string(msip.level) + ": " + std::to_string(r.level) + ", the higher";
  return r;
}

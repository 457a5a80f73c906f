#include "sim/transport.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>
#include "com/text.h"

namespace sim {

namespace {

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Unbase64(const std::string& in) {
  std::string out;
  unsigned n = 0;
  int bits = 0;
  for (char c : in) {
    const char* p = std::strchr(kBase64, c);
    if (!p || !c) continue;
    n = (n << 6) | unsigned(p - kBase64);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += char((n >> bits) & 0xFF);
    }
  }
  return out;
}

bool Ascii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80 || c == '\r' || c == '\n') return false;
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower((unsigned char)c));
  return s;
}

// A field folded as Outlook's transport folds one: before the last blank that keeps a line
// within 78 characters (a line without one stays long, up to RFC 5322's 998).
std::string Folded(const std::string& field) {
  std::string out;
  size_t start = 0;
  while (field.size() - start > 78) {
    size_t cut = field.rfind(' ', start + 78);
    if (cut == std::string::npos || cut <= start) cut = field.find(' ', start + 1);
    if (cut == std::string::npos) break;
    out += field.substr(start, cut - start) + "\r\n";
    start = cut;  // the blank begins the next line
  }
  return out + field.substr(start);
}

// A header field: its value as it is when it is plain ASCII, else as RFC 2047 encoded
// words of UTF-8, each whole characters, folded so that no line passes 76 characters.
std::string HeaderField(const std::string& name, const std::string& utf8) {
  if (Ascii(utf8)) return Folded(name + ": " + utf8);
  std::string out = name + ":";
  size_t line = out.size();
  for (size_t i = 0; i < utf8.size();) {
    if (i > 0) {
      out += "\r\n";
      line = 0;
    }
    // A blank, "=?utf-8?B?" and "?=" take 13 characters; base64 turns 3 bytes into 4.
    const size_t room = 76 - line - 13;
    size_t take = std::min(room / 4 * 3, utf8.size() - i);
    // Never cut a character: back up to the start of a UTF-8 sequence.
    while (take > 0 && i + take < utf8.size() && (static_cast<unsigned char>(utf8[i + take]) & 0xC0) == 0x80) --take;
    if (take == 0) take = 1;  // not UTF-8 at all: any cut will do
    const std::string word = "=?utf-8?B?" + Base64(utf8.substr(i, take)) + "?=";
    out += " " + word;
    line += 1 + word.size();
    i += take;
  }
  return out;
}

std::string Latin1ToUtf8(const std::string& bytes) {
  std::basic_string<OLECHAR> w;
  for (unsigned char c : bytes) w += OLECHAR(c);
  return Utf8(w.data(), w.size());
}

// One encoded word's text ("B" or "Q" encoding), as UTF-8; false when its charset is one
// the simulator does not read.
bool DecodeWord(const std::string& charset, const std::string& encoding, const std::string& text, std::string* out) {
  std::string bytes;
  if (encoding == "b") {
    bytes = Unbase64(text);
  } else if (encoding == "q") {
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '_') {
        bytes += ' ';
      } else if (text[i] == '=' && i + 2 < text.size() && std::isxdigit((unsigned char)text[i + 1]) &&
                 std::isxdigit((unsigned char)text[i + 2])) {
        bytes += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        bytes += text[i];
      }
    }
  } else {
    return false;
  }
  if (charset == "utf-8" || charset == "us-ascii") *out = bytes;
  else if (charset == "iso-8859-1") *out = Latin1ToUtf8(bytes);
  else return false;
  return true;
}

// A header value with its RFC 2047 encoded words decoded; the blanks between two encoded
// words are no part of the text.
std::string DecodeWords(const std::string& value) {
  std::string out;
  bool afterWord = false;
  size_t i = 0;
  while (i < value.size()) {
    size_t start = value.find("=?", i);
    size_t q1 = start == std::string::npos ? start : value.find('?', start + 2);
    size_t q2 = q1 == std::string::npos ? q1 : value.find('?', q1 + 1);
    size_t end = q2 == std::string::npos ? q2 : value.find("?=", q2 + 1);
    if (end == std::string::npos) break;
    std::string between = value.substr(i, start - i), decoded;
    const bool blanks = between.find_first_not_of(" \t") == std::string::npos;
    if (!DecodeWord(Lower(value.substr(start + 2, q1 - start - 2)), Lower(value.substr(q1 + 1, q2 - q1 - 1)),
                    value.substr(q2 + 1, end - q2 - 1), &decoded)) {
      out += between + value.substr(start, end + 2 - start);
      afterWord = false;
    } else {
      if (!(afterWord && blanks)) out += between;
      out += decoded;
      afterWord = true;
    }
    i = end + 2;
  }
  return out + value.substr(i);
}

std::string CrLf(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

std::string WriteEml(const MailItem& item) {
  std::ostringstream out;
  out << "From: sender@orvan.example\r\n";
  // The fixed recipient of a message the script gave none.
  const std::string to = item.recipients->Header(1), cc = item.recipients->Header(2);
  out << "To: " << (to.empty() && cc.empty() ? "recipient@orvan.example" : to) << "\r\n";
  if (!cc.empty()) out << "Cc: " << cc << "\r\n";
  out << HeaderField("Subject", item.Subject()) << "\r\n";
  out << "Date: Tue, 08 Dec 2026 12:00:00 +0000\r\n";
  out << "Message-ID: <message-" << item.number << "@sim.orvan.example>\r\n";
  out << "MIME-Version: 1.0\r\n";
  if (item.itemClass >= 53 && item.itemClass <= 57) out << "Content-Class: urn:content-classes:calendarmessage\r\n";
  for (const auto& [name, value] : item.message->InternetHeaders())
    out << HeaderField(name, value) << "\r\n";
  out << "Content-Type: " << (item.bodyFormat == 1 || !item.IsMail() ? "text/plain" : "text/html") << "; charset=utf-8\r\n";
  out << "Content-Transfer-Encoding: 8bit\r\n";
  out << "\r\n";
  out << CrLf(item.SentBody());
  return out.str();
}

MailItem* ReadEml(World& world, const std::string& text, std::string* error) {
  size_t split = text.find("\r\n\r\n");
  size_t bodyStart = split == std::string::npos ? split : split + 4;
  if (split == std::string::npos) {
    split = text.find("\n\n");
    bodyStart = split == std::string::npos ? split : split + 2;
  }
  if (split == std::string::npos || text.find(':') > split) {
    if (error) *error = "no header block followed by a blank line";
    return nullptr;
  }
  std::string headers = text.substr(0, split + 2);
  std::string subject, contentType, contentClass;
  std::istringstream lines(headers);
  std::string line, field, value;
  auto take = [&] {
    if (field == "subject") subject = DecodeWords(value);
    if (field == "content-type") contentType = Lower(value);
    if (field == "content-class") contentClass = Lower(value);
  };
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line[0] == ' ' || line[0] == '\t') {  // folded continuation
      value += line;
      continue;
    }
    take();
    size_t colon = line.find(':');
    field = Lower(line.substr(0, colon));
    value = colon == std::string::npos ? "" : line.substr(colon + 1);
    while (!value.empty() && value[0] == ' ') value.erase(0, 1);
  }
  take();
  // A meeting request arrives as one; its body is its text.
  const bool meeting = contentClass.find("calendarmessage") != std::string::npos;
  MailItem* item = world.Make<MailItem>(meeting ? 53L : 43L);
  std::string body = text.substr(bodyStart);
  std::basic_string<OLECHAR> wideSubject = Wide(subject), wideBody = Wide(body);
  item->subject = wideSubject;
  if (meeting) {
    item->body = wideBody;
  } else if (contentType.find("text/html") != std::string::npos) {
    item->bodyFormat = 2;
    item->htmlBody = wideBody;
  } else {
    item->bodyFormat = 1;
    item->body = wideBody;
  }
  item->message->SetString8(0x007D, headers);  // PR_TRANSPORT_MESSAGE_HEADERS_A
  item->message->readOnly = true;
  item->sent = true;
  item->received = true;
  return item;
}

}  // namespace sim

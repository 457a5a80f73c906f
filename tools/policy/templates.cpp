#include "templates.h"

#include <iconv.h>
#include <libxml/xmlwriter.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace policy_templates {

namespace {

const char kNamespace[] = "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions";
const char kKey[] = "SOFTWARE\\Policies\\Orvan\\Classify";

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream fields(text);
  for (std::string part; std::getline(fields, part, separator);) parts.push_back(Trim(part));
  return parts;
}

// French puts a non-breaking space before its high punctuation and inside its quotes.
std::string FrenchSpacing(std::string text) {
  static const std::pair<const char*, const char*> kPairs[] = {
      {" :", "\u00a0:"}, {" ;", "\u00a0;"}, {" ?", "\u00a0?"}, {" !", "\u00a0!"}, {"« ", "«\u00a0"}, {" »", "\u00a0»"}};
  for (const auto& [from, to] : kPairs)
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + std::string(to).size()))
      text.replace(at, std::string(from).size(), to);
  return text;
}

// The texts every language file has beside the settings' own.
struct Fixed {
  const char* category;
  const char* explain;
  const char* supported;
  const char* description;
  const char* registry;  // before the value's name, then " under " ... as below
  const char* under;
  const char* builtIn;
  const char* none;
  const char* colon;
};
const Fixed& FixedTexts(const std::string& language) {
  static const Fixed kEnglish{
      "Orvan Classify",
      "The classification add-in for Outlook. A setting here overrides what the add-in was built with; a computer "
      "setting overrides the same user setting. A value of the wrong kind is ignored and reported in the Application "
      "event log (source Orvan Classify).",
      "Outlook 2010 and later, with the Orvan Classify add-in",
      "Group Policy settings of the Orvan Classify add-in for Outlook.",
      " Registry value ", " under ", ". Built-in value: ", "(none)", ":"};
  static const Fixed kFrench{
      "Orvan Classify",
      "Le complément de classification pour Outlook. Un paramètre défini ici remplace ce avec quoi le complément a "
      "été construit\u00a0; un paramètre de l’ordinateur remplace le même paramètre de l’utilisateur. Une valeur du "
      "mauvais type est ignorée et signalée dans le journal des applications (source Orvan Classify).",
      "Outlook 2010 et versions ultérieures, avec le complément Orvan Classify",
      "Paramètres de stratégie de groupe du complément Orvan Classify pour Outlook.",
      " Valeur de registre ", " sous ", ". Valeur intégrée\u00a0: ", "(aucune)", "\u00a0:"};
  static const Fixed kGerman{
      "Orvan Classify",
      "Das Klassifizierungs-Add-In für Outlook. Eine Einstellung hier überschreibt, womit das Add-In erstellt wurde; "
      "eine Computereinstellung überschreibt dieselbe Benutzereinstellung. Ein Wert der falschen Art wird ignoriert "
      "und im Anwendungsprotokoll gemeldet (Quelle Orvan Classify).",
      "Outlook 2010 und höher, mit dem Add-In Orvan Classify",
      "Gruppenrichtlinieneinstellungen des Add-Ins Orvan Classify für Outlook.",
      " Registrierungswert ", " unter ", ". Eingebauter Wert: ", "(keiner)", ":"};
  return language == "fr" ? kFrench : language == "de" ? kGerman : kEnglish;
}

// An option's title, explanation and choice labels in a language (English: its own).
Option::Translation TextsOf(const Option& o, const std::string& language) {
  const auto found = o.translations.find(language);
  if (found != o.translations.end()) return found->second;
  Option::Translation english{o.title, o.explanation, {}};
  for (const Choice& c : o.choices) english.choices.push_back(c.label);
  return english;
}

}  // namespace

const TemplateLanguage kTemplateLanguages[3] = {{"en-US", ""}, {"fr-FR", "fr"}, {"de-DE", "de"}};

bool ReadOptions(const std::string& path, std::vector<Option>* out) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  Option pending;
  bool have = false;
  auto complete = [&](const Option& o) {
    for (const TemplateLanguage& l : kTemplateLanguages) {
      if (!*l.code) continue;
      const auto t = o.translations.find(l.code);
      if (t == o.translations.end() || (!o.choices.empty() && t->second.choices.size() != o.choices.size())) {
        std::cerr << "orvan-admx: " << path << ": " << o.name << " needs a '#@" << l.code
                  << " Title | Explanation" << (o.choices.empty() ? "" : " | Choice; ...") << "' line, one label for each choice\n";
        return false;
      }
    }
    return true;
  };
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (have && (line.rfind("#@fr ", 0) == 0 || line.rfind("#@de ", 0) == 0)) {
      const std::string code = line.substr(2, 2);
      std::vector<std::string> parts = Split(line.substr(5), '|');
      if (parts.size() < 2 || parts.size() > 3) {
        std::cerr << "orvan-admx: " << path << ": expected '#@" << code << " Title | Explanation [| Choices]': " << line << "\n";
        return false;
      }
      Option::Translation& t = pending.translations[code];
      t.title = code == "fr" ? FrenchSpacing(parts[0]) : parts[0];
      t.explanation = code == "fr" ? FrenchSpacing(parts[1]) : parts[1];
      if (parts.size() == 3) t.choices = Split(parts[2], ';');
      continue;
    }
    if (line.rfind("#@ ", 0) == 0) {
      std::vector<std::string> parts;
      std::stringstream fields(line.substr(3));
      for (std::string part; std::getline(fields, part, '|');) parts.push_back(Trim(part));
      if (parts.size() < 3 || parts.size() > 4 || (parts.size() == 4 && parts[3].rfind("refused:", 0) != 0)) {
        std::cerr << "orvan-admx: " << path << ": expected '#@ NAME KIND | Title | Explanation [| refused: VALUE]': "
                  << line << "\n";
        return false;
      }
      pending = Option();
      std::stringstream head(parts[0]);
      head >> pending.name >> pending.kind;
      std::string rest;
      std::getline(head, rest);
      rest = Trim(rest);
      // A level's number is a number to the templates; the add-in checks it against the levels.
      if (pending.kind == "level") pending.kind = "number";
      if (pending.kind == "number") {
        std::stringstream range(rest);
        range >> pending.low >> pending.high;
      } else if (pending.kind == "choice" || pending.kind == "pick") {
        std::stringstream list(rest);
        for (std::string item; std::getline(list, item, ',');) {
          const size_t eq = item.find('=');
          pending.choices.push_back({item.substr(0, eq), item.substr(eq + 1)});
        }
      }
      pending.title = parts[1];
      pending.explanation = parts[2];
      have = true;
      continue;
    }
    const size_t eq = line.find('=');
    if (have && !line.empty() && line[0] != '#' && eq != std::string::npos) {
      pending.option = line.substr(0, eq);
      pending.defaultValue = line.substr(eq + 1);
      if (!complete(pending)) return false;
      out->push_back(pending);
      have = false;
    }
  }
  return true;
}

// ---- the templates

namespace {
class Writer {
 public:
  explicit Writer(const std::string& path) : w_(xmlNewTextWriterFilename(path.c_str(), 0)) {
    if (!w_) return;
    xmlTextWriterSetIndent(w_, 1);
    xmlTextWriterSetIndentString(w_, BAD_CAST "  ");
    xmlTextWriterStartDocument(w_, "1.0", "utf-8", nullptr);
  }
  ~Writer() {
    if (!w_) return;
    xmlTextWriterEndDocument(w_);
    xmlFreeTextWriter(w_);
  }
  bool ok() const { return w_ != nullptr; }
  void Open(const char* name) { xmlTextWriterStartElement(w_, BAD_CAST name); }
  void Close() { xmlTextWriterEndElement(w_); }
  void Attr(const char* name, const std::string& value) {
    xmlTextWriterWriteAttribute(w_, BAD_CAST name, BAD_CAST value.c_str());
  }
  void Text(const std::string& text) { xmlTextWriterWriteString(w_, BAD_CAST text.c_str()); }
  void Leaf(const char* name, const std::string& text) {
    xmlTextWriterWriteElement(w_, BAD_CAST name, BAD_CAST text.c_str());
  }

 private:
  xmlTextWriterPtr w_;
};

std::string Ref(const std::string& table, const std::string& id) { return "$(" + table + "." + id + ")"; }
}  // namespace

namespace {

// What every ADMX file opens with: the namespace, the Office versions, the category.
void WriteAdmxHead(Writer& w) {
  w.Open("policyNamespaces");
  w.Open("target");
  w.Attr("prefix", "orvan");
  w.Attr("namespace", "Orvan.Policies.Classify");
  w.Close();
  w.Close();
  w.Open("resources");
  w.Attr("minRequiredRevision", "1.0");
  w.Close();
  w.Open("supportedOn");
  w.Open("definitions");
  w.Open("definition");
  w.Attr("name", "SUPPORTED_Outlook2010");
  w.Attr("displayName", Ref("string", "SUPPORTED_Outlook2010"));
  w.Close();
  w.Close();
  w.Close();
  w.Open("categories");
  w.Open("category");
  w.Attr("name", "OrvanClassify");
  w.Attr("displayName", Ref("string", "OrvanClassify"));
  w.Attr("explainText", Ref("string", "OrvanClassify_Explain"));
  w.Close();
  w.Close();
}

// The registry value of one setting, as the element of its kind.
void WriteAdmxElement(Writer& w, const Option& o) {
  auto value = [&](const char* element) {
    w.Open(element);
    w.Attr("id", o.name);
    w.Attr("valueName", o.name);
  };
  auto decimal = [&](const std::string& v) {
    w.Open("decimal");
    w.Attr("value", v);
    w.Close();
  };
  if (o.kind == "flag") {
    value("boolean");
    w.Open("trueValue");
    decimal("1");
    w.Close();
    w.Open("falseValue");
    decimal("0");
    w.Close();
  } else if (o.kind == "number") {
    value("decimal");
    w.Attr("required", "true");
    w.Attr("minValue", std::to_string(o.low));
    w.Attr("maxValue", std::to_string(o.high));
  } else if (o.kind == "choice" || o.kind == "pick") {
    value("enum");
    w.Attr("required", "true");
    for (size_t i = 0; i < o.choices.size(); ++i) {
      w.Open("item");
      w.Attr("displayName", Ref("string", o.name + "_" + std::to_string(i)));
      w.Open("value");
      if (o.kind == "choice") decimal(o.choices[i].value);
      else w.Leaf("string", o.choices[i].value);
      w.Close();
      w.Close();
    }
  } else {
    value("text");
    w.Attr("required", "true");
    w.Attr("maxLength", "1023");
  }
  w.Close();
}

void WriteAdmxPolicy(Writer& w, const Option& o) {
  w.Open("policy");
  w.Attr("name", o.name);
  w.Attr("class", "Both");
  w.Attr("displayName", Ref("string", o.name));
  w.Attr("explainText", Ref("string", o.name + "_Explain"));
  w.Attr("presentation", Ref("presentation", o.name));
  w.Attr("key", kKey);
  w.Open("parentCategory");
  w.Attr("ref", "OrvanClassify");
  w.Close();
  w.Open("supportedOn");
  w.Attr("ref", "SUPPORTED_Outlook2010");
  w.Close();
  w.Open("elements");
  WriteAdmxElement(w, o);
  w.Close();
  w.Close();
}

// The texts of the category and of every setting, its title, explanation and choices.
void WriteAdmlStrings(Writer& w, const std::vector<Option>& options, const std::string& language) {
  auto str = [&](const std::string& id, const std::string& text) {
    w.Open("string");
    w.Attr("id", id);
    w.Text(text);
    w.Close();
  };
  const Fixed& fixed = FixedTexts(language);
  str("OrvanClassify", fixed.category);
  str("OrvanClassify_Explain", fixed.explain);
  str("SUPPORTED_Outlook2010", fixed.supported);
  for (const Option& o : options) {
    const Option::Translation t = TextsOf(o, language);
    str(o.name, t.title);
    str(o.name + "_Explain", t.explanation + fixed.registry + o.name + fixed.under + kKey + fixed.builtIn +
                                 (o.defaultValue.empty() ? fixed.none : o.defaultValue) + ".");
    for (size_t i = 0; i < o.choices.size(); ++i) str(o.name + "_" + std::to_string(i), t.choices[i]);
  }
}

// How the editor shows one setting: the control of its kind, preset to the built-in value.
void WriteAdmlPresentation(Writer& w, const Option& o, const std::string& language) {
  const std::string title = TextsOf(o, language).title, label = title + FixedTexts(language).colon;
  w.Open("presentation");
  w.Attr("id", o.name);
  if (o.kind == "flag") {
    w.Open("checkBox");
    w.Attr("refId", o.name);
    w.Attr("defaultChecked", o.defaultValue == "ON" ? "true" : "false");
    w.Text(title);
  } else if (o.kind == "number") {
    w.Open("decimalTextBox");
    w.Attr("refId", o.name);
    w.Attr("defaultValue", o.defaultValue.empty() ? "0" : o.defaultValue);
    w.Text(label);
  } else if (o.kind == "choice" || o.kind == "pick") {
    w.Open("dropdownList");
    w.Attr("refId", o.name);
    w.Attr("noSort", "true");
    for (size_t i = 0; i < o.choices.size(); ++i)
      if (o.choices[i].value == o.defaultValue) w.Attr("defaultItem", std::to_string(i));
    w.Text(label);
  } else {
    w.Open("textBox");
    w.Attr("refId", o.name);
    w.Leaf("label", label);
    w.Leaf("defaultValue", o.defaultValue);
  }
  w.Close();
  w.Close();
}

// The root element of either template, in Group Policy's namespace.
void OpenRoot(Writer& w, const char* name) {
  w.Open(name);
  w.Attr("xmlns", kNamespace);
  w.Attr("revision", "1.0");
  w.Attr("schemaVersion", "1.0");
}

}  // namespace

bool WriteAdmx(const std::vector<Option>& options, const std::string& path) {
  Writer w(path);
  if (!w.ok()) return false;
  OpenRoot(w, "policyDefinitions");
  WriteAdmxHead(w);
  w.Open("policies");
  for (const Option& o : options) WriteAdmxPolicy(w, o);
  w.Close();
  w.Close();
  return true;
}

bool WriteAdml(const std::vector<Option>& options, const std::string& path, const std::string& language) {
  Writer w(path);
  if (!w.ok()) return false;
  OpenRoot(w, "policyDefinitionResources");
  w.Leaf("displayName", FixedTexts(language).category);
  w.Leaf("description", FixedTexts(language).description);
  w.Open("resources");
  w.Open("stringTable");
  WriteAdmlStrings(w, options, language);
  w.Close();
  w.Open("presentationTable");
  for (const Option& o : options) WriteAdmlPresentation(w, o, language);
  w.Close();
  w.Close();
  w.Close();
  return true;
}

// ---- a registry file of a policy file's values

namespace {
bool Ascii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

// A string value of a REGEDIT4 file, which is ANSI text: ASCII as it is, any other text as
// regedit writes it, hex(1) with its UTF-16 bytes and terminator.
std::string RegString(const std::string& utf8) {
  if (Ascii(utf8)) {
    std::string out = "\"";
    for (char c : utf8) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out + "\"";
  }
  std::string utf16(utf8.size() * 4 + 4, '\0');
  iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
  char* in = const_cast<char*>(utf8.data());
  char* out = &utf16[0];
  size_t inLeft = utf8.size(), outLeft = utf16.size();
  if (cd == iconv_t(-1) || iconv(cd, &in, &inLeft, &out, &outLeft) == size_t(-1)) outLeft = utf16.size();
  if (cd != iconv_t(-1)) iconv_close(cd);
  utf16.resize(utf16.size() - outLeft);
  utf16 += std::string(2, '\0');
  std::string hex = "hex(1):";
  for (size_t i = 0; i < utf16.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02x", unsigned(static_cast<unsigned char>(utf16[i])));
    hex += (i ? "," : "") + std::string(byte);
  }
  return hex;
}
}  // namespace

int WriteReg(const std::vector<Option>& options, const std::string& policyPath, bool user, std::ostream& out) {
  std::ifstream in(policyPath);
  if (!in) {
    std::cerr << "orvan-admx: cannot read '" << policyPath << "'\n";
    return 2;
  }
  std::map<std::string, const Option*> byOption;
  for (const Option& o : options) byOption[o.option] = &o;
 out << "REGEDIT4\n\n[" << (user ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\") << kKey << "]\n";
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string name = line.substr(0, eq), value = line.substr(eq + 1);
    auto it = byOption.find(name);
    if (it == byOption.end()) {
      std::cerr << "orvan-admx: " << name << " is no Group Policy setting: it is left out\n";
      continue;
    }
    const Option& o = *it->second;
    out << RegString(o.name) << "=";
    if (o.kind == "flag") {
      const bool on = value == "ON" || value == "on" || value == "TRUE" || value == "true" || value == "YES" ||
                      value == "yes" || value == "1";
      out << (on ? "dword:00000001" : "dword:00000000") << "\n";
    } else if (o.kind == "number" || o.kind == "choice") {
      char hex[16];
      std::snprintf(hex, sizeof hex, "%08lx", std::strtoul(value.c_str(), nullptr, 10));
      out << "dword:" << hex << "\n";
    } else {
      out << RegString(value) << "\n";
    }
  }
  return 0;
}

}  // namespace policy_templates

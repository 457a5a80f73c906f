#include "portable/registry.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <vector>
#include "platform/unique_handle.h"
#include "portable/system.h"

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

// A string value is kept as UTF-8, whole, as Windows keeps it as UTF-16: the A functions
// convert from and to the ANSI code page, the W functions from and to UTF-16.
struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

std::string Convert(UINT from, UINT to, const std::string& text) {
  if (text.empty()) return text;
  const int n = MultiByteToWideChar(from, 0, text.data(), int(text.size()), nullptr, 0);
  if (n <= 0) return std::string();
  std::u16string wide(size_t(n), u'\0');
  MultiByteToWideChar(from, 0, text.data(), int(text.size()), wide.data(), n);
  const int m = WideCharToMultiByte(to, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(size_t(m > 0 ? m : 0), '\0');
  if (m > 0) WideCharToMultiByte(to, 0, wide.data(), n, &out[0], m, nullptr, nullptr);
  return out;
}

std::string Utf8OfWide(const std::u16string& wide) {
  if (wide.empty()) return std::string();
  const int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(m > 0 ? m : 0), '\0');
  if (m > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), &out[0], m, nullptr, nullptr);
  return out;
}

std::u16string WideOfUtf8(const std::string& text) {
  if (text.empty()) return std::u16string();
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::u16string out(size_t(n > 0 ? n : 0), u'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n);
  return out;
}

// The bytes up to the first terminator (or all of them).
std::string UpToZero(const BYTE* data, size_t size) {
  size_t n = 0;
  while (n < size && data[n]) ++n;
  return std::string(reinterpret_cast<const char*>(data), n);
}

struct Node {
  std::string name;
  std::map<std::string, std::unique_ptr<Node>> children;  // by lower-case name
  std::map<std::string, Value> values;                    // by lower-case name; "" is the default
  std::vector<Node*> Ordered() const {
    std::vector<Node*> out;
    for (auto& [k, v] : children) out.push_back(v.get());
    return out;
  }
};

struct Root {
  HKEY handle;
  const char* name;
  Node node;
  bool readOnly = false;
};

Root g_roots[] = {{HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", {}, false},
                  {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", {}, false},
                  {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", {}, false}};

}  // namespace

// An open key: its root and path; resolved on every call, so a deleted key is noticed.
struct HKEY__ {
  Root* root;
  std::vector<std::string> path;
};

namespace {

Root* RootOf(HKEY key) {
  for (Root& r : g_roots)
    if (r.handle == key) return &r;
  return nullptr;
}

std::vector<std::string> SplitPath(const char* subKey) {
  std::vector<std::string> parts;
  std::string cur;
  for (const char* p = subKey ? subKey : ""; *p; ++p) {
    if (*p == '\\') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += *p;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

// Resolves key (a root or an open handle) plus subKey into a root and a full path.
bool Locate(HKEY key, const char* subKey, Root** root, std::vector<std::string>* path) {
  if (Root* r = RootOf(key)) {
    *root = r;
    path->clear();
  } else if (key) {
    *root = key->root;
    *path = key->path;
  } else {
    return false;
  }
  for (auto& p : SplitPath(subKey)) path->push_back(p);
  return true;
}

Node* Find(Root* root, const std::vector<std::string>& path) {
  Node* n = &root->node;
  for (const auto& part : path) {
    auto it = n->children.find(Lower(part));
    if (it == n->children.end()) return nullptr;
    n = it->second.get();
  }
  return n;
}

HKEY NewHandle(Root* root, std::vector<std::string> path) { return new HKEY__{root, std::move(path)}; }

}  // namespace

// Like the real API, these answer an exhausted heap with an error code, never an exception.
#define REGISTRY_GUARD_BEGIN try {
#define REGISTRY_GUARD_END \
  }                        \
  catch (...) {            \
    return ERROR_OUTOFMEMORY; \
  }

namespace {
LSTATUS CreateKey(HKEY key, LPCSTR subKey, PHKEY result, LPDWORD disposition);
LSTATUS OpenKey(HKEY key, LPCSTR subKey, REGSAM sam, PHKEY result);
LSTATUS SetValue(HKEY key, LPCSTR valueName, DWORD type, const BYTE* data, DWORD cbData);
}  // namespace

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY result,
                        LPDWORD disposition) {
  if (result) *result = nullptr;
  REGISTRY_GUARD_BEGIN
  return CreateKey(key, subKey, result, disposition);
  REGISTRY_GUARD_END
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM sam, PHKEY result) {
  if (result) *result = nullptr;
  REGISTRY_GUARD_BEGIN
  return OpenKey(key, subKey, sam, result);
  REGISTRY_GUARD_END
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD cbData) {
  REGISTRY_GUARD_BEGIN
  return SetValue(key, valueName, type, data, cbData);
  REGISTRY_GUARD_END
}

namespace {
LSTATUS CreateKey(HKEY key, LPCSTR subKey, PHKEY result, LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  Root* root;
  std::vector<std::string> path;
  if (!Locate(key, subKey, &root, &path)) return ERROR_INVALID_HANDLE;
  if (!RootOf(key) && !Find(root, key->path)) return ERROR_INVALID_HANDLE;
  Node* n = &root->node;
  bool created = false;
  for (const auto& part : path) {
    auto& slot = n->children[Lower(part)];
    if (!slot) {
      if (root->readOnly) {
        n->children.erase(Lower(part));
        return ERROR_ACCESS_DENIED;
      }
      slot = std::make_unique<Node>();
      slot->name = part;
      created = true;
    }
    n = slot.get();
  }
  if (root->readOnly) return ERROR_ACCESS_DENIED;  // KEY_ALL_ACCESS / KEY_WRITE refused
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewHandle(root, path);
  return ERROR_SUCCESS;
}

LSTATUS OpenKey(HKEY key, LPCSTR subKey, REGSAM sam, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  Root* root;
  std::vector<std::string> path;
  if (!Locate(key, subKey, &root, &path)) return ERROR_INVALID_HANDLE;
  if (!Find(root, path)) return ERROR_FILE_NOT_FOUND;
  if (root->readOnly && (sam & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY))) return ERROR_ACCESS_DENIED;
  *result = NewHandle(root, path);
  return ERROR_SUCCESS;
}

LSTATUS SetValue(HKEY key, LPCSTR valueName, DWORD type, const BYTE* data, DWORD cbData) {
  if (!key || RootOf(key)) return ERROR_INVALID_HANDLE;
  Node* n = Find(key->root, key->path);
  if (!n) return ERROR_INVALID_HANDLE;
  if (key->root->readOnly) return ERROR_ACCESS_DENIED;
  if (type == REG_DWORD && cbData != 4) return ERROR_INVALID_PARAMETER;
  Value v;
  v.name = valueName ? valueName : "";
  v.type = type;
  if (type == REG_SZ) {
    const std::string utf8 = data ? Convert(CP_ACP, CP_UTF8, UpToZero(data, cbData)) : std::string();
    v.data.assign(utf8.begin(), utf8.end());
    v.data.push_back(0);
  } else if (data && cbData) {
    v.data.assign(data, data + cbData);
  }
  n->values[Lower(v.name)] = std::move(v);
  return ERROR_SUCCESS;
}

const Value* FindValue(HKEY key, const std::string& valueName, LSTATUS* status) {
  Root* root;
  std::vector<std::string> path;
  *status = ERROR_INVALID_HANDLE;
  if (!Locate(key, nullptr, &root, &path)) return nullptr;
  Node* n = Find(root, path);
  if (!n) return nullptr;
  auto it = n->values.find(Lower(valueName));
  *status = it == n->values.end() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
  return it == n->values.end() ? nullptr : &it->second;
}

// Hands out bytes as the Query functions do: the size always, the bytes when they fit.
LSTATUS HandOut(const std::vector<BYTE>& bytes, LPBYTE data, LPDWORD cbData) {
  if (!cbData) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  const DWORD size = DWORD(bytes.size());
  if (data) {
    if (*cbData < size) {
      *cbData = size;
      return ERROR_MORE_DATA;
    }
    std::copy(bytes.begin(), bytes.end(), data);
  }
  *cbData = size;
  return ERROR_SUCCESS;
}

std::string NameOf(LPCWSTR name) {
  std::u16string w;
  for (const WCHAR* p = name; p && *p; ++p) w += *p;
  return Utf8OfWide(w);
}
}  // namespace

LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD cbData) {
  REGISTRY_GUARD_BEGIN
  if (type != REG_SZ) return SetValue(key, NameOf(valueName).c_str(), type, data, cbData);
  std::u16string wide;
  for (DWORD i = 0; data && i + 1 < cbData; i += 2) {
    const char16_t c = char16_t(data[i] | (data[i + 1] << 8));
    if (!c) break;
    wide += c;
  }
  // Stored through the A path's store: the UTF-8 text, exact.
  const std::string name = NameOf(valueName), utf8 = Utf8OfWide(wide);
  LSTATUS s = SetValue(key, name.c_str(), REG_BINARY, reinterpret_cast<const BYTE*>(utf8.c_str()), DWORD(utf8.size() + 1));
  if (s != ERROR_SUCCESS) return s;
  Node* n = Find(key->root, key->path);
  n->values[Lower(name)].type = REG_SZ;
  return ERROR_SUCCESS;
  REGISTRY_GUARD_END
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD cbData) {
  REGISTRY_GUARD_BEGIN
  LSTATUS status;
  const Value* v = FindValue(key, NameOf(valueName), &status);
  if (!v) return status;
  if (type) *type = v->type;
  if (v->type != REG_SZ) return HandOut(v->data, data, cbData);
  const std::u16string wide = WideOfUtf8(UpToZero(v->data.data(), v->data.size()));
  std::vector<BYTE> bytes;
  for (char16_t c : wide) {
    bytes.push_back(BYTE(c & 0xFF));
    bytes.push_back(BYTE(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return HandOut(bytes, data, cbData);
  REGISTRY_GUARD_END
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD cbData) {
  REGISTRY_GUARD_BEGIN
  LSTATUS status;
  const Value* v = FindValue(key, valueName ? valueName : "", &status);
  if (!v) return status;
  if (type) *type = v->type;
  if (v->type != REG_SZ) return HandOut(v->data, data, cbData);
  const std::string ansi = Convert(CP_UTF8, CP_ACP, UpToZero(v->data.data(), v->data.size()));
  std::vector<BYTE> bytes(ansi.begin(), ansi.end());
  bytes.push_back(0);
  return HandOut(bytes, data, cbData);
  REGISTRY_GUARD_END
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD cchName, LPDWORD, LPSTR, LPDWORD, PFILETIME) {
  REGISTRY_GUARD_BEGIN
  Root* root;
  std::vector<std::string> path;
  if (!name || !cchName || !Locate(key, nullptr, &root, &path)) return ERROR_INVALID_PARAMETER;
  Node* n = Find(root, path);
  if (!n) return ERROR_INVALID_HANDLE;
  auto children = n->Ordered();
  if (index >= children.size()) return ERROR_NO_MORE_ITEMS;
  const std::string& child = children[index]->name;
  if (child.size() + 1 > *cchName) return ERROR_MORE_DATA;
  std::memcpy(name, child.c_str(), child.size() + 1);
  *cchName = DWORD(child.size());
  return ERROR_SUCCESS;
  REGISTRY_GUARD_END
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  REGISTRY_GUARD_BEGIN
  Root* root;
  std::vector<std::string> path;
  if (!Locate(key, subKey, &root, &path)) return ERROR_INVALID_HANDLE;
  if (path.empty()) return ERROR_ACCESS_DENIED;
  Node* n = Find(root, path);
  if (!n) return ERROR_FILE_NOT_FOUND;
  if (!n->children.empty()) return ERROR_ACCESS_DENIED;  // as Windows: subkeys first
  if (root->readOnly) return ERROR_ACCESS_DENIED;
  std::vector<std::string> parentPath(path.begin(), path.end() - 1);
  Find(root, parentPath)->children.erase(Lower(path.back()));
  return ERROR_SUCCESS;
  REGISTRY_GUARD_END
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) {
  REGISTRY_GUARD_BEGIN
  if (!key || RootOf(key)) return ERROR_INVALID_HANDLE;
  Node* n = Find(key->root, key->path);
  if (!n) return ERROR_INVALID_HANDLE;
  if (key->root->readOnly) return ERROR_ACCESS_DENIED;
  return n->values.erase(Lower(valueName ? valueName : "")) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  REGISTRY_GUARD_END
}

LSTATUS RegCloseKey(HKEY key) {
  if (!key || RootOf(key)) return ERROR_INVALID_HANDLE;
  delete key;
  return ERROR_SUCCESS;
}

namespace portable_registry {

void Clear() {
  for (Root& r : g_roots) {
    r.node.children.clear();
    r.node.values.clear();
    r.readOnly = false;
  }
}

void SetReadOnly(HKEY root, bool readOnly) {
  if (Root* r = RootOf(root)) r->readOnly = readOnly;
}

namespace {

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

void ExportNode(const Node& n, const std::string& path, std::ostringstream& out) {
  out << "[" << path << "]\n";
  for (const auto& [k, v] : n.values) {
    out << (v.name.empty() ? "@" : Quote(v.name)) << "=";
    if (v.type == REG_DWORD && v.data.size() == 4) {
      DWORD d;
      std::memcpy(&d, v.data.data(), 4);
      char hex[16];
      std::snprintf(hex, sizeof hex, "dword:%08x", unsigned(d));
      out << hex << "\n";
    } else if (v.type == REG_SZ && Convert(CP_ACP, CP_UTF8, Convert(CP_UTF8, CP_ACP, UpToZero(v.data.data(), v.data.size()))) ==
                                        UpToZero(v.data.data(), v.data.size())) {
      // A REGEDIT4 file is ANSI text: a string the code page holds is written as such.
      out << Quote(Convert(CP_UTF8, CP_ACP, UpToZero(v.data.data(), v.data.size()))) << "\n";
    } else if (v.type == REG_SZ) {
      // Any other string as regedit writes it: hex(1), its UTF-16 bytes with the terminator.
      const std::u16string wide = WideOfUtf8(UpToZero(v.data.data(), v.data.size())) + u'\0';
      out << "hex(1):";
      for (size_t i = 0; i < wide.size(); ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%s%02x,%02x", i ? "," : "", unsigned(wide[i] & 0xFF), unsigned(wide[i] >> 8));
        out << hex;
      }
      out << "\n";
    } else {
      out << "hex(" << v.type << "):";
      for (size_t i = 0; i < v.data.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", unsigned(v.data[i]));
        out << (i ? "," : "") << hex;
      }
      out << "\n";
    }
  }
  out << "\n";
  for (Node* child : n.Ordered()) ExportNode(*child, path + "\\" + child->name, out);
}

bool Unquote(const std::string& s, size_t* pos, std::string* out) {
  if (*pos >= s.size() || s[*pos] != '"') return false;
  out->clear();
  for (size_t i = *pos + 1; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      *out += s[++i];
    } else if (s[i] == '"') {
      *pos = i + 1;
      return true;
    } else {
      *out += s[i];
    }
  }
  return false;
}

}  // namespace

std::string Export() {
  std::ostringstream out;
  out << "REGEDIT4\n\n";
  for (const Root& r : g_roots)
    for (Node* child : r.node.Ordered()) ExportNode(*child, std::string(r.name) + "\\" + child->name, out);
  return out.str();
}

namespace {

// "[HKEY_CURRENT_USER\\Software\\...]": the key, created; why not, else empty.
std::string OpenKeyLine(const std::string& line, UniqueHkey* key) {
  key->reset();
  if (line.back() != ']') return "unterminated key name";
  const std::string full = line.substr(1, line.size() - 2);
  const size_t slash = full.find('\\');
  const std::string rootName = full.substr(0, slash);
  Root* root = nullptr;
  for (Root& r : g_roots)
    if (rootName == r.name) root = &r;
  if (!root) return "unknown root " + rootName;
  const std::string sub = slash == std::string::npos ? "" : full.substr(slash + 1);
  if (RegCreateKeyExA(root->handle, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key->put(), nullptr) !=
      ERROR_SUCCESS)
    return "cannot create key";
  return std::string();
}

// "hex(1):41,00,...": a string as UTF-16 bytes, what a REGEDIT4 file holds of text outside
// its code page.
bool HexBytes(const std::string& list, std::vector<BYTE>* bytes) {
  for (size_t p = 0; p < list.size();) {
    const size_t comma = list.find(',', p);
    const std::string hex = list.substr(p, comma == std::string::npos ? std::string::npos : comma - p);
    if (hex.size() != 2 || !std::isxdigit(static_cast<unsigned char>(hex[0])) ||
        !std::isxdigit(static_cast<unsigned char>(hex[1])))
      return false;
    bytes->push_back(BYTE(std::strtoul(hex.c_str(), nullptr, 16)));
    if (comma == std::string::npos) break;
    p = comma + 1;
  }
  return true;
}

// "name"=dword:..., "name"="text", "name"=hex(1):... or @=...: the value, set; why not,
// else empty.
std::string SetValueLine(HKEY key, const std::string& line) {
  size_t pos = 0;
  std::string name;
  if (line[0] == '@') pos = 1;
  else if (!Unquote(line, &pos, &name)) return "bad value name";
  if (pos >= line.size() || line[pos] != '=') return "expected =";
  const std::string rest = line.substr(pos + 1);
  if (rest.rfind("dword:", 0) == 0) {
    if (rest.size() != 14) return "bad dword";
    DWORD d = DWORD(std::strtoul(rest.c_str() + 6, nullptr, 16));
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&d), 4);
  } else if (!rest.empty() && rest[0] == '"') {
    std::string data;
    size_t p = 0;
    if (!Unquote(rest, &p, &data)) return "bad string";
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), DWORD(data.size() + 1));
  } else if (rest.rfind("hex(1):", 0) == 0) {
    std::vector<BYTE> bytes;
    if (!HexBytes(rest.substr(7), &bytes)) return "bad hex(1) byte";
    std::u16string wideName;
    for (char c : name) wideName += char16_t(static_cast<unsigned char>(c));
    RegSetValueExW(key, wideName.c_str(), 0, REG_SZ, bytes.data(), DWORD(bytes.size()));
  } else {
    return "unsupported value type";
  }
  return std::string();
}

}  // namespace

bool Import(const std::string& text, std::string* error) {
  std::istringstream in(text);
  std::string line;
  int number = 0;
  UniqueHkey current;
  auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(number) + ": " + why;
    return false;
  };
  bool sawHeader = false;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (!sawHeader) {
      if (line != "REGEDIT4") return fail("expected REGEDIT4");
      sawHeader = true;
      continue;
    }
    const std::string why = line[0] == '[' ? OpenKeyLine(line, &current)
                            : current      ? SetValueLine(current.get(), line)
                                           : "value outside a key";
    if (!why.empty()) return fail(why);
  }
  if (!sawHeader && number > 0) return fail("expected REGEDIT4");
  return true;
}

bool LoadFile(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  Clear();
  return Import(text.str(), error);
}

bool SaveFile(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << Export();
  return bool(out);
}

}  // namespace portable_registry

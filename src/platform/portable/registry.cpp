#include "platform/portable/registry.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

struct Value {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

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
  if (data && cbData) v.data.assign(data, data + cbData);
  n->values[Lower(v.name)] = std::move(v);
  return ERROR_SUCCESS;
}
}  // namespace

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD cbData) {
  REGISTRY_GUARD_BEGIN
  Root* root;
  std::vector<std::string> path;
  if (!Locate(key, nullptr, &root, &path)) return ERROR_INVALID_HANDLE;
  Node* n = Find(root, path);
  if (!n) return ERROR_INVALID_HANDLE;
  auto it = n->values.find(Lower(valueName ? valueName : ""));
  if (it == n->values.end()) return ERROR_FILE_NOT_FOUND;
  const Value& v = it->second;
  if (type) *type = v.type;
  if (!cbData) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  DWORD size = DWORD(v.data.size());
  if (data) {
    if (*cbData < size) {
      *cbData = size;
      return ERROR_MORE_DATA;
    }
    std::copy(v.data.begin(), v.data.end(), data);
  }
  *cbData = size;
  return ERROR_SUCCESS;
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
    } else if (v.type == REG_SZ) {
      std::string text(v.data.begin(), v.data.end());
      if (!text.empty() && text.back() == '\0') text.pop_back();
      out << Quote(text) << "\n";
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

bool Import(const std::string& text, std::string* error) {
  std::istringstream in(text);
  std::string line;
  int number = 0;
  HKEY current = nullptr;
  auto fail = [&](const std::string& why) {
    if (current) RegCloseKey(current);
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
    if (line[0] == '[') {
      if (line.back() != ']') return fail("unterminated key name");
      if (current) RegCloseKey(current);
      current = nullptr;
      std::string full = line.substr(1, line.size() - 2);
      size_t slash = full.find('\\');
      std::string rootName = full.substr(0, slash);
      Root* root = nullptr;
      for (Root& r : g_roots)
        if (rootName == r.name) root = &r;
      if (!root) return fail("unknown root " + rootName);
      std::string sub = slash == std::string::npos ? "" : full.substr(slash + 1);
      if (RegCreateKeyExA(root->handle, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &current, nullptr) !=
          ERROR_SUCCESS)
        return fail("cannot create key");
      continue;
    }
    if (!current) return fail("value outside a key");
    size_t pos = 0;
    std::string name;
    if (line[0] == '@') {
      pos = 1;
    } else if (!Unquote(line, &pos, &name)) {
      return fail("bad value name");
    }
    if (pos >= line.size() || line[pos] != '=') return fail("expected =");
    ++pos;
    std::string rest = line.substr(pos);
    if (rest.rfind("dword:", 0) == 0) {
      if (rest.size() != 14) return fail("bad dword");
      DWORD d = DWORD(std::strtoul(rest.c_str() + 6, nullptr, 16));
      RegSetValueExA(current, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&d), 4);
    } else if (!rest.empty() && rest[0] == '"') {
      std::string data;
      size_t p = 0;
      if (!Unquote(rest, &p, &data)) return fail("bad string");
      RegSetValueExA(current, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     DWORD(data.size() + 1));
    } else {
      return fail("unsupported value type");
    }
  }
  if (current) RegCloseKey(current);
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

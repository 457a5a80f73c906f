#include "sim/mapi_message.h"

#include <cstring>
#include "sim/dispatch_object.h"

namespace sim {

namespace {

const GUID kInternetHeaders = {0x00020386, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

std::string GuidKey(const GUID& g) {
  return std::string(reinterpret_cast<const char*>(&g), sizeof g);
}

std::string NameOf(const MAPINAMEID& id) {
  if (id.ulKind != MNID_STRING) return "#" + std::to_string(id.Kind.lID);
  const auto* w = reinterpret_cast<const OLECHAR*>(id.Kind.lpwstrName);
  size_t n = 0;
  while (w && w[n]) ++n;
  return Utf8(w, n);
}

}  // namespace

MapiMessage::MapiMessage(World& world) : SimUnknown(world, "MAPI message"), serial_(++world.mapiMessages) {}

HRESULT MapiMessage::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
  *ppv = static_cast<IMAPIProp*>(this);
  AddRef();
  return S_OK;
}

HRESULT MapiMessage::SaveChanges(ULONG) {
  HostScope host;
  HRESULT fault = world().BeforeCall("SaveChanges");
  if (FAILED(fault)) return fault;
  if (readOnly) return MAPI_E_NO_ACCESS;
  // The store gives a message its entry id when it is first saved.
  if (!Find(PROP_ID(PR_ENTRYID))) SetBinary(PROP_ID(PR_ENTRYID), "entry:" + std::to_string(serial_));
  ++saves;
  return S_OK;
}

HRESULT MapiMessage::GetIDsFromNames(ULONG count, LPMAPINAMEID* names, ULONG flags, LPSPropTagArray* tags) {
  HostScope host;
  if (!tags) return MAPI_E_INVALID_PARAMETER;
  *tags = nullptr;
  HRESULT fault = world().BeforeCall("GetIDsFromNames");
  if (FAILED(fault)) return fault;
  if (!count || !names) return MAPI_E_INVALID_PARAMETER;
  LPSPropTagArray out = nullptr;
  if (FAILED(MAPIAllocateBuffer(ULONG(CbNewSPropTagArray(count)), reinterpret_cast<void**>(&out))))
    return MAPI_E_NOT_ENOUGH_MEMORY;
  out->cValues = count;
  HRESULT hr = S_OK;
  for (ULONG i = 0; i < count; ++i) {
    auto key = std::make_pair(GuidKey(*names[i]->lpguid), NameOf(*names[i]));
    auto it = names_.find(key);
    if (it == names_.end() && (flags & MAPI_CREATE)) it = names_.emplace(key, nextId_++).first;
    if (it == names_.end()) {
      out->aulPropTag[i] = PROP_TAG(PT_ERROR, 0);
      hr = MAPI_W_ERRORS_RETURNED;  // the names are unknown and were not to be created
    } else {
      out->aulPropTag[i] = PROP_TAG(PT_UNSPECIFIED, it->second);
    }
  }
  *tags = out;
  return hr;
}

HRESULT MapiMessage::GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* values) {
  HostScope host;
  if (!count || !values || !tags) return MAPI_E_INVALID_PARAMETER;
  *values = nullptr;
  *count = 0;
  HRESULT fault = world().BeforeCall("GetProps");
  if (FAILED(fault)) return fault;
  LPSPropValue out = nullptr;
  if (FAILED(MAPIAllocateBuffer(ULONG(sizeof(SPropValue) * tags->cValues), reinterpret_cast<void**>(&out))))
    return MAPI_E_NOT_ENOUGH_MEMORY;
  HRESULT hr = S_OK;
  for (ULONG i = 0; i < tags->cValues; ++i) {
    ULONG tag = tags->aulPropTag[i];
    auto it = values_.find(PROP_ID(tag));
    if (it == values_.end() || (PROP_TYPE(tag) != PT_UNSPECIFIED && PROP_TYPE(tag) != it->second.type)) {
      out[i].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(tag));
      out[i].Value.err = MAPI_E_NOT_FOUND;
      hr = MAPI_W_ERRORS_RETURNED;
      continue;
    }
    const Value& v = it->second;
    out[i].ulPropTag = PROP_TAG(v.type, PROP_ID(tag));
    if (v.type == PT_LONG) {
      out[i].Value.l = v.l;
    } else {
      void* bytes = nullptr;
      if (FAILED(MAPIAllocateMore(ULONG(v.text.size() + 1), out, &bytes))) {
        MAPIFreeBuffer(out);
        return MAPI_E_NOT_ENOUGH_MEMORY;
      }
      std::memcpy(bytes, v.text.c_str(), v.text.size() + 1);
      if (v.type == PT_BINARY) {
        out[i].Value.bin.cb = ULONG(v.text.size());
        out[i].Value.bin.lpb = static_cast<BYTE*>(bytes);
      } else if (v.type == PT_UNICODE) {
        const std::basic_string<OLECHAR> wide = Wide(v.text);
        void* chars = nullptr;
        if (FAILED(MAPIAllocateMore(ULONG((wide.size() + 1) * sizeof(OLECHAR)), out, &chars))) {
          MAPIFreeBuffer(out);
          return MAPI_E_NOT_ENOUGH_MEMORY;
        }
        std::memcpy(chars, wide.c_str(), (wide.size() + 1) * sizeof(OLECHAR));
        out[i].Value.lpszW = static_cast<decltype(out[i].Value.lpszW)>(chars);
      } else {
        out[i].Value.lpszA = static_cast<char*>(bytes);
      }
    }
  }
  *count = tags->cValues;
  *values = out;
  return hr;
}

HRESULT MapiMessage::SetProps(ULONG count, LPSPropValue values, LPSPropProblemArray* problems) {
  HostScope host;
  if (problems) *problems = nullptr;
  HRESULT fault = world().BeforeCall("SetProps");
  if (FAILED(fault)) return fault;
  if (!values) return MAPI_E_INVALID_PARAMETER;
  if (readOnly) return MAPI_E_NO_ACCESS;
  for (ULONG i = 0; i < count; ++i) {
    ULONG tag = values[i].ulPropTag;
    if (PROP_TYPE(tag) == PT_LONG) SetLong(PROP_ID(tag), values[i].Value.l);
    else if (PROP_TYPE(tag) == PT_STRING8) SetString8(PROP_ID(tag), values[i].Value.lpszA ? values[i].Value.lpszA : "");
    else if (PROP_TYPE(tag) == PT_UNICODE) {
      const auto* w = reinterpret_cast<const OLECHAR*>(values[i].Value.lpszW);
      size_t n = 0;
      while (w && w[n]) ++n;
      Value& v = values_[PROP_ID(tag)];
      v.type = PT_UNICODE;
      v.text = Utf8(w, n);
    }
    else if (PROP_TYPE(tag) == PT_BINARY && (values[i].Value.bin.lpb || !values[i].Value.bin.cb))
      SetBinary(PROP_ID(tag), std::string(reinterpret_cast<const char*>(values[i].Value.bin.lpb), values[i].Value.bin.cb));
    else return MAPI_E_INVALID_PARAMETER;
  }
  return S_OK;
}

const MapiMessage::Value* MapiMessage::Find(ULONG propId) const {
  auto it = values_.find(propId);
  return it == values_.end() ? nullptr : &it->second;
}

const MapiMessage::Value* MapiMessage::Find(const GUID& set, const std::string& name) const {
  auto it = names_.find(std::make_pair(GuidKey(set), name));
  return it == names_.end() ? nullptr : Find(it->second);
}

void MapiMessage::SetLong(ULONG propId, LONG value) {
  Value& v = values_[propId];
  v.type = PT_LONG;
  v.l = value;
}

void MapiMessage::SetString8(ULONG propId, const std::string& value) {
  Value& v = values_[propId];
  v.type = PT_STRING8;
  v.text = value;
}

void MapiMessage::SetBinary(ULONG propId, const std::string& bytes) {
  Value& v = values_[propId];
  v.type = PT_BINARY;
  v.text = bytes;
}

void MapiMessage::SetNamedBinary(const GUID& set, const std::string& name, const std::string& bytes) {
  const auto key = std::make_pair(GuidKey(set), name);
  auto it = names_.find(key);
  if (it == names_.end()) it = names_.emplace(key, nextId_++).first;
  SetBinary(it->second, bytes);
}

void MapiMessage::Erase(const GUID& set, const std::string& name) {
  auto it = names_.find(std::make_pair(GuidKey(set), name));
  if (it != names_.end()) values_.erase(it->second);
}

std::string MapiMessage::EntryId() const {
  const Value* v = Find(PROP_ID(PR_ENTRYID));
  return v ? v->text : std::string();
}

void MapiMessage::CopyPropertiesOf(const MapiMessage& other) {
  names_ = other.names_;
  nextId_ = other.nextId_;
  values_ = other.values_;
  values_.erase(PROP_ID(PR_ENTRYID));
}

void MapiMessage::MoveInStore() {
  SetBinary(PROP_ID(PR_ENTRYID), "entry:" + std::to_string(serial_) + "/moved-" + std::to_string(++moves_));
  ++saves;
}

std::map<std::string, std::string> MapiMessage::InternetHeaders() const {
  std::map<std::string, std::string> out;
  for (const auto& [name, v] : Named(kInternetHeaders)) {
    if (v->type == PT_UNICODE) {
      out[name] = v->text;
    } else if (v->type == PT_STRING8 && !v->text.empty()) {
      // 8-bit text is in the ANSI code page.
      const int n = MultiByteToWideChar(CP_ACP, 0, v->text.data(), int(v->text.size()), nullptr, 0);
      std::basic_string<OLECHAR> w(size_t(n > 0 ? n : 0), OLECHAR(0));
      if (n > 0) MultiByteToWideChar(CP_ACP, 0, v->text.data(), int(v->text.size()), &w[0], n);
      out[name] = Utf8(w.data(), w.size());
    } else if (v->type == PT_STRING8) {
      out[name] = std::string();
    }
  }
  return out;
}

std::map<std::string, const MapiMessage::Value*> MapiMessage::Named(const GUID& set) const {
  std::map<std::string, const Value*> out;
  const std::string key = GuidKey(set);
  for (const auto& [name, id] : names_)
    if (name.first == key)
      if (const Value* v = Find(id)) out[name.second] = v;
  return out;
}

}  // namespace sim

#include "classify/mail_item.h"

#include <cstdio>
#include <cstring>
#include "host/host_guard.h"
#include "com/text.h"
#include "classify/label_reading.h"
#include "classify/marking.h"
#include "classify/standard_label.h"

const GUID PS_PUBLIC_STRINGS_ID = {0x00020329, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID PS_INTERNET_HEADERS_ID = {0x00020386, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

// Frees a MAPI buffer when it goes out of scope.
template <class T>
class MapiBuffer {
 public:
  MapiBuffer() = default;
  MapiBuffer(const MapiBuffer&) = delete;
  MapiBuffer& operator=(const MapiBuffer&) = delete;
  ~MapiBuffer() {
    if (p_) MAPIFreeBuffer(p_);
  }
  T** Receive() { return &p_; }
  T* get() const { return p_; }
  T* operator->() const { return p_; }

 private:
  T* p_ = nullptr;
};

// The add-in's record of the marks it put into a message: the level and the body marks, as
// "OCS2", the level, and each mark's length and UTF-16 text, little-endian. A copy of the
// message (Resend, a program's Copy, a store that gives it a new entry id) carries it with
// the marks it names, so the marks are recognised wherever the message goes.
const char kStampName[] = "OrvanClassify-Stamped";
const char kStampMagic[] = "OCS2";
constexpr size_t kLongestMark = 8192;  // far above any mark a policy makes
// The level of the message a reply or forward answers.
const char kAnsweredName[] = "OrvanClassify-AnsweredLevel";
// The security officer's record: the correlation id of the Send's event, and the reason the
// sender gave for a lower level.
const char kCorrelationName[] = "OrvanClassify-CorrelationId";
const char kReasonName[] = "OrvanClassify-DowngradeReason";

}  // namespace

const std::string& CMailItem::Organisation() const {
  static const std::string kFallback = "Orvan";
  ClassificationSettings* s = context_.Settings();
  return s ? s->Organisation : kFallback;
}

CMailItem::CMailItem(const ClassifyContext& context, IDispatch* item) : context_(context) {
  item_ = Item::From(item);
  MailItem::TryFrom(item, &mailItem_);
  std::string subject;
  TryHostStep([&] {
    ComPtr<IUnknown> object = item_.MAPIOBJECT();
    // MAPIOBJECT is the message's IMAPIProp itself.
    message_ = ComPtr<IMAPIProp>::Adopt(static_cast<IMAPIProp*>(object.detach()));
  });
  // The subject names the wrapper in the log only: no host call for it while the log is off.
  if (context_.LogEnabled()) TryHostStep([&] { subject = GetSubject().ToUtf8(); });
  if (ObjectTracker* t = context_.Tracker()) t->Add(this, "CMailItem", subject.c_str());
  refCount_ = 1;
}

CMailItem::~CMailItem() {
  mailItem_ = MailItem();
  item_ = Item();
  message_.reset();
  if (ObjectTracker* t = context_.Tracker()) t->Remove(this);
}

long CMailItem::Release() {
  if (--refCount_ != 0) return refCount_;
  delete this;
  return 0;
}

// ---- accessors

Bstr CMailItem::GetBodyText(long format) const {
  return format == olFormatPlain ? mailItem_.Body() : mailItem_.HTMLBody();
}
void CMailItem::PutBodyText(long format, Bstr text) const {
  if (format == olFormatPlain) mailItem_.PutBody(Variant::Take(std::move(text)));
  else mailItem_.PutHTMLBody(Variant::Take(std::move(text)));
}
Bstr CMailItem::GetSubject() const { return item_.Subject(); }
void CMailItem::PutSubject(Bstr text) const { item_.PutSubject(Variant::Take(std::move(text))); }
long CMailItem::GetBodyFormat() const { return mailItem_.BodyFormat(); }
void CMailItem::PutBodyFormat(long format) const { mailItem_.PutBodyFormat(format); }
bool CMailItem::GetSent() const { return item_.Sent(); }

// ---- the classification on the message

ULONG CMailItem::NamedTag(const GUID& set, const char* name, ULONG flags, ULONG type, HRESULT* result) {
  std::basic_string<OLECHAR> wide = Utf8ToWide(name);
  GUID guid = set;
  MAPINAMEID id{};
  id.lpguid = &guid;
  id.ulKind = MNID_STRING;
  id.Kind.lpwstrName = reinterpret_cast<decltype(id.Kind.lpwstrName)>(&wide[0]);
  LPMAPINAMEID ids[1] = {&id};
  MapiBuffer<SPropTagArray> tags;
  *result = message_->GetIDsFromNames(1, ids, flags, tags.Receive());
  if (*result != S_OK || !tags.get() || tags->cValues < 1) return 0;
  return (tags->aulPropTag[0] & 0xFFFF0000) | type;
}

HRESULT CMailItem::SetClassificationProperty(int level, const char* name, bool save) {
  try {
    return WriteClassification(level, name, save);
  } catch (...) {
    return E_OUTOFMEMORY;  // the only thing that can raise here is the heap
  }
}

int CMailItem::GetClassification() {
  try {
    return ReadClassification();
  } catch (...) {
    levelUnreadable_ = true;
    return 0;
  }
}

HRESULT CMailItem::WriteNamed(const GUID& set, const char* name, SPropValue value, const char* shown) {
  HRESULT result = S_OK;
  value.ulPropTag = NamedTag(set, name, MAPI_CREATE, PROP_TYPE(value.ulPropTag), &result);
  if (!value.ulPropTag) {
    context_.Log("GetIDsFromNames failed with %08X<br>\n", unsigned(result));
    return result;
  }
  result = HrSetOneProp(message_.get(), &value);
  if (FAILED(result) && context_.LogEnabled())
    context_.Log("HrSetOneProp of %s failed with %08X<br>\n", HtmlText(shown).c_str(), unsigned(result));
  return result;
}

HRESULT CMailItem::WriteClassification(int level, const char* name, bool save) {
  if (level == 0) level = 1;
  HRESULT result = S_FALSE;
  // A wrapper without a message (MAPIOBJECT could not be read) has nowhere to write.
  if (!message_) return result;
  ClassificationSettings* settings = context_.Settings();
  const int kinds = settings ? settings->PropertyKinds : 3;
  char propName[128];  // longer organisation words are cut to fit, never overflow

  if (kinds & 1) {
    std::snprintf(propName, sizeof propName, "MAPI-%s-classification", Organisation().c_str());
    context_.Log("SetClassificationProperty: PROP_MAPI - %s = %lu<br>\n", propName, static_cast<unsigned long>(level));
    SPropValue value{};
    value.ulPropTag = PT_LONG;
    value.Value.l = level;
    char shown[24];
    std::snprintf(shown, sizeof shown, "%lu", static_cast<unsigned long>(level));
    result = WriteNamed(PS_PUBLIC_STRINGS_ID, propName, value, shown);
  }

  if (name && *name && (kinds & 2)) {
    std::snprintf(propName, sizeof propName, "X-%s-classification", Organisation().c_str());
    if (context_.LogEnabled())
      context_.Log("SetClassificationProperty: PROP_SMTP - %s = %u - %s<br>\n", propName, unsigned(level),
               HtmlText(name).c_str());
    // An ASCII name goes as it always has, 8-bit; any other as Unicode, which the transport
    // writes as an RFC 2047 encoded word and the header reader reads back.
    char text[64];  // "%u - %s"; a longer level name is cut to fit
    std::snprintf(text, sizeof text, "%u - %s", unsigned(level), name);
    WideText wide;
    SPropValue value{};
    if (IsAscii(name)) {
      value.ulPropTag = PT_STRING8;
      value.Value.lpszA = text;
    } else {
      // The same 63 characters at most, cut between two characters, never inside one.
      wide = Utf8ToWide(std::to_string(unsigned(level)) + " - " + name);
      size_t keep = wide.size() < 63 ? wide.size() : 63;
      if (keep < wide.size() && wide[keep] >= 0xDC00 && wide[keep] <= 0xDFFF) --keep;
      wide.resize(keep);
      value.ulPropTag = PT_UNICODE;
      value.Value.lpszW = reinterpret_cast<decltype(value.Value.lpszW)>(&wide[0]);
    }
    result = WriteNamed(PS_INTERNET_HEADERS_ID, propName, value, text);
  }

  // The standard label other systems read, where the policy asks for one: a header field of
  // its own, written whenever the level is.
  if (name && *name && settings) {
    std::string label = SioLabel(*settings, level);
    if (!label.empty()) {
      SPropValue value{};
      value.ulPropTag = PT_STRING8;
      value.Value.lpszA = &label[0];
      const HRESULT written = WriteNamed(PS_INTERNET_HEADERS_ID, "SIO-Label", value, "SIO-Label");
      if (SUCCEEDED(result) && FAILED(written)) result = written;
    }
  }

  if (result == S_OK && save) {
    result = message_->SaveChanges(KEEP_OPEN_READWRITE);
    if (FAILED(result)) context_.Log("SaveChanges failed with %08X<br>\n", unsigned(result));
  }
  return result;
}

int CMailItem::WithLabels(const ClassificationSettings& settings, std::string_view headers, int own) const {
  const LabelReading read = LevelFromLabels(settings, headers);
  if (!read.note.empty()) context_.Log("%s<br>\n", HtmlText(read.note).c_str());
  if (read.level && own && read.level != own)
    context_.Log("%s gives level %d, the message's own property or header %d: %d, the higher<br>\n", read.source,
                 read.level, own, read.level > own ? read.level : own);
  return read.level > own ? read.level : own;
}

int CMailItem::ReadClassification() {
  levelUnreadable_ = true;
  if (!message_) return 0;
  bool failed = false;
  int level = 0;
  const std::string name = "MAPI-" + Organisation() + "-classification";
  HRESULT hr;
  if (ULONG tag = NamedTag(PS_PUBLIC_STRINGS_ID, name.c_str(), 0, PT_LONG, &hr)) {
    MapiBuffer<SPropValue> value;
    hr = HrGetOneProp(message_.get(), tag, value.Receive());
    if (SUCCEEDED(hr) && value.get()) level = value->Value.l;
    else failed = hr != MAPI_E_NOT_FOUND;
  } else {
    failed = hr != MAPI_W_ERRORS_RETURNED;  // else a name the store never saw: no level
  }
  const ClassificationSettings* settings = context_.Settings();
  // Where the policy reads labels (the standard ones it writes, partners' it names), the
  // received message's labels count beside its own level, and the higher wins.
  const bool labels = settings && settings->ReadsLabels();
  if (level == 0 || labels) {
    MapiBuffer<SPropValue> value;
    // Read in place in MAPI's buffer: the headers can be long and are only searched.
    hr = HrGetOneProp(message_.get(), PR_TRANSPORT_MESSAGE_HEADERS_A, value.Receive());
    if (SUCCEEDED(hr) && value.get() && value->ulPropTag == ULONG(PR_TRANSPORT_MESSAGE_HEADERS_A) &&
        value->Value.lpszA) {
      if (level == 0) level = LevelFromHeaders(value->Value.lpszA, Organisation());
      if (labels) level = WithLabels(*settings, value->Value.lpszA, level);
    } else if (hr != MAPI_E_NOT_FOUND) {
      failed = true;
    }
  }
  if (level > (settings ? settings->LevelCount() : 0) || level < 0) level = 0;
  levelUnreadable_ = level == 0 && failed;
  return level;
}

int CMailItem::GetAnsweredLevel() {
  if (!message_) return -1;
  int level = -1;
  TryHostStep([&] {
    HRESULT hr;
    const ULONG tag = NamedTag(PS_PUBLIC_STRINGS_ID, kAnsweredName, 0, PT_LONG, &hr);
    // A name the store never saw: no message there answers anything.
    if (!tag) {
      if (hr == MAPI_W_ERRORS_RETURNED) level = 0;
      return;
    }
    MapiBuffer<SPropValue> value;
    hr = HrGetOneProp(message_.get(), tag, value.Receive());
    if (hr == MAPI_E_NOT_FOUND) level = 0;
    else if (SUCCEEDED(hr) && value.get() && value->ulPropTag == tag) level = value->Value.l < 0 ? 0 : value->Value.l;
  });
  return level;
}

// Into the open message, unsaved: saved with the draft, or with the Send. One lookup and one
// write for both values.
void CMailItem::SetAnsweredLevel(int level) {
  if (!message_) return;
  TryHostStep([&] {
    std::basic_string<OLECHAR> answered = Utf8ToWide(kAnsweredName), stamp = Utf8ToWide(kStampName);
    GUID guid = PS_PUBLIC_STRINGS_ID;
    MAPINAMEID ids[2] = {};
    LPMAPINAMEID names[2] = {&ids[0], &ids[1]};
    for (int i = 0; i < 2; ++i) {
      ids[i].lpguid = &guid;
      ids[i].ulKind = MNID_STRING;
      ids[i].Kind.lpwstrName = reinterpret_cast<decltype(ids[i].Kind.lpwstrName)>(i ? &stamp[0] : &answered[0]);
    }
    MapiBuffer<SPropTagArray> tags;
    HRESULT hr = message_->GetIDsFromNames(2, names, MAPI_CREATE, tags.Receive());
    if (hr != S_OK || !tags.get() || tags->cValues != 2) {
      context_.Log("GetIDsFromNames failed with %08X<br>\n", unsigned(hr));
      return;
    }
    SPropValue values[2] = {};
    values[0].ulPropTag = (tags->aulPropTag[0] & 0xFFFF0000) | PT_LONG;
    values[0].Value.l = level < 0 ? 0 : level;
    values[1].ulPropTag = (tags->aulPropTag[1] & 0xFFFF0000) | PT_BINARY;  // empty: no marks of its own
    hr = message_->SetProps(2, values, nullptr);
    if (FAILED(hr)) context_.Log("SetProps of the answered level failed with %08X<br>\n", unsigned(hr));
  });
}

namespace {

void PutNumber(std::string& out, size_t n) {
  for (int i = 0; i < 4; ++i) out += char((n >> (8 * i)) & 0xFF);
}

bool TakeNumber(const unsigned char*& p, const unsigned char* end, size_t* n) {
  if (end - p < 4) return false;
  *n = size_t(p[0]) | size_t(p[1]) << 8 | size_t(p[2]) << 16 | size_t(p[3]) << 24;
  p += 4;
  return true;
}

bool TakeText(const unsigned char*& p, const unsigned char* end, WideText* text) {
  size_t n = 0;
  if (!TakeNumber(p, end, &n) || n > kLongestMark || size_t(end - p) < 2 * n) return false;
  text->resize(n);
  for (size_t i = 0; i < n; ++i) (*text)[i] = OLECHAR(p[2 * i] | p[2 * i + 1] << 8);
  p += 2 * n;
  return true;
}

}  // namespace

// Read in one GetProps. A stamp of an earlier version of the add-in (the message's entry id)
// names no marks: they are the ones the policy makes, of whichever level stands in the body.
bool CMailItem::ReadStamp(Stamp* out) {
  *out = Stamp();
  if (!message_) return false;
  HRESULT hr;
  const ULONG tag = NamedTag(PS_PUBLIC_STRINGS_ID, kStampName, 0, PT_BINARY, &hr);
  // A name the message's store does not know: nothing was ever stamped with it there.
  if (!tag) return hr == MAPI_W_ERRORS_RETURNED;
  MapiBuffer<SPropValue> value;
  hr = HrGetOneProp(message_.get(), tag, value.Receive());
  if (hr == MAPI_E_NOT_FOUND) return true;
  if (FAILED(hr) || !value.get() || value->ulPropTag != tag) return false;
  const SBinary& bin = value->Value.bin;
  if (!bin.cb || !bin.lpb) return true;  // cleared: a copy of another message's
  const unsigned char* p = bin.lpb;
  const unsigned char* end = p + bin.cb;
  size_t level = 0;
  const ClassificationSettings* s = context_.Settings();
  if (bin.cb < 4 || std::memcmp(p, kStampMagic, 4) != 0) {
    const int carried = GetClassification();
    if (!s || carried < 1) return true;
    out->level = carried;
    out->anyLevelsMarks = true;
    return true;
  }
  p += 4;
  Stamp read;
  if (!TakeNumber(p, end, &level) || !TakeText(p, end, &read.body.top) || !TakeText(p, end, &read.body.bottom) ||
      level < 1 || level > size_t(s ? s->LevelCount() : 0)) {
    context_.Log("The message's stamp could not be read: its marks are taken for none of the add-in's<br>\n");
    return true;
  }
  read.level = int(level);
  *out = std::move(read);
  return true;
}

// Into the open message, before the save that keeps it.
bool CMailItem::WriteStamp(int level, const OwnMarks& body) {
  if (!message_) return false;
  std::string bytes(kStampMagic, 4);
  PutNumber(bytes, size_t(level));
  for (const WideText* text : {&body.top, &body.bottom}) {
    PutNumber(bytes, text->size());
    for (OLECHAR c : *text) {
      bytes += char(c & 0xFF);
      bytes += char((c >> 8) & 0xFF);
    }
  }
  HRESULT hr;
  const ULONG tag = NamedTag(PS_PUBLIC_STRINGS_ID, kStampName, MAPI_CREATE, PT_BINARY, &hr);
  if (!tag) {
    context_.Log("GetIDsFromNames failed with %08X<br>\n", unsigned(hr));
    return false;
  }
  SPropValue value{};
  value.ulPropTag = tag;
  value.Value.bin.cb = ULONG(bytes.size());
  value.Value.bin.lpb = reinterpret_cast<LPBYTE>(&bytes[0]);
  hr = HrSetOneProp(message_.get(), &value);
  if (FAILED(hr)) context_.Log("HrSetOneProp of the stamp failed with %08X: a later Send may mark it again<br>\n", unsigned(hr));
  return SUCCEEDED(hr);
}

void CMailItem::OnClose() {
  if (!inspectorHandler) return;
  TryHostStep([&] { inspectorHandler->ItemClosed(); });
}

bool CMailItem::WriteRecord(const std::string* correlation, const std::string* reason) {
  if (!message_) return false;
  bool written = true;
  for (const auto& [name, text] : {std::pair<const char*, const std::string*>{kCorrelationName, correlation},
                                   {kReasonName, reason}}) {
    if (!text) continue;
    std::basic_string<OLECHAR> wide = Utf8ToWide(*text);
    SPropValue value{};
    value.ulPropTag = PT_UNICODE;
    value.Value.lpszW = reinterpret_cast<decltype(value.Value.lpszW)>(&wide[0]);
    written = SUCCEEDED(WriteNamed(PS_PUBLIC_STRINGS_ID, name, value, name)) && written;
  }
  return written;
}

std::string CMailItem::ReadRecord(bool reason) {
  std::string text;
  if (!message_) return text;
  HRESULT hr = S_OK;
  const ULONG tag = NamedTag(PS_PUBLIC_STRINGS_ID, reason ? kReasonName : kCorrelationName, 0, PT_UNICODE, &hr);
  if (!tag) return text;
  MapiBuffer<SPropValue> value;
  if (SUCCEEDED(HrGetOneProp(message_.get(), tag, value.Receive())) && value.get() && value->Value.lpszW) {
    const auto* w = reinterpret_cast<const OLECHAR*>(value->Value.lpszW);
    size_t n = 0;
    while (w[n]) ++n;
    text = WideToUtf8(w, n);
  }
  return text;
}

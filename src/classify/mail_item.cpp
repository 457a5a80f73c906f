#include "classify/mail_item.h"

#include <cstdio>
#include <cstring>
#include "host/host_guard.h"
#include "com/text.h"
#include "classify/marking.h"

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

// The add-in's own mark that it stamped a message: the message's entry id at the time,
// so that only the message itself, never a copy of its properties, reads as stamped.
const char kStampName[] = "OrvanClassify-Stamped";
// The level of the message a reply or forward answers.
const char kAnsweredName[] = "OrvanClassify-AnsweredLevel";

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
    ULONG tag = NamedTag(PS_PUBLIC_STRINGS_ID, propName, MAPI_CREATE, PT_LONG, &result);
    if (!tag) {
      context_.Log("GetIDsFromNames failed with %08X<br>\n", unsigned(result));
    } else {
      SPropValue value{};
      value.ulPropTag = tag;
      value.Value.l = level;
      result = HrSetOneProp(message_.get(), &value);
      if (FAILED(result))
        context_.Log("HrSetOneProp of %lu failed with %08X<br>\n", static_cast<unsigned long>(level), unsigned(result));
    }
  }

  if (name && *name && (kinds & 2)) {
    std::snprintf(propName, sizeof propName, "X-%s-classification", Organisation().c_str());
    if (context_.LogEnabled())
      context_.Log("SetClassificationProperty: PROP_SMTP - %s = %u - %s<br>\n", propName, unsigned(level),
               HtmlText(name).c_str());
    // An ASCII name goes as it always has, 8-bit; any other as Unicode, which the transport
    // writes as an RFC 2047 encoded word and the header reader reads back.
    const bool ascii = IsAscii(name);
    ULONG tag = NamedTag(PS_INTERNET_HEADERS_ID, propName, MAPI_CREATE, ascii ? PT_STRING8 : PT_UNICODE, &result);
    if (!tag) {
      context_.Log("GetIDsFromNames failed with %08X<br>\n", unsigned(result));
    } else {
      char text[64];  // "%u - %s"; a longer level name is cut to fit
      std::snprintf(text, sizeof text, "%u - %s", unsigned(level), name);
      WideText wide;
      SPropValue value{};
      value.ulPropTag = tag;
      if (ascii) {
        value.Value.lpszA = text;
      } else {
        // The same 63 characters at most, cut between two characters, never inside one.
        wide = Utf8ToWide(std::to_string(unsigned(level)) + " - " + name);
        size_t keep = wide.size() < 63 ? wide.size() : 63;
        if (keep < wide.size() && wide[keep] >= 0xDC00 && wide[keep] <= 0xDFFF) --keep;
        wide.resize(keep);
        value.Value.lpszW = reinterpret_cast<decltype(value.Value.lpszW)>(&wide[0]);
      }
      result = HrSetOneProp(message_.get(), &value);
      if (FAILED(result) && context_.LogEnabled())
        context_.Log("HrSetOneProp of %s failed with %08X<br>\n", HtmlText(text).c_str(), unsigned(result));
    }
  }

  if (result == S_OK && save) {
    result = message_->SaveChanges(KEEP_OPEN_READWRITE);
    if (FAILED(result)) context_.Log("SaveChanges failed with %08X<br>\n", unsigned(result));
  }
  return result;
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
  if (level == 0) {
    MapiBuffer<SPropValue> value;
    // Read in place in MAPI's buffer: the headers can be long and are only searched.
    hr = HrGetOneProp(message_.get(), PR_TRANSPORT_MESSAGE_HEADERS_A, value.Receive());
    if (SUCCEEDED(hr) && value.get() && value->ulPropTag == ULONG(PR_TRANSPORT_MESSAGE_HEADERS_A) &&
        value->Value.lpszA)
      level = LevelFromHeaders(value->Value.lpszA, Organisation());
    else if (hr != MAPI_E_NOT_FOUND)
      failed = true;
  }
  const ClassificationSettings* settings = context_.Settings();
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

// Into the open message, unsaved: saved with the draft, or with the Send.
void CMailItem::SetAnsweredLevel(int level) {
  if (!message_ || level <= 0) return;
  TryHostStep([&] {
    HRESULT hr;
    const ULONG tag = NamedTag(PS_PUBLIC_STRINGS_ID, kAnsweredName, MAPI_CREATE, PT_LONG, &hr);
    if (!tag) {
      context_.Log("GetIDsFromNames failed with %08X<br>\n", unsigned(hr));
      return;
    }
    SPropValue value{};
    value.ulPropTag = tag;
    value.Value.l = level;
    hr = HrSetOneProp(message_.get(), &value);
    if (FAILED(hr)) context_.Log("HrSetOneProp of the answered level failed with %08X<br>\n", unsigned(hr));
  });
}

// Read in one GetProps: the stamp and the entry id it must match.
CMailItem::Stamped CMailItem::StampState() {
  if (!message_) return Stamped::Unknown;
  HRESULT hr;
  const ULONG stamp = NamedTag(PS_PUBLIC_STRINGS_ID, kStampName, 0, PT_BINARY, &hr);
  // A name the message's store does not know: nothing was ever stamped with it there.
  if (!stamp) return hr == MAPI_W_ERRORS_RETURNED ? Stamped::No : Stamped::Unknown;
  struct {
    ULONG cValues;
    ULONG aulPropTag[2];
  } tags = {2, {stamp, ULONG(PR_ENTRYID)}};
  ULONG count = 0;
  MapiBuffer<SPropValue> values;
  if (FAILED(message_->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, values.Receive())) ||
      !values.get() || count != 2)
    return Stamped::Unknown;
  const SPropValue& a = values.get()[0];
  const SPropValue& b = values.get()[1];
  const bool same = a.ulPropTag == stamp && b.ulPropTag == ULONG(PR_ENTRYID) && a.Value.bin.cb != 0 &&
                    a.Value.bin.cb == b.Value.bin.cb && a.Value.bin.lpb && b.Value.bin.lpb &&
                    std::memcmp(a.Value.bin.lpb, b.Value.bin.lpb, a.Value.bin.cb) == 0;
  return same ? Stamped::Yes : Stamped::No;
}

// After the save that gave the message its entry id. Left for Outlook's own save when it
// submits the message, as the subject mark is.
bool CMailItem::RecordStamp() {
  if (!message_) return false;
  MapiBuffer<SPropValue> id;
  if (FAILED(HrGetOneProp(message_.get(), PR_ENTRYID, id.Receive())) || !id.get() ||
      id->ulPropTag != ULONG(PR_ENTRYID) || !id->Value.bin.cb) {
    context_.Log("The stamped message has no entry id: a second Send of it may mark it again<br>\n");
    return false;
  }
  HRESULT hr;
  const ULONG tag = NamedTag(PS_PUBLIC_STRINGS_ID, kStampName, MAPI_CREATE, PT_BINARY, &hr);
  if (!tag) {
    context_.Log("GetIDsFromNames failed with %08X<br>\n", unsigned(hr));
    return false;
  }
  SPropValue value{};
  value.ulPropTag = tag;
  value.Value.bin = id->Value.bin;
  hr = HrSetOneProp(message_.get(), &value);
  if (FAILED(hr)) context_.Log("HrSetOneProp of the stamp failed with %08X<br>\n", unsigned(hr));
  return SUCCEEDED(hr);
}

void CMailItem::OnClose() {
  if (!inspectorHandler) return;
  TryHostStep([&] { inspectorHandler->TearDownAndDelete(); });
}

#include "portable/xmllite.h"

#include <libxml/xmlreader.h>
#include <string>
#include "portable/no_throw.h"
#include "portable/system.h"

const IID IID_ISequentialStream = {0x0c733a30, 0x2a1c, 0x11ce, {0xad, 0xe5, 0x00, 0xaa, 0x00, 0x44, 0x77, 0x3d}};
const IID IID_IStream = {0x0000000c, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IXmlReader = {0x7279fc81, 0x709d, 0x4095, {0xb6, 0x3d, 0x69, 0xfe, 0x4b, 0x0d, 0x90, 0x30}};

namespace {

// The one reference count of the stand-in's objects, as a COM object keeps its own.
template <class Interface>
class Counted : public Interface {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (!left) delete this;
    return left;
  }
  virtual ~Counted() = default;

 protected:
  HRESULT Answer(REFIID riid, void** out, std::initializer_list<const IID*> mine) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const IID* iid : mine)
      if (IsEqualIID(riid, *iid)) {
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
      }
    return E_NOINTERFACE;
  }

 private:
  ULONG references_ = 1;
};

class MemoryStream : public Counted<IStream> {
 public:
  explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    return Answer(riid, out, {&IID_IUnknown, &IID_ISequentialStream, &IID_IStream});
  }
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override {
    const size_t n = std::min<size_t>(size, bytes_.size() - at_);
    if (n) std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    if (read) *read = ULONG(n);
    return n == size ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

std::u16string Wide(const xmlChar* utf8) {
  if (!utf8) return std::u16string();
  const char* text = reinterpret_cast<const char*>(utf8);
  const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::u16string wide(size_t(n > 0 ? n : 1), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), n);
  wide.resize(wide.size() - 1);
  return wide;
}

class Reader : public Counted<IXmlReader> {
 public:
  ~Reader() override { Close(); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    return Answer(riid, out, {&IID_IUnknown, &IID_IXmlReader});
  }
  HRESULT STDMETHODCALLTYPE SetInput(IUnknown* input) override {
    return NoThrow<HRESULT>(E_OUTOFMEMORY, [&] {
      Close();
      if (!input) return S_OK;
      ISequentialStream* stream = nullptr;
      if (FAILED(input->QueryInterface(IID_ISequentialStream, reinterpret_cast<void**>(&stream))))
        return E_NOINTERFACE;
      char chunk[4096];
      ULONG read = 0;
      HRESULT hr;
      while (SUCCEEDED(hr = stream->Read(chunk, sizeof chunk, &read)) && read) {
        document_.append(chunk, read);
        if (hr == S_FALSE) break;
      }
      stream->Release();
      if (FAILED(hr)) return hr;
      // No network, no DTD loaded, no entity substituted: nothing outside the document is read.
      reader_ = xmlReaderForMemory(document_.data(), int(document_.size()), nullptr, nullptr,
                                   XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
      return reader_ ? S_OK : E_OUTOFMEMORY;
    });
  }
  HRESULT STDMETHODCALLTYPE GetProperty(UINT property, LONG_PTR* value) override {
    if (!value) return E_INVALIDARG;
    if (property == XmlReaderProperty_DtdProcessing) *value = dtd_;
    else if (property == XmlReaderProperty_MaxElementDepth) *value = maxDepth_;
    else return E_NOTIMPL;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetProperty(UINT property, LONG_PTR value) override {
    switch (property) {
      case XmlReaderProperty_DtdProcessing:
        if (value != DtdProcessing_Prohibit && value != DtdProcessing_Parse) return E_INVALIDARG;
        dtd_ = value;
        return S_OK;
      case XmlReaderProperty_MaxElementDepth:
        maxDepth_ = value;
        return S_OK;
      case XmlReaderProperty_XmlResolver:
        return value ? E_NOTIMPL : S_OK;  // the stand-in resolves nothing, as XmlLite without one
      default:
        return E_NOTIMPL;
    }
  }
  HRESULT STDMETHODCALLTYPE Read(XmlNodeType* type) override {
    return NoThrow<HRESULT>(E_OUTOFMEMORY, [&] {
      if (type) *type = XmlNodeType_None;
      if (failed_) return failed_;
      if (!reader_) return E_UNEXPECTED;
      const int step = xmlTextReaderRead(reader_);
      if (step == 0) {
        node_ = XmlNodeType_None;
        eof_ = true;
        return S_FALSE;
      }
      if (step < 0) return failed_ = WC_E_SYNTAX;
      switch (xmlTextReaderNodeType(reader_)) {
        case XML_READER_TYPE_ELEMENT: node_ = XmlNodeType_Element; break;
        case XML_READER_TYPE_END_ELEMENT: node_ = XmlNodeType_EndElement; break;
        case XML_READER_TYPE_TEXT: node_ = XmlNodeType_Text; break;
        case XML_READER_TYPE_CDATA: node_ = XmlNodeType_CDATA; break;
        case XML_READER_TYPE_WHITESPACE:
        case XML_READER_TYPE_SIGNIFICANT_WHITESPACE: node_ = XmlNodeType_Whitespace; break;
        case XML_READER_TYPE_COMMENT: node_ = XmlNodeType_Comment; break;
        case XML_READER_TYPE_PROCESSING_INSTRUCTION: node_ = XmlNodeType_ProcessingInstruction; break;
        case XML_READER_TYPE_DOCUMENT_TYPE:
          if (dtd_ == DtdProcessing_Prohibit) return failed_ = WC_E_DTDPROHIBITED;
          node_ = XmlNodeType_DocumentType;
          break;
        default:
          return failed_ = WC_E_SYNTAX;  // an entity reference: never left unexpanded by XmlLite
      }
      if (node_ == XmlNodeType_Element && maxDepth_ && xmlTextReaderDepth(reader_) + 1 > maxDepth_)
        return failed_ = SC_E_MAXELEMENTDEPTH;
      localName_ = Wide(xmlTextReaderConstLocalName(reader_));
      namespaceUri_ = Wide(xmlTextReaderConstNamespaceUri(reader_));
      prefix_ = Wide(xmlTextReaderConstPrefix(reader_));
      qualifiedName_ = Wide(xmlTextReaderConstName(reader_));
      value_ = Wide(xmlTextReaderConstValue(reader_));
      if (type) *type = node_;
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE GetNodeType(XmlNodeType* type) override {
    if (!type) return E_INVALIDARG;
    *type = node_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE MoveToFirstAttribute() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE MoveToNextAttribute() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE MoveToAttributeByName(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE MoveToElement() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetQualifiedName(LPCWSTR* name, UINT* length) override {
    return Give(qualifiedName_, name, length);
  }
  HRESULT STDMETHODCALLTYPE GetNamespaceUri(LPCWSTR* uri, UINT* length) override {
    return Give(namespaceUri_, uri, length);
  }
  HRESULT STDMETHODCALLTYPE GetLocalName(LPCWSTR* name, UINT* length) override { return Give(localName_, name, length); }
  HRESULT STDMETHODCALLTYPE GetPrefix(LPCWSTR* prefix, UINT* length) override { return Give(prefix_, prefix, length); }
  HRESULT STDMETHODCALLTYPE GetValue(LPCWSTR* value, UINT* length) override { return Give(value_, value, length); }
  HRESULT STDMETHODCALLTYPE ReadValueChunk(WCHAR*, UINT, UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBaseUri(LPCWSTR*, UINT*) override { return E_NOTIMPL; }
  BOOL STDMETHODCALLTYPE IsDefault() override { return FALSE; }
  BOOL STDMETHODCALLTYPE IsEmptyElement() override {
    return node_ == XmlNodeType_Element && reader_ && xmlTextReaderIsEmptyElement(reader_) == 1;
  }
  HRESULT STDMETHODCALLTYPE GetLineNumber(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetLinePosition(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributeCount(UINT* count) override {
    if (!count) return E_INVALIDARG;
    *count = reader_ && node_ == XmlNodeType_Element ? UINT(xmlTextReaderAttributeCount(reader_)) : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDepth(UINT* depth) override {
    if (!depth) return E_INVALIDARG;
    *depth = reader_ && node_ != XmlNodeType_None ? UINT(xmlTextReaderDepth(reader_)) : 0;
    return S_OK;
  }
  BOOL STDMETHODCALLTYPE IsEOF() override { return eof_; }

 private:
  static HRESULT Give(const std::u16string& text, LPCWSTR* out, UINT* length) {
    if (!out) return E_INVALIDARG;
    *out = text.c_str();
    if (length) *length = UINT(text.size());
    return S_OK;
  }
  void Close() {
    if (reader_) xmlFreeTextReader(reader_);
    reader_ = nullptr;
    document_.clear();
    node_ = XmlNodeType_None;
    failed_ = S_OK;
    eof_ = false;
  }

  xmlTextReaderPtr reader_ = nullptr;
  std::string document_;
  XmlNodeType node_ = XmlNodeType_None;
  HRESULT failed_ = S_OK;  // XmlLite answers every Read after an error with that error
  bool eof_ = false;
  LONG_PTR dtd_ = DtdProcessing_Prohibit;
  LONG_PTR maxDepth_ = 256;
  std::u16string localName_, namespaceUri_, prefix_, qualifiedName_, value_;
};

}  // namespace

IStream* SHCreateMemStream(const BYTE* data, UINT size) {
  return NoThrow<IStream*>(nullptr, [&]() -> IStream* {
    return new MemoryStream(std::string(reinterpret_cast<const char*>(data), data ? size : 0));
  });
}

HRESULT CreateXmlReader(REFIID riid, void** out, void*) {
  if (!out) return E_POINTER;
  *out = nullptr;
  Reader* reader = NoThrow<Reader*>(nullptr, [] { return new Reader; });
  if (!reader) return E_OUTOFMEMORY;
  const HRESULT hr = reader->QueryInterface(riid, out);
  reader->Release();
  return hr;
}

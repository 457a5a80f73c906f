// Portable stand-in for Windows' XmlLite reader (xmllite.h) and the memory stream it reads
// (shlwapi's SHCreateMemStream), over libxml2's reader: the SDK's interface in the SDK's slot
// order, its node types, properties and the errors the add-in tells apart. Like XmlLite it
// resolves nothing outside the document, refuses a DTD under DtdProcessing_Prohibit and an
// element deeper than XmlReaderProperty_MaxElementDepth.
#pragma once

#include "portable/com.h"

struct ISequentialStream : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) = 0;
  virtual HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG size, ULONG* written) = 0;
};
struct IStream : ISequentialStream {};
extern const IID IID_ISequentialStream;
extern const IID IID_IStream;
IStream* SHCreateMemStream(const BYTE* data, UINT size);

enum XmlNodeType {
  XmlNodeType_None = 0,
  XmlNodeType_Element = 1,
  XmlNodeType_Attribute = 2,
  XmlNodeType_Text = 3,
  XmlNodeType_CDATA = 4,
  XmlNodeType_ProcessingInstruction = 7,
  XmlNodeType_Comment = 8,
  XmlNodeType_DocumentType = 10,
  XmlNodeType_Whitespace = 13,
  XmlNodeType_EndElement = 15,
  XmlNodeType_XmlDeclaration = 17,
};
enum DtdProcessing { DtdProcessing_Prohibit = 0, DtdProcessing_Parse = 1 };
enum XmlReaderProperty {
  XmlReaderProperty_MultiLanguage = 0,
  XmlReaderProperty_ConformanceLevel = 1,
  XmlReaderProperty_RandomAccess = 2,
  XmlReaderProperty_XmlResolver = 3,
  XmlReaderProperty_DtdProcessing = 4,
  XmlReaderProperty_ReadState = 5,
  XmlReaderProperty_MaxElementDepth = 6,
  XmlReaderProperty_MaxEntityExpansion = 7,
};
#define WC_E_SYNTAX ((HRESULT)0xC00CEE2D)
#define WC_E_DTDPROHIBITED ((HRESULT)0xC00CEE4F)
#define SC_E_MAXELEMENTDEPTH ((HRESULT)0xC00CEE81)

struct IXmlReader : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetInput(IUnknown* input) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProperty(UINT property, LONG_PTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetProperty(UINT property, LONG_PTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE Read(XmlNodeType* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNodeType(XmlNodeType* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveToFirstAttribute() = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveToNextAttribute() = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveToAttributeByName(LPCWSTR localName, LPCWSTR namespaceUri) = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveToElement() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetQualifiedName(LPCWSTR* name, UINT* length) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNamespaceUri(LPCWSTR* uri, UINT* length) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetLocalName(LPCWSTR* name, UINT* length) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPrefix(LPCWSTR* prefix, UINT* length) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetValue(LPCWSTR* value, UINT* length) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadValueChunk(WCHAR* buffer, UINT size, UINT* read) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBaseUri(LPCWSTR* uri, UINT* length) = 0;
  virtual BOOL STDMETHODCALLTYPE IsDefault() = 0;
  virtual BOOL STDMETHODCALLTYPE IsEmptyElement() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetLineNumber(UINT* line) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetLinePosition(UINT* position) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAttributeCount(UINT* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDepth(UINT* depth) = 0;
  virtual BOOL STDMETHODCALLTYPE IsEOF() = 0;
};
extern const IID IID_IXmlReader;
HRESULT CreateXmlReader(REFIID riid, void** reader, void* malloc);

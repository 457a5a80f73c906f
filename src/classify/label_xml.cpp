// The ADatP-4774 label of an SIO-Label field, read with the system's XML reader. The label
// comes from outside: no DTD, nothing resolved, a shallow document, and only the two values
// the policy maps are taken from it.
#include <cstring>
#include "classify/label_reading.h"
#include "com/com_ptr.h"
#include "com/text.h"
#include "platform/xml.h"

namespace {

constexpr char16_t kNamespace[] = u"urn:nato:stanag:4774:confidentialitymetadatalabel:1:0";
constexpr size_t kLongestValue = 1024;
constexpr LONG_PTR kDeepest = 8;  // the label nests four deep; its categories one more

bool Is(const OLECHAR* text, UINT length, const char16_t* expected) {
  for (UINT i = 0; i < length; ++i)
    if (!expected[i] || text[i] != OLECHAR(expected[i])) return false;
  return !expected[length];
}

// xs:token's whitespace rule: no blank at either end, one space between words.
std::string Collapsed(const std::string& text) {
  std::string out;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (!blank) out += c;
    else if (!out.empty() && out.back() != ' ') out += ' ';
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace

LabelXmlResult ReadConfidentialityLabel(const std::string& xml, std::string* policy, std::string* classification) {
  ComPtr<IXmlReader> reader;
  ComPtr<IStream> stream =
      ComPtr<IStream>::Adopt(SHCreateMemStream(reinterpret_cast<const BYTE*>(xml.data()), UINT(xml.size())));
  if (!stream || FAILED(NewXmlReader(reader.put())) ||
      FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
      FAILED(reader->SetProperty(XmlReaderProperty_XmlResolver, 0)) ||
      FAILED(reader->SetProperty(XmlReaderProperty_MaxElementDepth, kDeepest)) || FAILED(reader->SetInput(stream.get())))
    return LabelXmlResult::NoReader;
  policy->clear();
  classification->clear();
  // Where the reader is: the count of ConfidentialityInformation elements, the order of their
  // children, and the value being collected (PolicyIdentifier's or Classification's).
  int informations = 0, child = 0;
  bool rootIsLabel = false, inInformation = false, valuesInOrder = true, valueHasElement = false;
  std::string* collecting = nullptr;
  XmlNodeType node;
  HRESULT hr;
  while ((hr = reader->Read(&node)) == S_OK) {
    UINT depth = 0, length = 0, nsLength = 0;
    const OLECHAR *name = nullptr, *ns = nullptr, *value = nullptr;
    reader->GetDepth(&depth);
    if (node == XmlNodeType_Element) {
      if (FAILED(reader->GetLocalName(&name, &length)) || FAILED(reader->GetNamespaceUri(&ns, &nsLength)))
        return LabelXmlResult::NotXml;
      const bool ours = Is(ns, nsLength, kNamespace);
      if (depth == 0) {
        rootIsLabel = ours && (Is(name, length, u"originatorConfidentialityLabel") || Is(name, length, u"ConfidentialityLabel"));
        if (!rootIsLabel) return LabelXmlResult::NotLabel;
      } else if (depth == 1 && ours && Is(name, length, u"ConfidentialityInformation")) {
        ++informations;
        inInformation = !reader->IsEmptyElement();
        child = 0;
      } else if (depth == 2 && inInformation) {
        ++child;
        std::string* target = !ours                                         ? nullptr
                              : Is(name, length, u"PolicyIdentifier") ? policy
                              : Is(name, length, u"Classification")   ? classification
                                                                      : nullptr;
        // PolicyIdentifier first, Classification second, each once.
        if (target && (child != (target == policy ? 1 : 2))) valuesInOrder = false;
        collecting = target && !reader->IsEmptyElement() ? target : nullptr;
      } else if (depth >= 3 && collecting) {
        valueHasElement = true;
      }
    } else if (node == XmlNodeType_EndElement) {
      if (depth == 2) collecting = nullptr;
      if (depth == 1) inInformation = false;
    } else if (collecting && (node == XmlNodeType_Text || node == XmlNodeType_CDATA || node == XmlNodeType_Whitespace)) {
      if (FAILED(reader->GetValue(&value, &length))) return LabelXmlResult::NotXml;
      *collecting += WideToUtf8(value, length);
      if (collecting->size() > kLongestValue) return LabelXmlResult::NotLabel;
    }
  }
  if (FAILED(hr)) return hr == HRESULT(WC_E_DTDPROHIBITED) ? LabelXmlResult::HasDtd : LabelXmlResult::NotXml;
  *policy = Collapsed(*policy);
  *classification = Collapsed(*classification);
  if (!rootIsLabel || informations != 1 || !valuesInOrder || valueHasElement || policy->empty() ||
      classification->empty())
    return LabelXmlResult::NotLabel;
  return LabelXmlResult::Read;
}

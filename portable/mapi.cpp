// The MAPI allocator chains "more" blocks to their parent, and MAPIFreeBuffer of the
// parent frees the whole chain, as the real allocator does.
#include <cstdlib>
#include <new>
#include "portable/mapi.h"

namespace {

struct alignas(std::max_align_t) Block {
  Block* next;  // the chain of blocks allocated with MAPIAllocateMore on this parent
  Block* parent;
  unsigned char* data() { return reinterpret_cast<unsigned char*>(this) + sizeof(Block); }
};

constexpr size_t kHeader = sizeof(Block);
long g_outstanding = 0;
PortableMapiLogonHook g_logon = nullptr;

Block* BlockOf(void* data) { return reinterpret_cast<Block*>(static_cast<unsigned char*>(data) - kHeader); }

}  // namespace

SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) {
  if (!lppBuffer) return MAPI_E_INVALID_PARAMETER;
  *lppBuffer = nullptr;
  auto* b = static_cast<Block*>(std::calloc(1, kHeader + cbSize + 1));
  if (!b) return MAPI_E_NOT_ENOUGH_MEMORY;
  ++g_outstanding;
  *lppBuffer = b->data();
  return S_OK;
}

SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer) {
  if (!lppBuffer || !lpObject) return MAPI_E_INVALID_PARAMETER;
  *lppBuffer = nullptr;
  Block* parent = BlockOf(lpObject);
  while (parent->parent) parent = parent->parent;
  auto* b = static_cast<Block*>(std::calloc(1, kHeader + cbSize + 1));
  if (!b) return MAPI_E_NOT_ENOUGH_MEMORY;
  b->parent = parent;
  b->next = parent->next;
  parent->next = b;
  *lppBuffer = b->data();
  return S_OK;
}

ULONG MAPIFreeBuffer(LPVOID lpBuffer) {
  if (!lpBuffer) return 0;
  Block* b = BlockOf(lpBuffer);
  if (b->parent) return 0;  // only whole chains are freed, through their parent
  for (Block* more = b->next; more;) {
    Block* next = more->next;
    std::free(more);
    more = next;
  }
  std::free(b);
  --g_outstanding;
  return 0;
}

HRESULT HrGetOneProp(LPMAPIPROP prop, ULONG tag, LPSPropValue* value) {
  if (!prop || !value) return MAPI_E_INVALID_PARAMETER;
  *value = nullptr;
  LPSPropTagArray tags = nullptr;
  HRESULT hr = MAPIAllocateBuffer(ULONG(CbNewSPropTagArray(1)), reinterpret_cast<void**>(&tags));
  if (FAILED(hr)) return hr;
  tags->cValues = 1;
  tags->aulPropTag[0] = tag;
  ULONG count = 0;
  LPSPropValue values = nullptr;
  hr = prop->GetProps(tags, 0, &count, &values);
  MAPIFreeBuffer(tags);
  if (FAILED(hr)) return hr;
  if (hr == MAPI_W_ERRORS_RETURNED || !values || count != 1 || PROP_TYPE(values->ulPropTag) == PT_ERROR) {
    HRESULT err = (values && PROP_TYPE(values->ulPropTag) == PT_ERROR) ? values->Value.err : MAPI_E_NOT_FOUND;
    MAPIFreeBuffer(values);
    return err;
  }
  *value = values;
  return S_OK;
}

HRESULT HrSetOneProp(LPMAPIPROP prop, LPSPropValue value) {
  if (!prop || !value) return MAPI_E_INVALID_PARAMETER;
  LPSPropProblemArray problems = nullptr;
  HRESULT hr = prop->SetProps(1, value, &problems);
  if (SUCCEEDED(hr) && problems) {
    if (problems->cProblem > 0) hr = problems->aProblem[0].scode;
    MAPIFreeBuffer(problems);
  }
  return hr;
}

HRESULT MAPILogonEx(ULONG_PTR, LPSTR, LPSTR, ULONG, LPMAPISESSION* session) {
  if (!session) return MAPI_E_INVALID_PARAMETER;
  *session = nullptr;
  return g_logon ? g_logon(session) : MAPI_E_LOGON_FAILED;
}

PortableMapiLogonHook SetPortableMapiLogonHook(PortableMapiLogonHook hook) {
  PortableMapiLogonHook previous = g_logon;
  g_logon = hook;
  return previous;
}

long PortableMapiBuffersOutstanding() { return g_outstanding; }

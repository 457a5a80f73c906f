// BSTRs are laid out as on Windows: a 32-bit byte length, the characters, a 16-bit zero.
#include <cstdlib>
#include <new>
#include "portable/com.h"

namespace {
uint32_t* Header(BSTR bstr) { return reinterpret_cast<uint32_t*>(bstr) - 1; }
PortableBstrAccounting g_accounting = nullptr;
size_t BlockBytes(size_t cch) { return sizeof(uint32_t) + (cch + 1) * sizeof(OLECHAR); }
}  // namespace

void SetPortableBstrAccounting(PortableBstrAccounting hook) { g_accounting = hook; }

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) {
  if (cch > 0x3FFFFFF0u) return nullptr;
  auto* block = static_cast<uint32_t*>(std::malloc(BlockBytes(cch)));
  if (!block) return nullptr;
  if (g_accounting) g_accounting(static_cast<long long>(BlockBytes(cch)));
  block[0] = cch * sizeof(OLECHAR);
  BSTR text = reinterpret_cast<BSTR>(block + 1);
  // Without a source the characters are left for the caller to fill, as on Windows.
  if (pch) std::memcpy(text, pch, size_t(cch) * sizeof(OLECHAR));
  text[cch] = 0;
  return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
  if (!psz) return nullptr;
  UINT n = 0;
  while (psz[n]) ++n;
  return SysAllocStringLen(psz, n);
}

void SysFreeString(BSTR bstr) {
  if (!bstr) return;
  if (g_accounting) g_accounting(-static_cast<long long>(BlockBytes(*Header(bstr) / sizeof(OLECHAR))));
  std::free(Header(bstr));
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
  if (!pbstr || len > 0x3FFFFFF0u) return FALSE;
  if (!*pbstr) return (*pbstr = SysAllocStringLen(psz, len)) != nullptr;
  const size_t oldBytes = BlockBytes(*Header(*pbstr) / sizeof(OLECHAR));
  // The block grows in place where the heap can (a large block is remapped, not copied).
  auto* block = static_cast<uint32_t*>(std::realloc(Header(*pbstr), BlockBytes(len)));
  if (!block) return FALSE;
  if (g_accounting) g_accounting(static_cast<long long>(BlockBytes(len)) - static_cast<long long>(oldBytes));
  block[0] = len * sizeof(OLECHAR);
  BSTR text = reinterpret_cast<BSTR>(block + 1);
  if (psz) std::memmove(text, psz, size_t(len) * sizeof(OLECHAR));
  text[len] = 0;
  *pbstr = text;
  return TRUE;
}

UINT SysStringLen(BSTR bstr) { return bstr ? *Header(bstr) / sizeof(OLECHAR) : 0; }

void VariantInit(VARIANTARG* v) {
  std::memset(v, 0, sizeof(*v));
  v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* v) {
  if (!v) return E_INVALIDARG;
  if (!(v->vt & VT_BYREF)) {
    switch (v->vt) {
      case VT_BSTR: SysFreeString(v->bstrVal); break;
      case VT_DISPATCH: if (v->pdispVal) v->pdispVal->Release(); break;
      case VT_UNKNOWN: if (v->punkVal) v->punkVal->Release(); break;
      default: break;
    }
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* dst, const VARIANTARG* src) {
  if (!dst || !src) return E_INVALIDARG;
  if (dst == src) return S_OK;
  VariantClear(dst);
  VARIANT copy = *src;
  if (!(src->vt & VT_BYREF)) {
    switch (src->vt) {
      case VT_BSTR:
        if (src->bstrVal) {
          copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
          if (!copy.bstrVal) return E_OUTOFMEMORY;
        }
        break;
      case VT_DISPATCH: if (src->pdispVal) src->pdispVal->AddRef(); break;
      case VT_UNKNOWN: if (src->punkVal) src->punkVal->AddRef(); break;
      default: break;
    }
  }
  *dst = copy;
  return S_OK;
}

HRESULT CoCreateGuid(GUID* guid) {
  static uint32_t next = 0;
  if (!guid) return E_INVALIDARG;
  *guid = GUID{++next, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0}};
  return S_OK;
}

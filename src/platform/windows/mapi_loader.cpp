// mapi32.dll is loaded on first use, never linked: a machine without MAPI still loads the
// add-in, and every MAPI call then fails with an HRESULT instead of crashing. 32-bit
// Windows and Wine export the stdcall-decorated names, so both forms are tried.
#include "platform/mapi.h"

namespace {

HMODULE Mapi() {
  static HMODULE module = LoadLibraryA("mapi32.dll");
  return module;
}

template <class Fn>
Fn Resolve(const char* plain, const char* decorated) {
  HMODULE m = Mapi();
  if (!m) return nullptr;
  FARPROC p = GetProcAddress(m, plain);
  if (!p) p = GetProcAddress(m, decorated);
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}

typedef HRESULT(WINAPI* GetOnePropFn)(LPMAPIPROP, ULONG, LPSPropValue*);
typedef HRESULT(WINAPI* SetOnePropFn)(LPMAPIPROP, LPSPropValue);

}  // namespace

STDAPI HrGetOneProp(LPMAPIPROP prop, ULONG tag, LPSPropValue* value) {
  static auto fn = Resolve<GetOnePropFn>("HrGetOneProp", "HrGetOneProp@12");
  if (!fn) return MAPI_E_NOT_FOUND;
  return fn(prop, tag, value);
}

STDAPI HrSetOneProp(LPMAPIPROP prop, LPSPropValue value) {
  static auto fn = Resolve<SetOnePropFn>("HrSetOneProp", "HrSetOneProp@8");
  if (!fn) return MAPI_E_NOT_FOUND;
  return fn(prop, value);
}

ULONG WINAPI MAPIFreeBuffer(LPVOID buffer) {
  static auto fn = Resolve<LPMAPIFREEBUFFER>("MAPIFreeBuffer", "MAPIFreeBuffer@4");
  return fn && buffer ? fn(buffer) : 0;
}

SCODE WINAPI MAPIAllocateBuffer(ULONG size, LPVOID* buffer) {
  static auto fn = Resolve<LPMAPIALLOCATEBUFFER>("MAPIAllocateBuffer", "MAPIAllocateBuffer@8");
  if (!fn) return MAPI_E_NOT_ENOUGH_MEMORY;
  return fn(size, buffer);
}

SCODE WINAPI MAPIAllocateMore(ULONG size, LPVOID object, LPVOID* buffer) {
  static auto fn = Resolve<LPMAPIALLOCATEMORE>("MAPIAllocateMore", "MAPIAllocateMore@12");
  if (!fn) return MAPI_E_NOT_ENOUGH_MEMORY;
  return fn(size, object, buffer);
}

HRESULT WINAPI MAPILogonEx(ULONG_PTR ui, LPTSTR profile, LPTSTR password, ULONG flags, LPMAPISESSION* session) {
  static auto fn = Resolve<LPMAPILOGONEX>("MAPILogonEx", "MAPILogonEx@20");
  if (session) *session = nullptr;
  if (!fn) return MAPI_E_LOGON_FAILED;
  return fn(ui, profile, password, flags, session);
}

// Portable stand-in for the Extended MAPI subset: property values, named properties,
// IMAPIProp in the SDK's slot order, the MAPI allocator and the one-property helpers.
#pragma once

#include "portable/com.h"

typedef GUID* LPGUID;
typedef const IID* LPCIID;
typedef ULONG* LPULONG;

#define PT_UNSPECIFIED 0x0000
#define PT_NULL 0x0001
#define PT_LONG 0x0003
#define PT_ERROR 0x000A
#define PT_BOOLEAN 0x000B
#define PT_STRING8 0x001E
#define PT_UNICODE 0x001F
#define PT_BINARY 0x0102
#define PROP_TYPE(tag) ((ULONG)(tag)&0xFFFF)
#define PROP_ID(tag) (((ULONG)(tag)) >> 16)
#define PROP_TAG(type, id) ((((ULONG)(id)) << 16) | ((ULONG)(type)))
#define CHANGE_PROP_TYPE(tag, type) (((ULONG)0xFFFF0000 & (tag)) | (type))

#define MNID_ID 0
#define MNID_STRING 1
#define MAPI_CREATE 0x00000002
#define KEEP_OPEN_READONLY 0x00000001
#define KEEP_OPEN_READWRITE 0x00000002
#define FORCE_SAVE 0x00000004

#define MAPI_E_CALL_FAILED E_FAIL
#define MAPI_E_NOT_ENOUGH_MEMORY E_OUTOFMEMORY
#define MAPI_E_INVALID_PARAMETER E_INVALIDARG
#define MAPI_E_NO_ACCESS E_ACCESSDENIED
#define MAPI_E_NO_SUPPORT ((HRESULT)0x80040102)
#define MAPI_E_NOT_FOUND ((HRESULT)0x8004010F)
#define MAPI_E_UNKNOWN_FLAGS ((HRESULT)0x80040106)
#define MAPI_E_LOGON_FAILED ((HRESULT)0x80040111)
#define MAPI_W_ERRORS_RETURNED ((HRESULT)0x00040380)

struct SPropTagArray {
  ULONG cValues;
  ULONG aulPropTag[1];
};
typedef SPropTagArray* LPSPropTagArray;
#define CbNewSPropTagArray(n) (offsetof(SPropTagArray, aulPropTag) + (n) * sizeof(ULONG))

struct SBinary {
  ULONG cb;
  BYTE* lpb;
};

union _PV {
  short i;
  LONG l;
  ULONG ul;
  unsigned short b;
  double dbl;
  char* lpszA;
  WCHAR* lpszW;
  SCODE err;
  LONG x;
  SBinary bin;
};

struct SPropValue {
  ULONG ulPropTag;
  ULONG dwAlignPad;
  union _PV Value;
};
typedef SPropValue* LPSPropValue;

struct SPropProblem {
  ULONG ulIndex;
  ULONG ulPropTag;
  SCODE scode;
};
struct SPropProblemArray {
  ULONG cProblem;
  SPropProblem aProblem[1];
};
typedef SPropProblemArray* LPSPropProblemArray;

struct MAPINAMEID {
  LPGUID lpguid;
  ULONG ulKind;
  union {
    LONG lID;
    LPWSTR lpwstrName;
  } Kind;
};
typedef MAPINAMEID* LPMAPINAMEID;

struct MAPIERROR;
typedef MAPIERROR* LPMAPIERROR;
struct IMAPIProgress;
typedef IMAPIProgress* LPMAPIPROGRESS;

struct IMAPIProp : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
  virtual HRESULT STDMETHODCALLTYPE SaveChanges(ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                                             LPSPropValue* lppPropArray) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions,
                                                 ULONG ulFlags, LPUNKNOWN* lppUnk) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetProps(ULONG cValues, LPSPropValue lpPropArray,
                                             LPSPropProblemArray* lppProblems) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteProps(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyTo(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps,
                                           ULONG ulUIParam, LPMAPIPROGRESS lpProgress, LPCIID lpInterface,
                                           LPVOID lpDestObj, ULONG ulFlags, LPSPropProblemArray* lppProblems) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyProps(LPSPropTagArray lpIncludeProps, ULONG ulUIParam,
                                              LPMAPIPROGRESS lpProgress, LPCIID lpInterface, LPVOID lpDestObj,
                                              ULONG ulFlags, LPSPropProblemArray* lppProblems) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags,
                                                    ULONG* lpcPropNames, LPMAPINAMEID** lpppPropNames) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                                                    LPSPropTagArray* lppPropTags) = 0;
};
typedef IMAPIProp* LPMAPIPROP;

// The session object is only held, never called, by the add-in.
struct IMAPISession : IUnknown {};
typedef IMAPISession* LPMAPISESSION;

SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);
SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
ULONG MAPIFreeBuffer(LPVOID lpBuffer);
HRESULT HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp);
HRESULT HrSetOneProp(LPMAPIPROP lpMapiProp, LPSPropValue lpProp);
HRESULT MAPILogonEx(ULONG_PTR ulUIParam, LPSTR lpszProfileName, LPSTR lpszPassword, ULONG ulFlags,
                    LPMAPISESSION* lppSession);

// The simulator answers the logon, as the MAPI subsystem would.
typedef HRESULT (*PortableMapiLogonHook)(LPMAPISESSION* session);
PortableMapiLogonHook SetPortableMapiLogonHook(PortableMapiLogonHook hook);
// Buffers handed out and not yet freed: a test's check that every MAPI buffer came back.
long PortableMapiBuffersOutstanding();

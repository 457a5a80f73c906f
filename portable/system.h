// Portable stand-in for the Win32 calls the add-in makes: text, strings, folders, time,
// files and the few user-interface calls that the simulator answers.
#pragma once

#include <cstdarg>
#include <cstdio>
#include "portable/types.h"

// Code pages: the ANSI code page is Windows-1252.
#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int cbSrc, LPWSTR dst, int cchDst);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int cchSrc, LPSTR dst, int cbDst,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);
LPSTR CharLowerA(LPSTR text);

// Module and string resources.
extern "C" HINSTANCE PortableModuleHandle();
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax);
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);
// The string table's blocks as the resource loader finds them: sixteen strings to a block,
// each its count and its characters, in the table of one language.
typedef struct HRSRC__* HRSRC;
typedef void* HGLOBAL;
typedef WORD LANGID;
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define RT_STRING MAKEINTRESOURCEW(6)  // the wide form
HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
void* LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);
// The user's Windows display language; the host sets it (English unless it does).
LANGID GetUserDefaultUILanguage();
void SetPortableUiLanguage(LANGID language);
BOOL DisableThreadLibraryCalls(HMODULE module);

// Folders.
#define CSIDL_APPDATA 0x001a
#define SHGFP_TYPE_CURRENT 0
typedef void* HANDLE;
HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path);

// Time.
struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
#define DATE_SHORTDATE 0x00000001
#define DATE_LONGDATE 0x00000002
void GetLocalTime(SYSTEMTIME* time);
// The clock GetLocalTime reads: null for the system's; a test fixes the time with it.
void SetPortableClock(void (*clock)(SYSTEMTIME* time));
int GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCSTR format, LPSTR out, int cchOut);

// Runtime-library files. Paths use the Windows separator; text mode writes "\n" as CR LF.
#define _SH_DENYNO 0x40
struct _stat {
  long st_size;
};
int _stat(const char* path, struct _stat* info);
int _mkdir(const char* path);
FILE* _fsopen(const char* path, const char* mode, int shareFlag);
int _vsnprintf(char* buffer, size_t count, const char* format, va_list args);

// User interface: answered by whoever hosts the add-in (the simulator installs hooks).
#define MB_OK 0x00000000L
#define MB_ICONEXCLAMATION 0x00000030L
#define IDOK 1
#define MB_OK 0x00000000L
#define MB_YESNO 0x00000004L
#define MB_ICONSTOP 0x00000010L
#define MB_ICONWARNING 0x00000030L
#define MB_DEFBUTTON2 0x00000100L
#define IDYES 6
#define IDNO 7
HWND GetActiveWindow();
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// The add-in's reason dialog, as its user answers it: the choice (0-based; the last one is
// "Other", whose text goes into other, at most otherSize bytes with its end), or -1 for
// Cancel. Texts are UTF-8. Windows shows the dialog itself from the DLL's resources.
int ReasonBox(HWND owner, const char* caption, const char* text, const char* const* choices, int count, char* other,
              int otherSize);

struct PortableUiHooks {
  HWND (*activeWindow)();
  int (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);
  int (*reasonBox)(HWND owner, const char* caption, const char* text, const char* const* choices, int count,
                   char* other, int otherSize);
};
// Installs the hooks; returns the previous ones. Null members keep the quiet defaults.
PortableUiHooks SetPortableUiHooks(PortableUiHooks hooks);

// The Windows event log: a source is registered, an event reported with its strings. The
// host program hears the reports (the simulator keeps them); without it they go nowhere.
#define EVENTLOG_ERROR_TYPE 0x0001
#define EVENTLOG_WARNING_TYPE 0x0002
#define EVENTLOG_INFORMATION_TYPE 0x0004
HANDLE RegisterEventSourceA(LPCSTR server, LPCSTR source);
BOOL ReportEventA(HANDLE log, WORD type, WORD category, DWORD eventId, void* userSid, WORD strings, DWORD dataSize,
                  LPCSTR* texts, void* data);
BOOL ReportEventW(HANDLE log, WORD type, WORD category, DWORD eventId, void* userSid, WORD strings, DWORD dataSize,
                  LPCWSTR* texts, void* data);
BOOL DeregisterEventSource(HANDLE log);
// The host hears each event with its insertion strings, in UTF-8.
typedef void (*PortableEventLogHook)(const char* source, WORD type, WORD category, DWORD eventId,
                                     const char* const* strings, WORD count);
PortableEventLogHook SetPortableEventLogHook(PortableEventLogHook hook);

// Policy switches that a Windows build compiles in and that the one portable library lets
// its host program choose per run instead (orvan-sim's --log-dir, --require-selection).
// -1 keeps the compiled-in choice.
struct PortablePolicyChoices {
  int logEnabled = -1;
  int requireSelection = -1;
};
PortablePolicyChoices& PortablePolicy();

// The file this module was loaded from (here: the running program).
DWORD GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size);

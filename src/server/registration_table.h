// The registry entries that make Windows and Outlook find the add-in. One table, read by
// DllRegisterServer/DllUnregisterServer and by the installer package's generator, so the
// two can never disagree.
#pragma once

namespace registration {

constexpr const char kClassIdText[] = "{5B1E7C42-3D9A-4e61-A0F8-27C4D913B6E5}";
constexpr const char kProgId[] = "OrvanClassifyAddinForOutlook";
constexpr const char kDisplayName[] = "Orvan Classify Add-In for Outlook";
constexpr const char kHostApplication[] = "Outlook";
constexpr unsigned long kLoadBehavior = 3;  // load at start-up, connected
constexpr unsigned long kCommandLineSafe = 0;
// Outlook 2010 and later skip OnBeginShutdown and OnDisconnection at exit unless the add-in
// asks for them: the bar placement is written and the tracker reports only then.
constexpr unsigned long kRequireShutdownNotification = 1;

// Where DllRegisterServer's values go, in the order it writes them. "%LIBRARY%" stands for
// the full path of the DLL file.
enum class Root { ClassesRoot, LocalMachine };
enum class Kind { String, Dword };
struct Entry {
  Root root;
  const char* key;
  const char* name;  // nullptr: the key's default value
  Kind kind;
  const char* text;
  unsigned long number;
};

constexpr const char kLibraryToken[] = "%LIBRARY%";
#define ORVAN_CLSID_KEY "CLSID\\{5B1E7C42-3D9A-4e61-A0F8-27C4D913B6E5}"
#define ORVAN_ADDIN_KEY "Software\\Microsoft\\Office\\Outlook\\Addins\\OrvanClassifyAddinForOutlook"
// The Application event log's source "Orvan Classify": its messages are the DLL's own table.
#define ORVAN_EVENT_SOURCE_KEY "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Orvan Classify"
constexpr unsigned long kEventTypesSupported = 7;  // error, warning, information
constexpr unsigned long kEventCategoryCount = 4;   // the message table's ids 1 to 4

constexpr Entry kEntries[] = {
    {Root::ClassesRoot, ORVAN_CLSID_KEY, nullptr, Kind::String, kDisplayName, 0},
    {Root::ClassesRoot, ORVAN_CLSID_KEY "\\InprocServer32", nullptr, Kind::String, kLibraryToken, 0},
    {Root::ClassesRoot, ORVAN_CLSID_KEY "\\ProgID", nullptr, Kind::String, kProgId, 0},
    {Root::ClassesRoot, "OrvanClassifyAddinForOutlook", nullptr, Kind::String, kDisplayName, 0},
    {Root::ClassesRoot, "OrvanClassifyAddinForOutlook\\CLSID", nullptr, Kind::String, kClassIdText, 0},
    {Root::LocalMachine, ORVAN_ADDIN_KEY, "LoadBehavior", Kind::Dword, nullptr, kLoadBehavior},
    {Root::LocalMachine, ORVAN_ADDIN_KEY, "CommandLineSafe", Kind::Dword, nullptr, kCommandLineSafe},
    {Root::LocalMachine, ORVAN_ADDIN_KEY, "FriendlyName", Kind::String, kDisplayName, 0},
    {Root::LocalMachine, ORVAN_ADDIN_KEY, "Description", Kind::String, kDisplayName, 0},
    {Root::LocalMachine, ORVAN_ADDIN_KEY, "RequireShutdownNotification", Kind::Dword, nullptr,
     kRequireShutdownNotification},
    {Root::LocalMachine, ORVAN_EVENT_SOURCE_KEY, "EventMessageFile", Kind::String, kLibraryToken, 0},
    {Root::LocalMachine, ORVAN_EVENT_SOURCE_KEY, "TypesSupported", Kind::Dword, nullptr, kEventTypesSupported},
    {Root::LocalMachine, ORVAN_EVENT_SOURCE_KEY, "CategoryMessageFile", Kind::String, kLibraryToken, 0},
    {Root::LocalMachine, ORVAN_EVENT_SOURCE_KEY, "CategoryCount", Kind::Dword, nullptr, kEventCategoryCount},
};

}  // namespace registration

// The add-in object Outlook creates and drives, which is also the process-wide context
// every other part of the add-in reaches through CurrentAddIn.
#pragma once

#include <memory>
#include "addin/ribbon.h"
#include "com/com_ptr.h"
#include "com/extensibility.h"
#include "com/ribbon.h"
#include "classify/settings.h"
#include "classify/stamped_items.h"
#include "diag/object_tracker.h"
#include "diag/session_log.h"
#include "platform/mapi.h"
#include "com/module.h"

class AddIn;
class EventSink;

// The add-in object the class factory made last: the context every other part reaches.
extern AddIn* CurrentAddIn;
class ExplorerHandler;

class AddIn final : public _IDTExtensibility2, public IRibbonExtensibility {
 public:
  AddIn() = default;
  AddIn(const AddIn&) = delete;
  AddIn& operator=(const AddIn&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch: no type information; the names are the ribbon's callbacks, which Office
  // calls by name.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) override;
  // IRibbonExtensibility
  HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) override;
  // _IDTExtensibility2
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch* AddInInst,
                                         SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

  // A negative n clears the carried level; any other n raises it to at least n.
  int CarryLevel(int n);

  // The context.
  ComPtr<IDispatch> Application;
  ComPtr<IDispatch> Namespace;
  ComPtr<IMAPISession> Session;
  // Declared so that, should they ever go with the object, they go in the shutdown's order:
  // the tracker reports into the log, and the log closes before the settings write.
  std::unique_ptr<ClassificationSettings> Settings;
  std::unique_ptr<SessionLog> Log;
  std::unique_ptr<ObjectTracker> Tracker;
  ExplorerHandler* ExplorerHandlerPtr = nullptr;  // ends itself with its Explorer
  EventSink* InspectorsSink = nullptr;            // the sink's one reference
  EventSink* ItemSendSink = nullptr;              // Application.ItemSend: the sink's one reference
  ::Ribbon Ribbon;
  int CarriedLevel = 0;
  StampedItems Stamped;  // stamped at Send, not gone out yet

  // Destroys an object that never reached the factory's count (its QueryInterface failed).
  static void Discard(AddIn* addIn) { delete addIn; }

 private:
  ~AddIn();
  HRESULT StartUp();
  HRESULT ShutDown();

  ModuleObjectCount moduleCount_;
  ULONG refs_ = 0;
};

// Whether a report would reach the log: reports whose arguments cost something to make
// (escaped outside text) ask first.
bool LogEnabled();
// Reports to the session log of the live add-in, if it has one. Returns at once while the
// log is off.
void LogPrint(const char* format, ...) ORVAN_PRINTF(1, 2);
// The live add-in's tracker, or null.
ObjectTracker* Tracker();
// The live add-in's settings, or null.
ClassificationSettings* Settings();

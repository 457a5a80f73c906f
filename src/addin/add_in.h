// The add-in object Outlook creates through the class factory and drives through
// IDTExtensibility2; Office also asks it for its ribbon and calls the ribbon's callbacks
// through its IDispatch. It owns its context (context/addin_context.h), which every handler it
// makes shares; nothing of it is process-wide.
#pragma once

#include "context/addin_context.h"
#include "com/extensibility.h"
#include "com/module.h"
#include "com/ribbon.h"

class AddIn final : public _IDTExtensibility2, public IRibbonExtensibility {
 public:
  AddIn();
  AddIn(const AddIn&) = delete;
  AddIn& operator=(const AddIn&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch: no type information; the names are the ribbon's callbacks, which Office
  // calls by name.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT* argErr) override;
  // IRibbonExtensibility
  HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) override;
  // _IDTExtensibility2
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch* AddInInst,
                                         SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

  // What the object shares with its handlers; for tests that look inside.
  AddInContext& Context() { return *context_; }

  // Destroys an object that never reached the factory's count (its QueryInterface failed).
  static void Discard(AddIn* addIn) { delete addIn; }

 private:
  ~AddIn();

  ModuleObjectCount moduleCount_;
  ULONG refs_ = 0;
  bool finalReleased_ = false;  // the last Release ran the shutdown: it never runs again
  ContextRef context_;
};

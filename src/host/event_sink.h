// The shape shared by every event sink of the add-in: a hand-written IDispatch whose
// Invoke dispatches on the event's DISPID, subscribed through the source's connection
// point, and kept by exactly one reference, its owner's. The owner's one Release
// unsubscribes the sink and destroys it.
#pragma once

#include "com/com_ptr.h"
#include "com/module.h"

class DroppedCallLog;

class EventSink : public IDispatch {
 public:
  EventSink(const EventSink&) = delete;
  EventSink& operator=(const EventSink&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  // Rejects a non-null interface id, then hands the event to OnEvent inside the guard.
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excepinfo, UINT* argerr) override;

  bool Subscribed() const { return bool(point_); }
  // Where the host calls its handling gives up on are said: its window's log, which lives
  // as long as the sink is subscribed (none: the log of whatever raised the event).
  void ReportDropsTo(DroppedCallLog* log) { drops_ = log; }
  ULONG RefCount() const { return refs_; }

 protected:
  explicit EventSink(const IID& eventIid) : eventIid_(eventIid) {}
  virtual ~EventSink() = default;

  // Advises the sink on the source's connection point for its event interface. Afterwards
  // the sink holds exactly one reference, its owner's, subscribed or not.
  void Subscribe(IUnknown* source);

  // The sink's own handling. The sink may be destroyed during this call (its owner's
  // Release); the implementation then touches no member afterwards.
  virtual HRESULT OnEvent(DISPID dispid, DISPPARAMS* params) = 0;
  // The log this sink reports to, for the sinks it makes in its turn.
  DroppedCallLog* DropLog() const { return drops_; }
  // Runs once, when the owner gives its reference back, before the subscription is
  // dropped: what the sink owns in its turn goes now, even while a source that could not
  // be unadvised keeps the sink itself alive.
  virtual void OnEnded() {}

 private:
  ModuleObjectCount moduleCount_;
  const IID& eventIid_;
  ULONG refs_ = 0;
  // The owner has given its reference back. A source whose Unadvise failed may still hold
  // the sink and call it; an ended sink ignores every event, since what it served is gone.
  bool ended_ = false;
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
  DroppedCallLog* drops_ = nullptr;
};

// The event's arguments arrive last first; Arg(params, 0) is the last one.
inline VARIANT* EventArg(DISPPARAMS* params, UINT indexFromEnd) {
  return (params && indexFromEnd < params->cArgs && params->rgvarg) ? &params->rgvarg[indexFromEnd] : nullptr;
}

// Office's ribbon interface that an add-in object offers: the host asks for it with
// QueryInterface and calls GetCustomUI through the vtable, once per ribbon; the callbacks
// the returned XML names are then called by name through the add-in's IDispatch.
#pragma once

#include "platform/win.h"

struct IRibbonExtensibility : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) = 0;
};

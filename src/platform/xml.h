// Where the XML reader comes from: Windows' XmlLite (xmllite.dll, a system DLL, over a
// memory stream of shlwapi's) or the portable stand-in of the same interface.
#pragma once

#include "platform/win.h"
#ifdef _WIN32
#include <shlwapi.h>
#include <xmllite.h>
#else
#include "portable/xmllite.h"
#endif

inline HRESULT NewXmlReader(IXmlReader** reader) {
#ifdef _WIN32
  return CreateXmlReader(__uuidof(IXmlReader), reinterpret_cast<void**>(reader), nullptr);
#else
  return CreateXmlReader(IID_IXmlReader, reinterpret_cast<void**>(reader), nullptr);
#endif
}

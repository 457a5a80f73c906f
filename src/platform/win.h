// The one place that decides where the Windows, COM and MAPI names come from: the real
// SDK on Windows, the project's own portable subset everywhere else.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <ocidl.h>
#include <olectl.h>
#include <shlobj.h>
#include <sys/stat.h>
#include <direct.h>
#include <share.h>
#else
#include "portable/types.h"
#include "portable/com.h"
#include "portable/system.h"
#include "portable/registry.h"
#endif

// Extended MAPI: the SDK headers on Windows (mapi32.dll itself is loaded at run time),
// the portable subset elsewhere.
#pragma once

#include "platform/win.h"

#ifdef _WIN32
#include <mapix.h>
#include <mapiutil.h>
#include <mapidefs.h>
#include <mapitags.h>
#else
#include "portable/mapi.h"
#endif

#ifndef PR_TRANSPORT_MESSAGE_HEADERS_A
#define PR_TRANSPORT_MESSAGE_HEADERS_A PROP_TAG(PT_STRING8, 0x007D)
#endif
#ifndef PR_ENTRYID
#define PR_ENTRYID PROP_TAG(PT_BINARY, 0x0FFF)
#endif

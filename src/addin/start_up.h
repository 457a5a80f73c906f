// Start-up of one add-in object, where its sinks and handlers are made: the composition
// root. The layers below know them only as sinks and windows of the context.
#pragma once

#include "platform/win.h"

class AddInContext;

// The context's start-up, then unless the policy disables the add-in: every main window,
// the main and compose windows Outlook opens from now on, and Application.ItemSend. A
// failing host call in an unguarded step comes back as its HRESULT with what was set up
// kept.
HRESULT StartUp(AddInContext& context);

#pragma once

// The deferred message box lives with the dialog bases, so that every layer can use it.
#include "support/dialogs/DeferredMessageBox.h"

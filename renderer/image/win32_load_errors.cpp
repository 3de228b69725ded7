// On Windows each message is a modal box owned by the window that has the keyboard focus.
#include <windows.h>

#include "load_errors.h"

void DefaultLoadErrorSink(const char* message) { MessageBoxA(GetFocus(), message, "Error", MB_OK); }

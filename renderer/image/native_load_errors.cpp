// Native builds have no message box: the messages are kept for the tests to read.
#include "load_errors.h"

void DefaultLoadErrorSink(const char* message) { LoadErrorLog().emplace_back(message); }

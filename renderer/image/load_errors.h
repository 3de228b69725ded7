// Where the picture reader's messages go. On Windows the default is a message box captioned
// "Error" owned by the focus window; in native builds the messages are kept in a log that tests
// read. Either can be replaced, for instance by a test that must not block on a box.
#pragma once

#include <string>
#include <vector>

// True for the whole run: the reader shows its messages.
extern bool ShowLoadErrors;

using LoadErrorSink = void (*)(const char* message);

// Installs `sink` for later messages; null restores the platform default.
void SetLoadErrorSink(LoadErrorSink sink);

// Passes `message` to the sink while ShowLoadErrors is true.
void ReportLoadError(const char* message);

// The platform default sink (defined once per platform).
void DefaultLoadErrorSink(const char* message);

// Messages the native default sink has kept, oldest first (always empty on Windows).
std::vector<std::string>& LoadErrorLog();

#include "load_errors.h"

bool ShowLoadErrors = true;

namespace {
LoadErrorSink currentSink = nullptr;
}

void SetLoadErrorSink(LoadErrorSink sink) { currentSink = sink; }

void ReportLoadError(const char* message) {
    if (!ShowLoadErrors) return;
    (currentSink ? currentSink : DefaultLoadErrorSink)(message);
}

std::vector<std::string>& LoadErrorLog() {
    static std::vector<std::string> log;
    return log;
}

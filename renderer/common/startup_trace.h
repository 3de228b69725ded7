// Start-up trace for measuring where a session's first seconds go (bench/startup_session.sh).
// When the environment variable QUILLMOOR_STARTUP_TRACE names a file, each step appends a line
// "<step> <microseconds since 1970>" to it; both programs share the wall clock, so their lines
// can be laid side by side. Without the variable a step costs one look at the environment,
// made once per program.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>

inline void TraceStartup(const char* step) {
    static const char* const path = std::getenv("QUILLMOOR_STARTUP_TRACE");
    if (!path || !*path) return;
    const long long now =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    if (std::FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s %lld\n", step, now);
        std::fclose(file);
    }
}

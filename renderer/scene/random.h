// A scene's random generator: a 32-bit linear congruential state starting at 1. The order of
// draws is part of the scene's behaviour; each scene has a generator of its own.
#pragma once

#include <cstdint>

class Random {
public:
    // Advances the state (state * 214013 + 2531011, modulo 2^32) and returns bits 16..30 of it:
    // 0 to 32767.
    int RandomInt();

    // Sets the state to `seed`.
    void SeedRandom(uint32_t seed) { state_ = seed; }

    // The state as it stands (for recordings of a run).
    uint32_t State() const { return state_; }

    // Tests replace the generator to script the draws and count them; null restores it.
    using Source = int (*)();
    void SetSource(Source source) { source_ = source; }

private:
    uint32_t state_ = 1;
    Source source_ = nullptr;
};

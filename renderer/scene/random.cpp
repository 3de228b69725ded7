#include "random.h"

namespace {
uint32_t state = 1;
RandomSource override = nullptr;
}  // namespace

int RandomInt() {
    if (override) return override();
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

void SeedRandom(uint32_t seed) { state = seed; }

uint32_t RandomState() { return state; }

void SetRandomSource(RandomSource source) { override = source; }

// The recording GL (recording_gl.cpp): the hash of every drawing call since the last reset.
#pragma once

#include <cstdint>

uint64_t RecordedGlHash();
void ResetRecordedGl();

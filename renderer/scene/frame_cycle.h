// The camera cycle of the frame loop, counted in swapped frames: the scene starts in orbit,
// switches to the roadside at 1000, back to orbit at 500, and so on.
#pragma once

// Frames since the last switch to the roadside camera; whole numbers from 0 to 1000.
extern float CameraCycleFrames;

// Counts one swapped frame (drawn or not) and switches the camera when the count is exactly
// 500 (orbit) or 1000 (roadside, at a new point; the count starts again).
void CountSwappedFrame();

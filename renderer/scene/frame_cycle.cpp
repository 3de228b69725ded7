#include "frame_cycle.h"

#include "scene.h"

float CameraCycleFrames = 0.0f;

void CountSwappedFrame() {
    CameraCycleFrames += 1.0f;
    if (CameraCycleFrames == 500.0f) Camera.mode = CameraOrbit;
    if (CameraCycleFrames == 1000.0f) {
        PlaceRoadsideCamera();
        Camera.mode = CameraRoadside;
        CameraCycleFrames = 0.0f;
    }
}

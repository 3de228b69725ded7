// The ground (a grid of tiles each showing the whole ground picture, with a raised rim) and the
// smoke (64 additive billboards rising around the wheels, in the vehicle's frame).
#pragma once

#include "vec3.h"

constexpr int kGridSize = 64;
constexpr int kSmokeCount = 64;

// Grid vertices [i][j] = x, y, z.
extern double GroundGrid[kGridSize][kGridSize][3];

struct SmokeParticle {
    float x, y, z;     // position in the vehicle's frame
    float vx, vy, vz;  // change per frame
    float life;        // 0 towards 1: the quad's size, and 1 - life its brightness
    float fade;        // added to life per frame
};

extern SmokeParticle SmokeParticles[kSmokeCount];

void InitGroundGrid();
void DrawGround();
void InitSmoke();
void UpdateAndDrawSmoke();

// One additive, textured square standing on a corner (half-diagonal `size`) at `centre`,
// turned towards the eye; `slot` indexes SceneTextures.
void DrawBillboard(Vec3 centre, double size, float red, float green, float blue, float eyeX, float eyeY,
                   float eyeZ, int slot);

// The ground (a grid of tiles each showing the whole ground picture, with a raised rim) and the
// smoke (64 additive billboards rising around the wheels, in the vehicle's frame).
#pragma once

#include <cstdint>

#include "random.h"
#include "vec3.h"

constexpr int kGridSize = 64;
constexpr int kSmokeCount = 64;  // at most 64: StepSmoke's answer has a bit for each

// Grid vertices [i][j] = x, y, z: the same for every scene.
extern double GroundGrid[kGridSize][kGridSize][3];

struct SmokeParticle {
    float x, y, z;     // position in the vehicle's frame
    float vx, vy, vz;  // change per step
    float life;        // 0 towards 1: the quad's size, and 1 - life its brightness
    float fade;        // added to life per step
};

void InitGroundGrid();

// The grid with `texture` on every tile.
void DrawGround(unsigned int texture);

// Every particle at its first spawn point, its fade drawn from `random`; `speed` is the
// vehicle's speed as it stands (0 before the vehicle is placed).
void InitSmoke(SmokeParticle (&smoke)[kSmokeCount], Random& random, float speed);

// Each particle's step, after it was drawn as it stood: older, or spawned anew with fresh draws
// from `random` once its life is full. Returns the particles spawned anew, bit i for particle i.
uint64_t StepSmoke(SmokeParticle (&smoke)[kSmokeCount], Random& random, float speed);

// One additive, textured square standing on a corner (half-diagonal `size`) at `centre`,
// turned towards the eye.
void DrawBillboard(Vec3 centre, double size, float red, float green, float blue, float eyeX, float eyeY,
                   float eyeZ, unsigned int texture);

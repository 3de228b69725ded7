#include "ground_smoke.h"

#include "renderer/common/gl_api.h"

double GroundGrid[kGridSize][kGridSize][3];

namespace {

// Spawn points by particle index mod 4; the first set differs in x on the -x side.
constexpr float kStartX[4] = {2.5f, -2.5f, 2.5f, -2.5f};
constexpr float kRespawnX[4] = {2.5f, -2.3f, 2.5f, -2.3f};
constexpr float kSpawnY = 0.3f;
constexpr float kSpawnZ[4] = {4.5f, 4.5f, -4.5f, -4.5f};

}  // namespace

void InitGroundGrid() {
    for (int i = 0; i < kGridSize; ++i) {
        for (int j = 0; j < kGridSize; ++j) {
            // Rows and columns 0 and 62 are raised; 63 lies flat beyond the ridge.
            const bool rim = i == 0 || i == 62 || j == 0 || j == 62;
            GroundGrid[i][j][0] = (i - 32) * 32.0;
            GroundGrid[i][j][1] = rim ? 30.0 : 0.0;
            GroundGrid[i][j][2] = (j - 32) * 32.0;
        }
    }
}

void DrawGround(unsigned int texture) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    auto vertex = [](int i, int j) {
        glVertex3f(static_cast<float>(GroundGrid[i][j][0]), static_cast<float>(GroundGrid[i][j][1]),
                   static_cast<float>(GroundGrid[i][j][2]));
    };
    for (int j = 0; j < kGridSize - 1; ++j) {
        for (int i = 0; i < kGridSize - 1; ++i) {
            glBegin(GL_QUADS);  // every cell shows the whole picture
            glTexCoord2f(0.0f, 0.0f);
            vertex(i, j);
            glTexCoord2f(0.0f, 1.0f);
            vertex(i, j + 1);
            glTexCoord2f(1.0f, 1.0f);
            vertex(i + 1, j + 1);
            glTexCoord2f(1.0f, 0.0f);
            vertex(i + 1, j);
            glEnd();
        }
    }
    glDisable(GL_TEXTURE_2D);
}

void InitSmoke(SmokeParticle (&smoke)[kSmokeCount], Random& random, float speed) {
    for (int i = 0; i < kSmokeCount; ++i) {
        SmokeParticle& p = smoke[i];
        p.x = kStartX[i % 4];
        p.y = kSpawnY;
        p.z = kSpawnZ[i % 4];
        p.life = 0.0f;
        p.fade = static_cast<float>((random.RandomInt() % 100) / 1000.0 + 0.5);
        p.vx = 0.0f;
        p.vy = 0.01f;
        p.vz = -speed;
    }
}

uint64_t StepSmoke(SmokeParticle (&smoke)[kSmokeCount], Random& random, float speed) {
    static_assert(kSmokeCount <= 64, "one bit a particle");
    uint64_t spawned = 0;
    for (int i = 0; i < kSmokeCount; ++i) {
        SmokeParticle& p = smoke[i];
        p.life = static_cast<float>(double(p.life) + p.fade);
        if (p.life >= 1.0f) {
            spawned |= uint64_t(1) << i;
            p.x = kRespawnX[i % 4];
            p.y = kSpawnY;
            p.z = kSpawnZ[i % 4];
            p.life = static_cast<float>((random.RandomInt() % 100) / 100.0);
            p.fade = static_cast<float>((random.RandomInt() % 100) / 1000.0 + 0.1);
            p.vx = 0.0f;
            p.vy = 0.01f;
            p.vz = static_cast<float>(speed / 50.0);
        } else {
            p.vz = static_cast<float>(p.vz / 1.1);
            p.x = static_cast<float>(double(p.x) + p.vx);
            p.y = static_cast<float>(double(p.y) + p.vy);
            p.z = static_cast<float>(double(p.z) + p.vz);
        }
    }
    return spawned;
}

void DrawBillboard(Vec3 centre, double size, float red, float green, float blue, float eyeX, float eyeY,
                   float eyeZ, unsigned int texture) {
    // The eye is a world position and the centre is in the vehicle's frame; they are combined
    // as they are, which turns the quads towards a point that moves with the vehicle.
    const Vec3 d = Vec3Subtract({eyeX, eyeY, eyeZ}, centre);
    Vec3 right = Vec3Cross(d, {0.0, 0.0, 1.0});
    Vec3 up = Vec3Cross(d, right);
    right = Vec3Scale(Vec3Normalize(right), size);
    up = Vec3Scale(Vec3Normalize(up), size);

    glColor3f(red, green, blue);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDepthMask(GL_FALSE);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3d(centre.x + right.x, centre.y + right.y, centre.z + right.z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3d(centre.x - up.x, centre.y - up.y, centre.z - up.z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3d(centre.x - right.x, centre.y - right.y, centre.z - right.z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3d(centre.x + up.x, centre.y + up.y, centre.z + up.z);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

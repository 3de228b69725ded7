// A GL that draws nothing and remembers everything: each drawing call the scene makes, with its
// arguments' bits, folded into one running hash. Linked into a test program in place of the real
// GL's entry points of the same names, so that a sequence of frames can be held against a
// recording call for call.
#include "recording_gl.h"

#include <cstring>

#include "renderer/common/gl_api.h"

namespace {

constexpr uint64_t kStart = 0x243f6a8885a308d3ull;
uint64_t hash = kStart;

// Folds in a value of up to eight bytes, its bits as they are.
template <typename T>
void Mix(T value) {
    static_assert(sizeof(T) <= 8, "one word at a time");
    uint64_t word = 0;
    std::memcpy(&word, &value, sizeof value);
    hash = (hash ^ word) * 0x9e3779b97f4a7c15ull;
    hash ^= hash >> 29;
}

template <typename... T>
void Call(int id, T... args) {
    Mix(id);
    (Mix(args), ...);
}

void CallArray(int id, const float* values, int count) {
    Mix(id);
    for (int i = 0; i < count; ++i) Mix(values[i]);
}

}  // namespace

uint64_t RecordedGlHash() { return hash; }
void ResetRecordedGl() { hash = kStart; }

extern "C" {
void glBegin(GLenum mode) { Call(1, mode); }
void glEnd() { Call(2); }
void glBindTexture(GLenum target, GLuint name) { Call(3, target, name); }
void glBlendFunc(GLenum s, GLenum d) { Call(4, s, d); }
void glClear(GLbitfield mask) { Call(5, mask); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { Call(6, r, g, b); }
void glDepthMask(GLboolean flag) { Call(7, flag); }
void glDisable(GLenum cap) { Call(8, cap); }
void glEnable(GLenum cap) { Call(9, cap); }
GLboolean glIsEnabled(GLenum cap) {
    Call(10, cap);
    return GL_FALSE;
}
void glLoadIdentity() { Call(11); }
void glMaterialf(GLenum face, GLenum name, GLfloat value) { Call(12, face, name, value); }
void glMaterialfv(GLenum face, GLenum name, const GLfloat* values) {
    Call(13, face, name);
    CallArray(13, values, name == GL_SHININESS ? 1 : 4);
}
void glNormal3fv(const GLfloat* v) { CallArray(14, v, 3); }
void glPopMatrix() { Call(15); }
void glPushMatrix() { Call(16); }
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { Call(17, angle, x, y, z); }
void glTexCoord2f(GLfloat s, GLfloat t) { Call(18, s, t); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { Call(19, x, y, z); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) { Call(20, x, y, z); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { Call(21, x, y, z); }
void glVertex3fv(const GLfloat* v) { CallArray(22, v, 3); }
void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz, GLdouble ux, GLdouble uy,
               GLdouble uz) {
    Call(23, ex, ey, ez, cx, cy, cz, ux, uy, uz);
}
}

// Small vector helpers for the smoke billboards, in double precision.
#pragma once

#include <cmath>

struct Vec3 {
    double x, y, z;
};

inline double Vec3Length(double x, double y, double z) { return std::sqrt(x * x + y * y + z * z); }

// Unit vector along v; a zero vector stays zero instead of dividing by 0.
inline Vec3 Vec3Normalize(Vec3 v) {
    const double length = Vec3Length(v.x, v.y, v.z);
    if (length == 0.0) return v;
    return {v.x / length, v.y / length, v.z / length};
}

inline Vec3 Vec3Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline Vec3 Vec3Scale(Vec3 v, double s) { return {v.x * s, v.y * s, v.z * s}; }

inline Vec3 Vec3Subtract(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

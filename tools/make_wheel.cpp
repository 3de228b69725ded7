// Writes the shipped wheel model as a MilkShape 3D (version 4) file.
//
// The wheel's axle is the model's x axis through the origin; +x is the outer face (the scene
// turns the wheels of the other side half a turn). Tyre: outer radius 0.95, width 0.8, a
// rounded square cross-section revolved about the axle with smooth normals. Rim: a barrel, an
// outer lip, five tapered spokes, a hub with its cap and a back plate. No textures.
//
// The output depends only on this program, so running it again gives the same bytes.
//
// usage: make_wheel OUTPUT
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct V3 {
    double x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 Unit(V3 a) {
    double l = std::sqrt(Dot(a, a));
    return l > 0 ? a * (1.0 / l) : V3{1, 0, 0};
}

// A point on the surface of revolution: profile (x along the axle, r from it) at angle a.
V3 Revolve(double x, double r, double a) { return {x, r * std::cos(a), r * std::sin(a)}; }

struct Corner {
    int vertex;
    V3 normal;
    double s, t;
};

struct Triangle {
    Corner c[3];
    int group;
};

struct Group {
    std::string name;
    int material;
    std::vector<int> triangles;
};

struct Material {
    std::string name;
    float ambient[4], diffuse[4], specular[4];
    float shininess;
};

class Mesh {
public:
    int AddGroup(const std::string& name, int material) {
        groups.push_back({name, material, {}});
        return static_cast<int>(groups.size()) - 1;
    }
    int Vertex(V3 p) {
        vertices.push_back(p);
        return static_cast<int>(vertices.size()) - 1;
    }
    // Adds a triangle, ordering its corners counter-clockwise as seen from its normals' side.
    void Tri(int group, Corner a, Corner b, Corner c) {
        V3 face = Cross(vertices[b.vertex] - vertices[a.vertex], vertices[c.vertex] - vertices[a.vertex]);
        if (Dot(face, a.normal + b.normal + c.normal) < 0) std::swap(b, c);
        groups[group].triangles.push_back(static_cast<int>(triangles.size()));
        triangles.push_back({{a, b, c}, group});
    }
    void Quad(int group, Corner a, Corner b, Corner c, Corner d) {
        Tri(group, a, b, c);
        Tri(group, a, c, d);
    }

    // A profile of (x, r) points with their (x, r) normals revolved in `segments` steps.
    void Lathe(int group, const std::vector<double>& px, const std::vector<double>& pr,
               const std::vector<double>& nx, const std::vector<double>& nr, int segments) {
        const size_t n = px.size();
        std::vector<int> grid;
        for (int k = 0; k < segments; ++k) {
            double a = 2 * kPi * k / segments;
            for (size_t i = 0; i < n; ++i) grid.push_back(Vertex(Revolve(px[i], pr[i], a)));
        }
        auto corner = [&](int k, size_t i) {
            double a = 2 * kPi * k / segments;
            int kk = k % segments;
            return Corner{grid[kk * n + i], Unit(Revolve(nx[i], nr[i], a)), double(k) / segments,
                          double(i) / double(n - 1)};
        };
        for (int k = 0; k < segments; ++k) {
            for (size_t i = 0; i + 1 < n; ++i) {
                Quad(group, corner(k, i), corner(k, i + 1), corner(k + 1, i + 1), corner(k + 1, i));
            }
        }
    }

    // A flat ring (or a disc when inner is 0) at x facing `side` (+1 or -1 along x).
    void Ring(int group, double x, double inner, double outer, int side, int segments) {
        V3 n{double(side), 0, 0};
        int centre = inner > 0 ? -1 : Vertex({x, 0, 0});
        std::vector<int> in, out;
        for (int k = 0; k < segments; ++k) {
            double a = 2 * kPi * k / segments;
            if (inner > 0) in.push_back(Vertex(Revolve(x, inner, a)));
            out.push_back(Vertex(Revolve(x, outer, a)));
        }
        for (int k = 0; k < segments; ++k) {
            int k1 = (k + 1) % segments;
            double s0 = double(k) / segments, s1 = double(k + 1) / segments;
            Corner o0{out[k], n, s0, 1}, o1{out[k1], n, s1, 1};
            if (inner > 0) {
                Quad(group, Corner{in[k], n, s0, 0}, o0, o1, Corner{in[k1], n, s1, 0});
            } else {
                Tri(group, Corner{centre, n, 0.5, 0}, o0, o1);
            }
        }
    }

    // A box from its eight corners (x0/x1 x radial r0/r1 x tangential -w/+w), flat normals.
    void Spoke(int group, double angle, double x0, double x1, double r0, double r1, double w0, double w1) {
        V3 radial{0, std::cos(angle), std::sin(angle)};
        V3 tangent{0, -std::sin(angle), std::cos(angle)};
        auto p = [&](int xi, int ri, int ti) {
            double r = ri ? r1 : r0;
            double w = (ri ? w1 : w0) * (ti ? 1 : -1);
            return V3{xi ? x1 : x0, 0, 0} + radial * r + tangent * w;
        };
        auto face = [&](V3 normal, V3 a, V3 b, V3 c, V3 d) {
            Quad(group, Corner{Vertex(a), normal, 0, 0}, Corner{Vertex(b), normal, 1, 0},
                 Corner{Vertex(c), normal, 1, 1}, Corner{Vertex(d), normal, 0, 1});
        };
        V3 side = Unit(tangent * (r1 - r0) - radial * (w1 - w0));
        V3 otherSide = Unit(tangent * -(r1 - r0) - radial * (w1 - w0));
        face({1, 0, 0}, p(1, 0, 0), p(1, 1, 0), p(1, 1, 1), p(1, 0, 1));
        face({-1, 0, 0}, p(0, 0, 0), p(0, 1, 0), p(0, 1, 1), p(0, 0, 1));
        face(side, p(0, 0, 1), p(0, 1, 1), p(1, 1, 1), p(1, 0, 1));
        face(otherSide, p(0, 0, 0), p(0, 1, 0), p(1, 1, 0), p(1, 0, 0));
        face(radial, p(0, 1, 0), p(0, 1, 1), p(1, 1, 1), p(1, 1, 0));
        face(radial * -1, p(0, 0, 0), p(0, 0, 1), p(1, 0, 1), p(1, 0, 0));
    }

    std::vector<V3> vertices;
    std::vector<Triangle> triangles;
    std::vector<Group> groups;
};

class Writer {
public:
    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v) {
        U8(v & 0xFF);
        U8(v >> 8);
    }
    void I32(int32_t v) {
        uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) U8((u >> (8 * i)) & 0xFF);
    }
    void F32(double v) {
        float f = static_cast<float>(v);
        int32_t bits;
        std::memcpy(&bits, &f, 4);
        I32(bits);
    }
    void Text(const std::string& s, size_t size) {
        for (size_t i = 0; i < size; ++i) U8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }
    std::vector<uint8_t> bytes;
};

Mesh BuildWheel() {
    Mesh mesh;
    const int tyre = mesh.AddGroup("tyre", 0);
    const int rim = mesh.AddGroup("rim", 1);
    const int spokes = mesh.AddGroup("spokes", 1);
    const int hub = mesh.AddGroup("hub", 2);

    // Tyre: a superellipse cross-section (half-width 0.4 along x, 0.165 radially, centred at
    // r = 0.785) so the tread is nearly flat with rounded shoulders and bulging side walls.
    {
        const int steps = 28;
        const double a = 0.40, b = 0.165, c = 0.785, e = 4.0;
        std::vector<double> px, pr, nx, nr;
        for (int i = 0; i <= steps; ++i) {
            double phi = 2 * kPi * i / steps - kPi / 2;  // starts and ends at the inner bead
            double cs = std::cos(phi), sn = std::sin(phi);
            double ux = std::copysign(std::pow(std::fabs(cs), 2 / e), cs);
            double ur = std::copysign(std::pow(std::fabs(sn), 2 / e), sn);
            px.push_back(a * ux);
            pr.push_back(c + b * ur);
            // Gradient of |x/a|^e + |r/b|^e: the outward normal of the cross-section.
            double gx = std::copysign(std::pow(std::fabs(ux), e - 1), ux) / a;
            double gr = std::copysign(std::pow(std::fabs(ur), e - 1), ur) / b;
            double l = std::hypot(gx, gr);
            nx.push_back(gx / l);
            nr.push_back(gr / l);
        }
        mesh.Lathe(tyre, px, pr, nx, nr, 40);
    }

    // Rim: the barrel seen through the spokes, the outer lip and the back plate.
    mesh.Lathe(rim, {-0.30, 0.30}, {0.625, 0.625}, {0, 0}, {-1, -1}, 40);
    mesh.Ring(rim, 0.30, 0.50, 0.64, +1, 40);
    mesh.Lathe(rim, {0.24, 0.30}, {0.50, 0.50}, {0, 0}, {-1, -1}, 40);
    mesh.Ring(hub, 0.08, 0.0, 0.625, +1, 40);
    mesh.Ring(rim, -0.30, 0.0, 0.64, -1, 40);

    // Five spokes from the hub to the lip, narrowing outwards.
    for (int k = 0; k < 5; ++k) mesh.Spoke(spokes, 2 * kPi * k / 5 + kPi / 2, 0.16, 0.26, 0.12, 0.52, 0.075, 0.045);

    // Hub: a short cylinder with a flat cap.
    mesh.Lathe(hub, {0.14, 0.34}, {0.15, 0.15}, {0, 0}, {1, 1}, 24);
    mesh.Ring(hub, 0.34, 0.0, 0.15, +1, 24);
    return mesh;
}

std::vector<uint8_t> WriteMs3d(const Mesh& mesh, const std::vector<Material>& materials) {
    Writer w;
    w.Text("MS3D000000", 10);
    w.I32(4);
    w.U16(static_cast<uint16_t>(mesh.vertices.size()));
    for (const V3& v : mesh.vertices) {
        w.U8(0);
        w.F32(v.x);
        w.F32(v.y);
        w.F32(v.z);
        w.U8(0xFF);  // no bone
        w.U8(1);
    }
    w.U16(static_cast<uint16_t>(mesh.triangles.size()));
    for (const Triangle& t : mesh.triangles) {
        w.U16(0);
        for (const Corner& c : t.c) w.U16(static_cast<uint16_t>(c.vertex));
        for (const Corner& c : t.c) {
            w.F32(c.normal.x);
            w.F32(c.normal.y);
            w.F32(c.normal.z);
        }
        for (const Corner& c : t.c) w.F32(c.s);
        for (const Corner& c : t.c) w.F32(c.t);
        w.U8(1);
        w.U8(static_cast<uint8_t>(t.group));
    }
    w.U16(static_cast<uint16_t>(mesh.groups.size()));
    for (const Group& g : mesh.groups) {
        w.U8(0);
        w.Text(g.name, 32);
        w.U16(static_cast<uint16_t>(g.triangles.size()));
        for (int t : g.triangles) w.U16(static_cast<uint16_t>(t));
        w.U8(static_cast<uint8_t>(g.material));
    }
    w.U16(static_cast<uint16_t>(materials.size()));
    for (const Material& m : materials) {
        w.Text(m.name, 32);
        for (float v : m.ambient) w.F32(v);
        for (float v : m.diffuse) w.F32(v);
        for (float v : m.specular) w.F32(v);
        for (int i = 0; i < 4; ++i) w.F32(i == 3 ? 1.0 : 0.0);  // emissive
        w.F32(m.shininess);
        w.F32(1.0);  // transparency: opaque
        w.U8(0);
        w.Text("", 128);  // no texture: a relative name would depend on the renderer's folder
        w.Text("", 128);
    }
    // Animation header with no joints, as other readers expect after the materials.
    w.F32(24.0);
    w.F32(0.0);
    w.I32(1);
    w.U16(0);
    return w.bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    const std::vector<Material> materials = {
        {"rubber", {0.04f, 0.04f, 0.04f, 1}, {0.13f, 0.13f, 0.14f, 1}, {0.18f, 0.18f, 0.18f, 1}, 10},
        {"alloy", {0.48f, 0.48f, 0.50f, 1}, {0.72f, 0.72f, 0.75f, 1}, {0.95f, 0.95f, 0.95f, 1}, 70},
        {"hub", {0.34f, 0.31f, 0.25f, 1}, {0.45f, 0.42f, 0.36f, 1}, {0.80f, 0.78f, 0.70f, 1}, 40},
    };
    std::vector<uint8_t> bytes = WriteMs3d(BuildWheel(), materials);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "make_wheel: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

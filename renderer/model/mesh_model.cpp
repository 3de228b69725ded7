#include "mesh_model.h"

#include <cstring>
#include <new>
#include <utility>

#include "renderer/image/mapped_file.h"

namespace {

constexpr size_t kHeaderSize = 14;
constexpr size_t kVertexSize = 15;
constexpr size_t kTriangleSize = 70;
constexpr size_t kGroupFixedSize = 36;  // flags, name, count, material index
constexpr size_t kMaterialSize = 361;
constexpr size_t kTextureNameSize = 128;

static_assert(sizeof(float) == 4, "MS3D floats are IEEE single precision");
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the MS3D reader copies little-endian fields as they are"
#endif

// Reads over the file image. Callers check with Has() before they read; the fields are
// little-endian like the machines the renderer runs on, so they are copied as they are.
class ByteReader {
public:
    ByteReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

    bool Has(size_t count) const { return size_ - pos_ >= count; }
    const uint8_t* Here() const { return bytes_ + pos_; }
    void Skip(size_t count) { pos_ += count; }

    uint16_t U16() {
        uint16_t v;
        std::memcpy(&v, Here(), sizeof v);
        pos_ += sizeof v;
        return v;
    }
    int32_t I32() {
        int32_t v;
        std::memcpy(&v, Here(), sizeof v);
        pos_ += sizeof v;
        return v;
    }
    float F32() {
        float v;
        std::memcpy(&v, Here(), sizeof v);
        pos_ += sizeof v;
        return v;
    }
    void Floats(float* out, int count) {
        std::memcpy(out, Here(), sizeof(float) * count);
        pos_ += sizeof(float) * count;
    }

private:
    const uint8_t* bytes_;
    size_t size_;
    size_t pos_ = 0;
};

// Reads a uint16 count and checks that `count` records of `recordSize` bytes follow.
bool ReadCount(ByteReader& in, size_t recordSize, int& count) {
    if (!in.Has(2)) return false;
    count = in.U16();
    return in.Has(static_cast<size_t>(count) * recordSize);
}

// Every field of each element is filled from the file, so the arrays start uninitialised.
template <typename T>
std::unique_ptr<T[]> NewArray(int count) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[count > 0 ? count : 1]);
}

}  // namespace

MeshModel::~MeshModel() { Clear(); }

void MeshModel::Clear() {
    meshes.reset();
    meshCount = 0;
    materials.reset();
    materialCount = 0;
    triangles.reset();
    triangleCount = 0;
    vertices.reset();
    vertexCount = 0;
}

bool ParseMs3d(const uint8_t* bytes, size_t size, MeshModel& model) {
    if (size < kHeaderSize || std::memcmp(bytes, "MS3D000000", 10) != 0) return false;
    ByteReader in(bytes, size);
    in.Skip(10);
    const int32_t version = in.I32();
    if (version < 3 || version > 4) return false;

    int vertexCount = 0;
    if (!ReadCount(in, kVertexSize, vertexCount)) return false;
    auto vertices = NewArray<ModelVertex>(vertexCount);
    if (!vertices) return false;
    for (int i = 0; i < vertexCount; ++i) {
        in.Skip(1);  // flags
        in.Floats(vertices[i].position, 3);
        vertices[i].boneId = static_cast<int8_t>(in.Here()[0]);
        in.Skip(2);  // bone id, reference count
    }

    int triangleCount = 0;
    if (!ReadCount(in, kTriangleSize, triangleCount)) return false;
    auto triangles = NewArray<ModelTriangle>(triangleCount);
    if (!triangles) return false;
    for (int i = 0; i < triangleCount; ++i) {
        ModelTriangle& t = triangles[i];
        in.Skip(2);  // flags
        for (int& index : t.vertexIndices) {
            index = in.U16();
            if (index >= vertexCount) return false;
        }
        in.Floats(&t.normals[0][0], 9);
        in.Floats(t.s, 3);
        for (float& v : t.t) v = 1.0f - in.F32();
        in.Skip(2);  // smoothing group, group index
    }

    int meshCount = 0;
    if (!ReadCount(in, kGroupFixedSize, meshCount)) return false;
    auto meshes = NewArray<ModelMesh>(meshCount);
    if (!meshes) return false;
    for (int i = 0; i < meshCount; ++i) {
        ModelMesh& mesh = meshes[i];
        if (!in.Has(kGroupFixedSize - 1)) return false;
        in.Skip(33);  // flags, name
        mesh.triangleCount = in.U16();
        if (!in.Has(static_cast<size_t>(mesh.triangleCount) * 2 + 1)) return false;
        mesh.triangleIndices = NewArray<int>(mesh.triangleCount);
        if (!mesh.triangleIndices) return false;
        for (int k = 0; k < mesh.triangleCount; ++k) {
            int index = in.U16();
            if (index >= triangleCount) return false;
            mesh.triangleIndices[k] = index;
        }
        mesh.materialIndex = static_cast<int8_t>(in.Here()[0]);
        in.Skip(1);
    }

    int materialCount = 0;
    if (!ReadCount(in, kMaterialSize, materialCount)) return false;
    auto materials = NewArray<ModelMaterial>(materialCount);
    if (!materials) return false;
    for (int i = 0; i < materialCount; ++i) {
        ModelMaterial& m = materials[i];
        in.Skip(32);  // name
        in.Floats(m.ambient, 4);
        in.Floats(m.diffuse, 4);
        in.Floats(m.specular, 4);
        in.Floats(m.emissive, 4);
        m.shininess = in.F32();
        in.Skip(5);  // transparency, mode
        // The field is read once, into a copy of our own: the file's bytes may change under a
        // mapping while they are read, and a name found terminated must stay so.
        char name[kTextureNameSize];
        std::memcpy(name, in.Here(), kTextureNameSize);
        const void* end = std::memchr(name, 0, kTextureNameSize);
        if (!end) return false;
        const size_t length = static_cast<size_t>(static_cast<const char*>(end) - name);
        m.textureFile.reset(new (std::nothrow) char[length + 1]);
        if (!m.textureFile) return false;
        std::memcpy(m.textureFile.get(), name, length);
        m.textureFile[length] = '\0';
        m.texture = 0;
        in.Skip(2 * kTextureNameSize);  // texture and alpha map names
    }
    // Joints, animation and comments after the materials are not needed for drawing.

    model.vertexCount = vertexCount;
    model.vertices = std::move(vertices);
    model.triangleCount = triangleCount;
    model.triangles = std::move(triangles);
    model.meshCount = meshCount;
    model.meshes = std::move(meshes);
    model.materialCount = materialCount;
    model.materials = std::move(materials);
    return true;
}

bool Ms3dModel::Load(const char* fileName) {
    // The whole file in one piece, parsed in place. Others may read it meanwhile but not write
    // it: a file someone holds open for writing counts as missing. An empty file cannot hold a
    // model.
    MappedFile file;
    if (file.Open(fileName) != MappedFile::Result::Mapped) return false;
    Ms3dModel fresh;
    if (!ParseMs3d(file.Data(), file.Size(), fresh)) return false;
    file.Close();
    Clear();
    std::swap(meshCount, fresh.meshCount);
    std::swap(meshes, fresh.meshes);
    std::swap(materialCount, fresh.materialCount);
    std::swap(materials, fresh.materials);
    std::swap(triangleCount, fresh.triangleCount);
    std::swap(triangles, fresh.triangles);
    std::swap(vertexCount, fresh.vertexCount);
    std::swap(vertices, fresh.vertices);
    ReloadTextures();
    return true;
}

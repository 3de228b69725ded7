// The wheel model: meshes of triangles with materials, read from a MilkShape 3D binary file.
#pragma once

#include <cstdint>
#include <memory>

struct ModelVertex {
    int8_t boneId;  // kept from the file, not used for drawing
    float position[3];
};

struct ModelTriangle {
    float normals[3][3];  // one normal per corner
    float s[3];
    float t[3];  // already flipped: 1 - t of the file
    int vertexIndices[3];
};

struct ModelMesh {
    int materialIndex;  // negative (or past the material table): no material
    int triangleCount;
    std::unique_ptr<int[]> triangleIndices;
};

struct ModelMaterial {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emissive[4];
    float shininess;
    unsigned int texture;  // GL texture name, 0 for none
    std::unique_ptr<char[]> textureFile;  // zero-terminated, possibly empty
};

class MeshModel {
public:
    MeshModel() = default;
    virtual ~MeshModel();
    MeshModel(const MeshModel&) = delete;
    MeshModel& operator=(const MeshModel&) = delete;

    // Reads the model from `fileName`; true on success. A failed load leaves the model as it was.
    virtual bool Load(const char* fileName) = 0;

    // Makes each material's texture from its file name (0 without a name, a picture or a
    // current GL context, and for a name that is not a local path: see texture_names.h). Each
    // distinct name is read once, at most kMaxModelTextures of them. Textures made earlier are
    // not deleted.
    void ReloadTextures();

    // Draws every mesh as triangles with its material, in the current GL matrix.
    void Draw() const;

    int meshCount = 0;
    std::unique_ptr<ModelMesh[]> meshes;
    int materialCount = 0;
    std::unique_ptr<ModelMaterial[]> materials;
    int triangleCount = 0;
    std::unique_ptr<ModelTriangle[]> triangles;
    int vertexCount = 0;
    std::unique_ptr<ModelVertex[]> vertices;

protected:
    // Frees every array and sets the counts to 0.
    void Clear();
};

class Ms3dModel : public MeshModel {
public:
    // Accepts MS3D versions 3 and 4. Refuses, leaving the model unchanged, a file that cannot
    // be opened, has another identifier or version, is cut short, or holds a vertex or triangle
    // index past its table or a texture name without its terminator.
    bool Load(const char* fileName) override;
};

// Parses an MS3D file image into `model`; the same checks as Ms3dModel::Load, no textures made.
bool ParseMs3d(const uint8_t* bytes, size_t size, MeshModel& model);

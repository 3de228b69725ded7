// The MS3D reader: real models from outside the project, and files built byte by byte.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "renderer/image/local_paths.h"
#include "renderer/model/mesh_model.h"
#include "renderer/model/texture_names.h"
#include "tests/common/files.h"

namespace {

const std::string kModels = std::string(QM_TESTDATA) + "/ms3d/";

// A small MS3D file, section by section, so that tests can bend each field.
struct Ms3dLayout {
    char tenth = '0';
    int32_t version = 4;
    int vertices = 3;
    int triangles = 1;
    uint16_t badVertexIndex = 0;    // when non-zero, the triangle's first vertex index
    std::vector<std::vector<uint16_t>> groups = {{0}};
    std::vector<uint8_t> groupMaterials = {0};
    int materials = 1;
    std::string textureName = "";
    bool terminateTexture = true;
    float t0 = 0.25f;
    std::vector<uint8_t> trailer = {0, 0, 0xC0, 0x41, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
};

class Out {
public:
    void U8(uint8_t v) { b.push_back(v); }
    void U16(uint16_t v) { U8(v & 0xFF), U8(v >> 8); }
    void I32(int32_t v) {
        for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    }
    void F32(float f) {
        int32_t v;
        std::memcpy(&v, &f, 4);
        I32(v);
    }
    void Fill(size_t n, uint8_t v = 0) { b.insert(b.end(), n, v); }
    std::vector<uint8_t> b;
};

struct Ms3dBytes {
    std::vector<uint8_t> bytes;
    std::vector<size_t> sectionStarts;  // vertices, triangles, groups, materials, trailer
};

Ms3dBytes BuildMs3d(const Ms3dLayout& s) {
    Out o;
    Ms3dBytes result;
    for (char c : std::string("MS3D00000")) o.U8(static_cast<uint8_t>(c));
    o.U8(static_cast<uint8_t>(s.tenth));
    o.I32(s.version);
    result.sectionStarts.push_back(o.b.size());
    o.U16(static_cast<uint16_t>(s.vertices));
    for (int i = 0; i < s.vertices; ++i) {
        o.U8(0);
        o.F32(static_cast<float>(i));
        o.F32(static_cast<float>(i * 2));
        o.F32(static_cast<float>(i * 3));
        o.U8(static_cast<uint8_t>(-2));  // bone id
        o.U8(1);
    }
    result.sectionStarts.push_back(o.b.size());
    o.U16(static_cast<uint16_t>(s.triangles));
    for (int i = 0; i < s.triangles; ++i) {
        o.U16(0);
        o.U16(s.badVertexIndex ? s.badVertexIndex : 0);
        o.U16(1);
        o.U16(2);
        for (int k = 0; k < 9; ++k) o.F32(k == 1 || k == 4 || k == 7 ? 1.0f : 0.0f);
        for (float v : {0.0f, 1.0f, 0.5f}) o.F32(v);
        for (float v : {s.t0, 1.0f, 0.0f}) o.F32(v);
        o.U8(1);
        o.U8(0);
    }
    result.sectionStarts.push_back(o.b.size());
    o.U16(static_cast<uint16_t>(s.groups.size()));
    for (size_t g = 0; g < s.groups.size(); ++g) {
        o.U8(0);
        o.Fill(32);
        o.U16(static_cast<uint16_t>(s.groups[g].size()));
        for (uint16_t t : s.groups[g]) o.U16(t);
        o.U8(s.groupMaterials[g]);
    }
    result.sectionStarts.push_back(o.b.size());
    o.U16(static_cast<uint16_t>(s.materials));
    for (int m = 0; m < s.materials; ++m) {
        o.Fill(32);
        for (int k = 0; k < 16; ++k) o.F32(0.1f * (k % 4 + 1) + m);
        o.F32(12.5f);
        o.F32(1.0f);
        o.U8(0);
        std::string name = s.textureName;
        for (size_t i = 0; i < 128; ++i) o.U8(i < name.size() ? static_cast<uint8_t>(name[i]) : (s.terminateTexture ? 0 : 'x'));
        o.Fill(128);
    }
    result.sectionStarts.push_back(o.b.size());
    o.b.insert(o.b.end(), s.trailer.begin(), s.trailer.end());
    result.bytes = o.b;
    return result;
}

// Writes `bytes` to a file in the test's temporary folder and returns its path.
std::string WriteTemp(const std::vector<uint8_t>& bytes, const char* name = "model.ms3d") {
    const std::string path = TestFolder() + name;
    EXPECT_TRUE(WriteBytes(path, bytes));
    return path;
}

bool LoadBytes(const std::vector<uint8_t>& bytes, Ms3dModel& model) { return model.Load(WriteTemp(bytes).c_str()); }

TEST(Ms3dFiles, ModelsFromOutsideGiveTheirCounts) {
    // Counts as a second reader (assimp, raw import) gives them: meshes = groups.
    const struct {
        const char* file;
        int vertices, triangles, groups, materials;
    } cases[] = {
        {"twospheres.ms3d", 124, 240, 2, 0},
        {"twospheres_withmats.ms3d", 124, 240, 2, 2},
        {"Wuson.ms3d", 2117, 3732, 1, 0},
        {"jeep1.ms3d", 1190, 2032, 7, 1},
        {"InvalidMaterialIndex.ms3d", 1, 1, 1, 1},
    };
    for (const auto& c : cases) {
        Ms3dModel model;
        ASSERT_TRUE(model.Load((kModels + c.file).c_str())) << c.file;
        EXPECT_EQ(model.vertexCount, c.vertices) << c.file;
        EXPECT_EQ(model.triangleCount, c.triangles) << c.file;
        EXPECT_EQ(model.meshCount, c.groups) << c.file;
        EXPECT_EQ(model.materialCount, c.materials) << c.file;
        int grouped = 0;
        for (int g = 0; g < model.meshCount; ++g) grouped += model.meshes[g].triangleCount;
        EXPECT_EQ(grouped, c.triangles) << c.file;
    }
}

TEST(Ms3dFiles, MaterialIndicesAndTextureNamesAsStored) {
    Ms3dModel plain;
    ASSERT_TRUE(plain.Load((kModels + "twospheres.ms3d").c_str()));
    EXPECT_EQ(plain.meshes[0].materialIndex, -1);
    EXPECT_EQ(plain.meshes[1].materialIndex, -1);

    Ms3dModel mats;
    ASSERT_TRUE(mats.Load((kModels + "twospheres_withmats.ms3d").c_str()));
    EXPECT_EQ(mats.meshes[0].materialIndex, 1);
    EXPECT_EQ(mats.meshes[1].materialIndex, 0);

    // The jeep's texture keeps its relative name with the backslash; without a GL context
    // no texture is made.
    Ms3dModel jeep;
    ASSERT_TRUE(jeep.Load((kModels + "jeep1.ms3d").c_str()));
    EXPECT_STREQ(jeep.materials[0].textureFile.get(), ".\\jeep1.jpg");
    EXPECT_EQ(jeep.materials[0].texture, 0u);

    Ms3dModel invalid;
    ASSERT_TRUE(invalid.Load((kModels + "InvalidMaterialIndex.ms3d").c_str()));
    EXPECT_EQ(invalid.meshes[0].materialIndex, 1);  // past the one material: drawn as none
}

TEST(Ms3dFields, WhatTheReaderKeeps) {
    Ms3dLayout layout;
    layout.textureName = "wheel.bmp";
    Ms3dModel m;
    ASSERT_TRUE(LoadBytes(BuildMs3d(layout).bytes, m));
    EXPECT_EQ(m.vertices[2].position[2], 6.0f);
    EXPECT_EQ(m.vertices[1].boneId, -2);
    EXPECT_EQ(m.triangles[0].vertexIndices[2], 2);
    EXPECT_EQ(m.triangles[0].normals[1][1], 1.0f);
    EXPECT_EQ(m.triangles[0].s[1], 1.0f);
    EXPECT_EQ(m.triangles[0].t[0], 0.75f);  // stored as 1 - t
    EXPECT_EQ(m.triangles[0].t[2], 1.0f);
    EXPECT_EQ(m.meshes[0].materialIndex, 0);
    EXPECT_FLOAT_EQ(m.materials[0].diffuse[2], 0.3f);
    EXPECT_EQ(m.materials[0].shininess, 12.5f);
    EXPECT_STREQ(m.materials[0].textureFile.get(), "wheel.bmp");
    // A model read where another one's material (with a texture) was: no texture yet.
    const Ms3dBytes file = BuildMs3d(layout);
    {
        Ms3dModel earlier;
        ASSERT_TRUE(ParseMs3d(file.bytes.data(), file.bytes.size(), earlier));
        earlier.materials[0].texture = 77;
    }
    Ms3dModel later;
    ASSERT_TRUE(ParseMs3d(file.bytes.data(), file.bytes.size(), later));
    EXPECT_EQ(later.materials[0].texture, 0u);

    // Material index bytes from 128 up are negative: no material.
    layout.groupMaterials = {0xFF};
    ASSERT_TRUE(LoadBytes(BuildMs3d(layout).bytes, m));
    EXPECT_EQ(m.meshes[0].materialIndex, -1);
    layout.groupMaterials = {0x80};
    ASSERT_TRUE(LoadBytes(BuildMs3d(layout).bytes, m));
    EXPECT_EQ(m.meshes[0].materialIndex, -128);
}

TEST(Ms3dFields, VersionsAndIdentifier) {
    for (int32_t version : {3, 4}) {
        Ms3dLayout layout;
        layout.version = version;
        Ms3dModel m;
        EXPECT_TRUE(LoadBytes(BuildMs3d(layout).bytes, m)) << version;
        EXPECT_EQ(m.triangleCount, 1);
    }
    for (int32_t version : {2, 5, -4, 0x7FFFFFFF}) {
        Ms3dLayout layout;
        layout.version = version;
        Ms3dModel m;
        EXPECT_FALSE(LoadBytes(BuildMs3d(layout).bytes, m)) << version;
    }
    Ms3dLayout layout;
    layout.tenth = '1';
    Ms3dModel m;
    EXPECT_FALSE(LoadBytes(BuildMs3d(layout).bytes, m));
}

TEST(Ms3dFields, EmptyGroupsAndTrailingData) {
    Ms3dLayout layout;
    layout.groups.clear();
    layout.groupMaterials.clear();
    Ms3dModel m;
    ASSERT_TRUE(LoadBytes(BuildMs3d(layout).bytes, m));
    EXPECT_EQ(m.meshCount, 0);

    // Nothing after the materials matters: none, or junk.
    Ms3dLayout bare;
    bare.trailer.clear();
    EXPECT_TRUE(LoadBytes(BuildMs3d(bare).bytes, m));
    bare.trailer.assign(1000, 0xAB);
    EXPECT_TRUE(LoadBytes(BuildMs3d(bare).bytes, m));
}

TEST(Ms3dRefusals, FilesCutAnywhereAreRefused) {
    const Ms3dBytes whole = BuildMs3d(Ms3dLayout{});
    const size_t end = whole.sectionStarts.back();  // the trailer is optional
    for (size_t cut = 0; cut < end; ++cut) {
        Ms3dModel m;
        EXPECT_FALSE(LoadBytes(std::vector<uint8_t>(whole.bytes.begin(), whole.bytes.begin() + cut), m))
            << "cut at " << cut;
        EXPECT_EQ(m.meshCount + m.vertexCount + m.triangleCount + m.materialCount, 0);
    }
}

TEST(Ms3dRefusals, CountsLargerThanTheFile) {
    const Ms3dBytes whole = BuildMs3d(Ms3dLayout{});
    for (size_t at : whole.sectionStarts) {
        if (at == whole.sectionStarts.back()) break;
        std::vector<uint8_t> bytes = whole.bytes;
        bytes[at] = bytes[at + 1] = 0xFF;  // 65535 records
        Ms3dModel m;
        EXPECT_FALSE(LoadBytes(bytes, m)) << "count at " << at;
    }
}

TEST(Ms3dRefusals, IndicesPastTheirTablesAndUnterminatedNames) {
    Ms3dModel m;
    Ms3dLayout vertexIndex;
    vertexIndex.badVertexIndex = 3;  // three vertices: 0..2
    EXPECT_FALSE(LoadBytes(BuildMs3d(vertexIndex).bytes, m));

    Ms3dLayout triangleIndex;
    triangleIndex.groups = {{0, 1}};  // one triangle: index 1 is past it
    EXPECT_FALSE(LoadBytes(BuildMs3d(triangleIndex).bytes, m));

    Ms3dLayout name;
    name.textureName = std::string(127, 'a');
    EXPECT_TRUE(LoadBytes(BuildMs3d(name).bytes, m));  // 127 letters and the terminator fit
    name.textureName = std::string(128, 'a');
    EXPECT_FALSE(LoadBytes(BuildMs3d(name).bytes, m));
    name.textureName = "";
    name.terminateTexture = false;
    EXPECT_FALSE(LoadBytes(BuildMs3d(name).bytes, m));
}

TEST(Ms3dLifetime, ReloadReplacesAndFailureKeeps) {
    Ms3dModel m;
    EXPECT_FALSE(m.Load((TestFolder() + "no-such-model.ms3d").c_str()));
    EXPECT_FALSE(m.Load(WriteTemp({}, "empty.ms3d").c_str()));
    EXPECT_EQ(m.vertexCount, 0);

    ASSERT_TRUE(m.Load((kModels + "Wuson.ms3d").c_str()));
    ASSERT_TRUE(m.Load((kModels + "twospheres.ms3d").c_str()));
    EXPECT_EQ(m.vertexCount, 124);
    EXPECT_EQ(m.meshCount, 2);

    Ms3dLayout bad;
    bad.version = 5;
    EXPECT_FALSE(LoadBytes(BuildMs3d(bad).bytes, m));
    EXPECT_EQ(m.vertexCount, 124);  // the earlier model is still whole
    EXPECT_EQ(m.triangleCount, 240);
    EXPECT_EQ(m.meshes[1].triangleCount, 120);
}

// Another program writing the file while it is parsed (a mapping shows its writes at once): a
// name found terminated is copied terminated, whatever the byte holds by the time of the copy.
// The writer flips the byte after each material's "a" between the terminator and a letter; the
// next terminator is 39 letters on, so a name reads back as 1 or 40 letters and nothing else.
TEST(Ms3dRefusals, ANameChangingWhileItIsReadStaysTerminated) {
    Ms3dLayout layout;
    layout.materials = 200;
    layout.textureName = "a" + std::string(39, 'x');
    Ms3dBytes file = BuildMs3d(layout);
    constexpr size_t kMaterial = 32 + 4 * 16 + 4 + 4 + 1 + 2 * 128;  // name, colours, shininess...
    std::vector<std::atomic<uint8_t>*> flipped;
    for (int m = 0; m < layout.materials; ++m) {
        const size_t nameAt = file.sectionStarts[3] + 2 + m * kMaterial + 32 + 4 * 16 + 4 + 4 + 1;
        ASSERT_EQ(std::memcmp(&file.bytes[nameAt], "axx", 3), 0) << m;
        flipped.push_back(reinterpret_cast<std::atomic<uint8_t>*>(&file.bytes[nameAt + 1]));
    }
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        while (!stop.load(std::memory_order_relaxed)) {
            for (auto* byte : flipped) byte->store(0, std::memory_order_relaxed);
            for (auto* byte : flipped) byte->store('x', std::memory_order_relaxed);
        }
    });
    int parsed = 0, wrong = 0;
    for (int i = 0; i < 300; ++i) {
        Ms3dModel m;
        if (!ParseMs3d(file.bytes.data(), file.bytes.size(), m)) continue;
        ++parsed;
        for (int k = 0; k < m.materialCount; ++k) {
            const size_t length = std::strlen(m.materials[k].textureFile.get());
            wrong += length != 1 && length != 40;
        }
    }
    stop = true;
    writer.join();
    EXPECT_EQ(parsed, 300);
    EXPECT_EQ(wrong, 0);
}

// Texture names that may be opened: plain paths of a drive; not shares, device or object
// namespaces however spelt, devices, streams or nothing. And an open file's own final path: on a
// lettered drive, or not local.
TEST(TextureNames, OnlyPlainDrivePathsMayBeOpened) {
    const struct {
        const char* name;
        bool local;
    } cases[] = {
        {"wheel.bmp", true},
        {".\\textures\\wheel.bmp", true},
        {"c:\\q_mora\\wheel.bmp", true},
        {"C:wheel.bmp", true},
        {"\\textures\\wheel.bmp", false},  // rooted, as every other namespace is written
        {"d:/pictures/console.bmp", true},   // a device name only as a whole part
        {"comet.bmp", true},
        {"COM10.bmp", true},
        {"", false},
        {"\\\\host\\share\\x.bmp", false},
        {"//host/share/x.bmp", false},
        {"\\/host/x.bmp", false},
        {"/\\host\\x.bmp", false},
        {"\\\\.\\pipe\\name", false},
        {"\\\\?\\UNC\\host\\share\\x.bmp", false},
        {"\\\\?\\c:\\x.bmp", false},
        {"CON", false},
        {"con.bmp", false},
        {"c:\\q_mora\\NUL", false},
        {"nul.", false},
        {"Aux .bmp", false},
        {"COM1", false},
        {"lpt9.txt", false},
        {"conin$", false},
        {"CONOUT$.bmp", false},
        {"prn\\x.bmp", false},
        {"x.bmp:stream", false},
        {"c:\\x.bmp:stream:$DATA", false},
        {"c::x.bmp", false},
        {"1:x.bmp", false},
        {"\\??\\UNC\\host\\share\\x.bmp", false},
        {"\\GLOBAL??\\pipe\\name", false},
        {"/?" "?/UNC/host/share/x.bmp", false},  // split: no trigraph
        {"\\Device\\Mup\\host\\share\\x.bmp", false},
    };
    for (const auto& c : cases) EXPECT_EQ(TextureNameIsLocal(c.name), c.local) << c.name;

    EXPECT_EQ(DriveOfFinalPath("\\\\?\\c:\\q_mora\\x.bmp"), 'C');
    for (const char* elsewhere : {"\\\\?\\UNC\\host\\share\\x.bmp", "\\\\?\\Volume{1b3f}\\x.bmp", "C:\\x.bmp",
                                  "\\??\\C:\\x.bmp", "\\\\?\\C:x.bmp", "\\\\?\\"}) {
        EXPECT_EQ(DriveOfFinalPath(elsewhere), 0) << elsewhere;
    }
}

}  // namespace

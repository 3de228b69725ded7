// The fuzzers' kept inputs, replayed on every run: the smallest set of files that reached every
// branch the fuzzers found in the decoder, the model reader and the wallpaper reader, plus each
// finding ever made.
// Under the sanitizer tree an out-of-bounds access here stops the run.
#include <gtest/gtest.h>
#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

#include "renderer/image/dib_decode.h"
#include "renderer/model/mesh_model.h"
#include "saver/ground/jpeg_reduced.h"
#include "saver/ground/picture_header.h"
#include "tests/common/files.h"

namespace {

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.') names.push_back(folder + "/" + entry->d_name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

const std::string kCorpus = std::string(QM_SOURCE) + "/fuzz/corpus/";

TEST(FuzzCorpus, PicturesDecodeWholeOrAreRefused) {
    const auto files = FilesIn(kCorpus + "dib");
    ASSERT_GE(files.size(), 20u) << "the kept pictures are missing";
    int decoded = 0;
    for (const auto& path : files) {
        const std::vector<uint8_t> bytes = ReadBytes(path);
        RgbImage* image = nullptr;
        const DibError error = DecodeDib(bytes.data(), bytes.size(), &image);
        if (error != DibError::None) {
            EXPECT_EQ(image, nullptr) << path;
            continue;
        }
        ASSERT_NE(image, nullptr) << path;
        EXPECT_GT(image->width, 0) << path;
        EXPECT_GT(image->height, 0) << path;
        // Every pixel is read, so the sanitizers see the whole buffer.
        unsigned sum = 0;
        const size_t n = size_t(image->width) * image->height * 3;
        for (size_t i = 0; i < n; ++i) sum += image->data[i];
        (void)sum;
        FreeRgbImage(image);
        ++decoded;
    }
    // The set holds both kinds; a decoder that refused everything would pass the loop above.
    EXPECT_GT(decoded, 0);
    EXPECT_LT(decoded, int(files.size()));
}

TEST(FuzzCorpus, WallpapersAreReadAtTheirSizeOrRefused) {
    const auto files = FilesIn(kCorpus + "wallpaper");
    ASSERT_GE(files.size(), 20u) << "the kept wallpapers are missing";
    int read = 0;
    for (const auto& path : files) {
        const std::vector<uint8_t> bytes = ReadBytes(path);
        const PictureHeader header = ReadPictureHeader(bytes.data(), bytes.size());
        for (int d : {2, 4, 8}) {
            BgrPicture picture;
            if (ReadJpegReduced(bytes.data(), bytes.size(), d, picture) != ReducedJpeg::Read) continue;
            ++read;
            ASSERT_EQ(picture.width, (header.size.width + d - 1) / d) << path;
            ASSERT_EQ(picture.height, (header.size.height + d - 1) / d) << path;
            unsigned sum = 0;
            for (uint8_t b : picture.bgr) sum += b;  // every pixel, for the sanitizers
            (void)sum;
        }
    }
    EXPECT_GT(read, 0);
    EXPECT_LT(read, int(files.size()) * 3);
}

TEST(FuzzCorpus, ModelsHoldOnlyIndicesInsideTheirTables) {
    const auto files = FilesIn(kCorpus + "ms3d");
    ASSERT_GE(files.size(), 20u) << "the kept models are missing";
    int accepted = 0;
    for (const auto& path : files) {
        const std::vector<uint8_t> bytes = ReadBytes(path);
        Ms3dModel model;
        if (!ParseMs3d(bytes.data(), bytes.size(), model)) {
            EXPECT_EQ(model.vertexCount + model.triangleCount + model.meshCount + model.materialCount, 0) << path;
            continue;
        }
        ++accepted;
        for (int t = 0; t < model.triangleCount; ++t) {
            for (int v : model.triangles[t].vertexIndices) {
                ASSERT_TRUE(v >= 0 && v < model.vertexCount) << path << " triangle " << t;
            }
        }
        for (int m = 0; m < model.meshCount; ++m) {
            for (int k = 0; k < model.meshes[m].triangleCount; ++k) {
                const int t = model.meshes[m].triangleIndices[k];
                ASSERT_TRUE(t >= 0 && t < model.triangleCount) << path << " mesh " << m;
            }
        }
    }
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, int(files.size()));
}

}  // namespace

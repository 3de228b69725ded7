// The reader against the BMP Suite: good files look like the suite's reference renderings,
// bad files are refused (or, where the fault lies in a field the reader never uses, read),
// and questionable files are read or refused, never a crash.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdlib>
#include <string>
#include <vector>

// stb_image for the whole unit test program: PNG here, JPEG for the wallpaper reading test.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include <stb_image.h>

#include "renderer/image/image_file.h"
#include "renderer/image/load_errors.h"

namespace {

const std::string kSuite = std::string(QM_TESTDATA) + "/bmpsuite/";

struct Loaded {
    RgbImage* image = nullptr;
    std::vector<std::string> messages;
    ~Loaded() { FreeRgbImage(image); }
};

void Load(const std::string& path, Loaded& out) {
    LoadErrorLog().clear();
    out.image = LoadDibFile(path.c_str());
    out.messages = LoadErrorLog();
}

// Largest channel difference between our image and a reference PNG of the same size, or -1
// when the sizes differ.
int DifferenceFromReference(const RgbImage& image, const std::string& png) {
    int w = 0, h = 0, n = 0;
    unsigned char* ref = stbi_load(png.c_str(), &w, &h, &n, 3);
    if (!ref) {
        ADD_FAILURE() << "cannot read " << png;
        return -1;
    }
    int worst = -1;
    if (w == image.width && h == image.height) {
        worst = 0;
        for (int y = 0; y < h; ++y) {
            const unsigned char* ours = image.data + static_cast<size_t>(h - 1 - y) * w * 3;  // ours is bottom-up
            const unsigned char* theirs = ref + static_cast<size_t>(y) * w * 3;
            for (int i = 0; i < w * 3; ++i) worst = std::max(worst, std::abs(ours[i] - theirs[i]));
        }
    }
    stbi_image_free(ref);
    return worst;
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() > 4 && name.substr(name.size() - 4) == ".bmp") names.push_back(name);
        }
        closedir(d);
    }
    return names;
}

TEST(BmpSuite, GoodFilesMatchTheirReferences) {
    const struct {
        const char* file;
        const char* reference;
    } cases[] = {
        {"pal1.bmp", "pal1.png"},           {"pal1wb.bmp", "pal1.png"},         {"pal1bg.bmp", "pal1bg.png"},
        {"pal4.bmp", "pal4.png"},           {"pal4gs.bmp", "pal4gs.png"},       {"pal4rle.bmp", "pal4.png"},
        {"pal8.bmp", "pal8.png"},           {"pal8-0.bmp", "pal8.png"},         {"pal8gs.bmp", "pal8gs.png"},
        {"pal8rle.bmp", "pal8.png"},        {"pal8w126.bmp", "pal8w126.png"},   {"pal8w125.bmp", "pal8w125.png"},
        {"pal8w124.bmp", "pal8w124.png"},   {"pal8topdown.bmp", "pal8.png"},    {"pal8os2.bmp", "pal8.png"},
        {"pal8nonsquare.bmp", "pal8nonsquare-e.png"},
        {"rgb16.bmp", "rgb16.png"},         {"rgb16bfdef.bmp", "rgb16.png"},    {"rgb16-565.bmp", "rgb16-565.png"},
        {"rgb16-565pal.bmp", "rgb16-565.png"},
        {"rgb24.bmp", "rgb24.png"},         {"rgb24pal.bmp", "rgb24.png"},      {"rgb32.bmp", "rgb24.png"},
        {"rgb32bfdef.bmp", "rgb24.png"},    {"rgb32bf.bmp", "rgb24.png"},
    };
    for (const auto& c : cases) {
        Loaded l;
        Load(kSuite + "g/" + c.file, l);
        ASSERT_NE(l.image, nullptr) << c.file << (l.messages.empty() ? "" : ": " + l.messages[0]);
        EXPECT_TRUE(l.messages.empty()) << c.file;
        // 5- and 6-bit channels may round differently from the reference by a step or two.
        EXPECT_LE(DifferenceFromReference(*l.image, kSuite + "reference/" + c.reference), 2) << c.file;
        EXPECT_GE(DifferenceFromReference(*l.image, kSuite + "reference/" + c.reference), 0) << c.file;
    }
}

TEST(BmpSuite, VersionFourAndFiveHeadersAreRefused) {
    for (const char* file : {"pal8v4.bmp", "pal8v5.bmp"}) {
        Loaded l;
        Load(kSuite + "g/" + file, l);
        EXPECT_EQ(l.image, nullptr) << file;
        EXPECT_EQ(l.messages, std::vector<std::string>{"Unknown DIB file format."}) << file;
    }
}

TEST(BmpSuite, BadFilesAreRefusedUnlessTheFaultIsInAFieldNeverRead) {
    // Faults in the densities, the file size and the image size field: the reader never uses
    // these fields, so the pictures read like their good twin. Indices past the colour table
    // show black, as on a fresh bitmap surface. Every other bad file is refused with exactly
    // one message.
    const struct {
        const char* file;
        const char* readsLike;  // reference, "" when read without one, null when refused
    } cases[] = {
        {"badbitcount.bmp", nullptr},   {"badbitssize.bmp", "pal1.png"},  {"baddens1.bmp", "pal1.png"},
        {"baddens2.bmp", "pal1.png"},   {"badfilesize.bmp", "pal1.png"},  {"badheadersize.bmp", nullptr},
        {"badpalettesize.bmp", nullptr}, {"badplanes.bmp", nullptr},      {"badrle4.bmp", nullptr},
        {"badrle4bis.bmp", nullptr},    {"badrle4ter.bmp", nullptr},      {"badrle.bmp", nullptr},
        {"badrlebis.bmp", nullptr},     {"badrleter.bmp", nullptr},       {"badwidth.bmp", nullptr},
        {"pal8badindex.bmp", ""},  {"reallybig.bmp", nullptr},       {"rgb16-880.bmp", "rgb16-880.png"},
        {"rletopdown.bmp", nullptr},    {"shortfile.bmp", nullptr},
    };
    ASSERT_EQ(FilesIn(kSuite + "b").size(), std::size(cases));
    for (const auto& c : cases) {
        Loaded l;
        Load(kSuite + "b/" + c.file, l);
        if (c.readsLike) {
            ASSERT_NE(l.image, nullptr) << c.file;
            if (*c.readsLike) {
                EXPECT_LE(DifferenceFromReference(*l.image, kSuite + "reference/" + c.readsLike), 2) << c.file;
                EXPECT_GE(DifferenceFromReference(*l.image, kSuite + "reference/" + c.readsLike), 0) << c.file;
            }
        } else {
            EXPECT_EQ(l.image, nullptr) << c.file;
            EXPECT_EQ(l.messages.size(), 1u) << c.file;
        }
    }
}

TEST(BmpSuite, QuestionableFilesAreReadOrRefusedCleanly) {
    const std::vector<std::string> names = FilesIn(kSuite + "q");
    ASSERT_GT(names.size(), 40u);
    for (const std::string& name : names) {
        Loaded l;
        Load(kSuite + "q/" + name, l);
        if (l.image) {
            EXPECT_GT(l.image->width, 0) << name;
            EXPECT_GT(l.image->height, 0) << name;
            EXPECT_TRUE(l.messages.empty()) << name;
        } else {
            EXPECT_EQ(l.messages.size(), 1u) << name;
        }
    }
}

}  // namespace

#include "textures.h"

#include <cctype>

#include "image_file.h"
#include "mipmap.h"
#include "renderer/common/gl_api.h"
#include "renderer/common/startup_trace.h"

unsigned int SceneTextures[3] = {0, 0, 0};

const char* const kGroundPicturePath = "c:\\q_mora\\Quillmoor1.bmp";
const char* const kSmokePicturePath = "c:\\q_mora\\Quillmoor2.bmp";
const char* const kModelPath = "c:\\q_mora\\Quillmoor.data";

ExchangePaths ExchangePathsFor(const std::string& arguments) {
    size_t first = arguments.find_first_not_of(" \t");
    size_t last = arguments.find_last_not_of(" \t");
    std::string folder = first == std::string::npos ? "" : arguments.substr(first, last - first + 1);
    if (!folder.empty() && folder[0] == '"') folder = folder.substr(1, folder.find('"', 1) - 1);
    if (folder.empty()) return {kGroundPicturePath, kSmokePicturePath, kModelPath};
    if (folder.back() != '\\') folder += '\\';
    return {folder + "Quillmoor1.bmp", folder + "Quillmoor2.bmp", folder + "Quillmoor.data"};
}

RendererArguments ReadRendererArguments(const std::string& text) {
    RendererArguments arguments;
    std::string folder;  // the words that are not options, as they stand
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t') {
            ++i;
            continue;
        }
        const size_t start = i;
        if (text[i] == '"') {
            const size_t close = text.find('"', i + 1);
            i = close == std::string::npos ? text.size() : close + 1;
        } else {
            while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
        }
        std::string word = text.substr(start, i - start);
        if (word[0] == '/') {
            for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (word == "/keepmode") arguments.keepDisplayMode = true;
            if (word == "/allmonitors") arguments.allMonitors = true;
            continue;  // an option of another version: ignored
        }
        folder += (folder.empty() ? "" : " ") + word;
    }
    arguments.files = ExchangePathsFor(folder);
    return arguments;
}

std::string GroundPicturePath(const ExchangePaths& files, int left, int top, int width, int height) {
    if (IsPrimaryPlace(left, top)) return files.ground;
    return files.ground.substr(0, files.ground.size() - std::string("Quillmoor1.bmp").size()) +
           MonitorPictureName(left, top, width, height);
}

namespace {

// Makes a texture from the image and frees the image; returns the new name (0 when the picture
// has no pixels).
GLuint TextureFromImage(RgbImage* image) {
    const GLuint name = image->data ? TextureFromPixels(image->width, image->height, image->data) : 0;
    FreeRgbImage(image);
    return name;
}

// An exchange picture, read as texture files are, but never through a link (textures.h).
RgbImage* LoadExchangePicture(const char* path) { return LoadImageFile(path, MappedFile::Reach::LocalDiskNotLink); }

// An exchange picture into its slot; true when the picture loaded.
bool LoadSceneTexture(const char* path, unsigned int& slot, const char* decodedStep, const char* mipmappedStep) {
    RgbImage* image = LoadExchangePicture(path);
    if (!image) return false;
    TraceStartup(decodedStep);
    slot = TextureFromImage(image);
    TraceStartup(mipmappedStep);
    return true;
}

}  // namespace

bool BuildTextureMipmaps(int width, int height, const unsigned char* rgb) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (maxSize < 1) maxSize = 1;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    return BuildMipmapChain(rgb, width, height, maxSize, [](int level, int w, int h, const uint8_t* pixels) {
        glTexImage2D(GL_TEXTURE_2D, level, 3, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    });
}

bool GlContextIsCurrent() { return glGetString(GL_VERSION) != nullptr; }

unsigned int LoadExchangeTexture(const std::string& path) {
    RgbImage* image = LoadExchangePicture(path.c_str());
    return image ? TextureFromImage(image) : 0;
}

unsigned int GroundTextureAt(const ExchangePaths& files, int left, int top, int width, int height, unsigned int none) {
    if (IsPrimaryPlace(left, top)) return SceneTextures[1];
    const unsigned int own = LoadExchangeTexture(GroundPicturePath(files, left, top, width, height));
    return own ? own : none;
}

void ReleaseGroundTexture(unsigned int ground, unsigned int none) {
    if (ground != 0 && ground != none && ground != SceneTextures[1]) glDeleteTextures(1, &ground);
}

unsigned int TextureFromPixels(int width, int height, const unsigned char* rgb) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    BuildTextureMipmaps(width, height, rgb);
    return name;
}

unsigned int LoadTextureFile(const char* path) {
    // Without a context there is nowhere to put a texture, so the file is not even read.
    if (!GlContextIsCurrent()) return 0;
    RgbImage* image = LoadImageFile(path, MappedFile::Reach::LocalDisk);
    return image ? TextureFromImage(image) : 0;
}

bool LoadSceneTextures(const ExchangePaths& files) {
    TraceStartup("renderer.textures-begun");
    bool loaded = LoadSceneTexture(files.ground.c_str(), SceneTextures[1], "renderer.ground-decoded", "renderer.ground-mipmapped");
    loaded |= LoadSceneTexture(files.smoke.c_str(), SceneTextures[2], "renderer.smoke-decoded", "renderer.smoke-mipmapped");
    return loaded;
}

// Mipmapped OpenGL textures made from BMP files. Needs a current GL context.
#pragma once

// Texture names of the scene: [1] the ground (first exchange picture), [2] the smoke (second);
// [0] is never set. 0 means no texture.
extern unsigned int SceneTextures[3];

#include <string>

#include "exchange_names.h"

// Exchange pictures written by the saver before it starts the renderer, in its usual folder.
extern const char* const kGroundPicturePath;  // "c:\q_mora\Quillmoor1.bmp"
extern const char* const kSmokePicturePath;   // "c:\q_mora\Quillmoor2.bmp"
extern const char* const kModelPath;          // "c:\q_mora\Quillmoor.data"

// The three exchange files the renderer reads.
struct ExchangePaths {
    std::string ground, smoke, model;
};

// The exchange files for the renderer's argument text: with none (blanks only) the usual
// folder's, exactly as above; otherwise the text names the folder, in double quotes or not,
// blanks around it dropped (the saver names a private folder of the user's this way).
ExchangePaths ExchangePathsFor(const std::string& arguments);

// What the saver tells the renderer on its command line: a folder (as above) and the options
// "/keepmode", which keeps the screen as it is instead of switching it to 1024 x 768, and
// "/allmonitors", which (with /keepmode) gives every monitor a scene of its own (any letter
// case). Options begin with "/" outside double quotes; the rest names the folder.
struct RendererArguments {
    ExchangePaths files;
    bool keepDisplayMode = false;
    bool allMonitors = false;
};

RendererArguments ReadRendererArguments(const std::string& text);

// The photograph of the monitor at this place and size on the virtual screen, by its place alone
// (exchange_names.h): the ground picture of `files` for the primary's place, the monitor's own in
// their folder for any other.
std::string GroundPicturePath(const ExchangePaths& files, int left, int top, int width, int height);

// Fills the bound 2-D texture with the whole mipmap chain of a width x height picture (RGB rows
// packed, bottom row first): the level sizes and the scaling of gluBuild2DMipmaps, within
// GL_MAX_TEXTURE_SIZE, built by our own code (several times faster). Returns false when memory
// for the levels cannot be had.
bool BuildTextureMipmaps(int width, int height, const unsigned char* rgb);

// Returns true while a GL context is current on this thread.
bool GlContextIsCurrent();

// Returns a new texture name holding the exchange picture at `path` with its full mipmap chain,
// or 0 when it cannot be loaded (silently where it counts as missing). Like a texture file, it is
// read only where it lies on a disk of this computer, judged by the open file itself; and a name
// in the exchange folder that is a link (someone left it there: the saver writes none) is not
// followed at all.
unsigned int LoadExchangeTexture(const std::string& path);

// The ground of the scene on the monitor at this place (GroundPicturePath): SceneTextures[1] for
// the primary's place, as LoadSceneTextures left it; for another, a new texture of its own
// photograph, or `none` where that cannot be loaded.
unsigned int GroundTextureAt(const ExchangePaths& files, int left, int top, int width, int height, unsigned int none);

// Gives back a ground GroundTextureAt made, once no scene shows it (its monitor went): a texture
// of a monitor's own photograph; SceneTextures[1] and `none` stay.
void ReleaseGroundTexture(unsigned int ground, unsigned int none);

// Returns a new texture name holding a width x height picture (RGB rows packed, bottom row first)
// with its full mipmap chain, filtered as every picture of the scene is (linear magnification,
// nearest-mipmap minification): one pixel of black is the ground where no photograph is known.
unsigned int TextureFromPixels(int width, int height, const unsigned char* rgb);

// Returns a new texture name holding the picture at `path` with its full mipmap chain, or 0
// when the picture cannot be loaded (or no context is current). The file is read only where it
// lies on a disk of this computer, judged by the open file itself.
unsigned int LoadTextureFile(const char* path);

// Loads both exchange pictures (as LoadExchangeTexture reads them) into SceneTextures[1] and
// [2]; true when at least one loaded.
bool LoadSceneTextures(const ExchangePaths& files = ExchangePathsFor(""));

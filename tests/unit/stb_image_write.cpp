// stb_image_write for the unit test program (the wallpaper reading test writes JPEGs with it).
// Its own code shifts negative numbers left, which the sanitizer tree would stop on: this file
// is built without that check (tests/unit/CMakeLists.txt).
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

// stb_image's decoders compiled into the web build and the self-contained Windows build, which have no
// libpng or libjpeg: PNG and JPEG only, from memory only, with stb_image's own side limit at the loader's.
// It takes a file's length as an int, which holds the longest file read.
#include "image/image_formats.h"

#include <climits>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_MAX_DIMENSIONS 8192
#include <stb_image.h>

static_assert(STBI_MAX_DIMENSIONS == platform::image::max_image_side);
static_assert(platform::image::max_file_bytes <= INT_MAX);

/* stb_image compiled into the fuzz target with the sanitizers and coverage, in place of Debian's
   uninstrumented libstb, so that the fuzzer sees inside the BMP reader the texture loader hands to it. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

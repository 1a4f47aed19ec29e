/* stb_image compiled into the web readers' fuzz target with the sanitizers and coverage, in place of
   Debian's uninstrumented libstb, so that the fuzzer sees inside the PNG and JPEG decoders the web build's
   loader hands files to. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

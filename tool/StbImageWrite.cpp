// StbImageWrite.cpp - the one home of the PNG writer's implementation
// (stb_image_write from Debian's libstb-dev). Only the in-memory interface
// is used: files are opened by us, with Unicode names on Windows.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

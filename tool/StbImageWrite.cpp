// StbImageWrite.cpp - the one home of the PNG writer's implementation
// (stb_image_write from Debian's libstb-dev). Only the in-memory interface
// is used: files are opened by us, with Unicode names on Windows.
//
// The writer's zlib compressor does not look at what its allocations give
// back and writes through a null pointer when memory runs out. Its blocks
// therefore come from allocators that raise std::bad_alloc instead of
// giving null: the picture is abandoned (with the little it held) and the
// command reports the lack of memory.
#include <cstdlib>
#include <new>

namespace {

void* WriterMalloc(std::size_t size) {
    if (void* block = std::malloc(size)) return block;
    throw std::bad_alloc();
}

void* WriterRealloc(void* block, std::size_t size) {
    if (void* grown = std::realloc(block, size)) return grown;
    throw std::bad_alloc();  // the old block stays the writer's
}

}  // namespace

#define STBIW_MALLOC(size) WriterMalloc(size)
#define STBIW_REALLOC(block, size) WriterRealloc(block, size)
#define STBIW_FREE(block) std::free(block)
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

// FailingAllocator.cpp - counted, failing malloc, calloc, realloc and
// operator new for tests. The real functions are __real_malloc and friends
// (the linker's --wrap); nothing here allocates.
#include "tests/memory/FailingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#endif

// The linker's names for the wrapped functions and the originals
// (--wrap=malloc and so on): reserved, and given.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);
void __real_free(void* block);
}
// NOLINTEND(bugprone-reserved-identifier)

namespace rulv::test {

namespace {

std::atomic<bool> gArmed{false};
std::atomic<std::uint64_t> gThread{0};
std::atomic<std::uint64_t> gCounted{0};
std::atomic<std::uint64_t> gFailed{0};
std::uint64_t gFailAt = 0;
bool gSticky = false;

std::uint64_t ThisThread() noexcept {
#ifdef _WIN32
    return GetCurrentThreadId();
#else
    return static_cast<std::uint64_t>(pthread_self());
#endif
}

// Counts an allocation of the armed thread; true when it is to fail.
bool Fails() noexcept {
    if (!gArmed.load(std::memory_order_relaxed) || gThread.load(std::memory_order_relaxed) != ThisThread()) {
        return false;
    }
    const std::uint64_t number = ++gCounted;
    const bool fails = gFailAt != 0 && (number == gFailAt || (gSticky && number > gFailAt));
    if (fails) ++gFailed;
    return fails;
}

// Reads RULV_FAIL_ALLOCATION ("N" or "N+") without allocating.
bool ParseFailAt(const char* text, std::uint64_t& failAt, bool& sticky) noexcept {
    if (text == nullptr || *text == '\0') return false;
    std::uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + static_cast<std::uint64_t>(*text - '0');
    sticky = *text == '+';
    failAt = value;
    return true;
}

const char* gCountFile = nullptr;

// Writes the count to RULV_ALLOCATION_COUNT's file, without allocating.
void WriteCount() noexcept {
    if (gCountFile == nullptr) return;
    char text[24];
    std::size_t length = 0;
    std::uint64_t value = gCounted.load();
    char digits[24];
    do {
        digits[length++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (std::size_t i = 0; i < length; ++i) text[i] = digits[length - 1 - i];
#ifdef _WIN32
    const HANDLE file = CreateFileA(gCountFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
#else
    const int file = ::open(gCountFile, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (file < 0) return;
    const ssize_t written = ::write(file, text, length);
    static_cast<void>(written);
    ::close(file);
#endif
}

// Armed from the environment before main when the program asks for it;
// this file's static objects are constructed after the C++ library's.
struct TArmFromEnvironment {
    TArmFromEnvironment() noexcept {
        gCountFile = std::getenv("RULV_ALLOCATION_COUNT");
        std::uint64_t failAt = 0;
        bool sticky = false;
        const bool fail = ParseFailAt(std::getenv("RULV_FAIL_ALLOCATION"), failAt, sticky);
        if (fail || gCountFile != nullptr) {
            std::atexit(&WriteCount);
            ArmAllocationFailure(fail ? failAt : 0, sticky);
        }
    }
} gArmFromEnvironment;

}  // namespace

void ArmAllocationFailure(std::uint64_t failAt, bool sticky) noexcept {
    gArmed = false;
    gCounted = 0;
    gFailed = 0;
    gFailAt = failAt;
    gSticky = sticky;
    gThread = ThisThread();
    gArmed = true;
}

void DisarmAllocationFailure() noexcept { gArmed = false; }

std::uint64_t AllocationsCounted() noexcept { return gCounted.load(); }
std::uint64_t AllocationsFailed() noexcept { return gFailed.load(); }

}  // namespace rulv::test

using rulv::test::Fails;

// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {

void* __wrap_malloc(std::size_t size) { return Fails() ? nullptr : __real_malloc(size); }
void* __wrap_calloc(std::size_t count, std::size_t size) { return Fails() ? nullptr : __real_calloc(count, size); }
void* __wrap_realloc(void* block, std::size_t size) { return Fails() ? nullptr : __real_realloc(block, size); }
void __wrap_free(void* block) { __real_free(block); }

}
// NOLINTEND(bugprone-reserved-identifier)

// operator new through the counted malloc: natively the C++ library is a
// shared library whose calls to malloc the linker does not wrap.
void* operator new(std::size_t size) {
    if (void* block = __wrap_malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return __wrap_malloc(size == 0 ? 1 : size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return __wrap_malloc(size == 0 ? 1 : size); }
void operator delete(void* block) noexcept { __real_free(block); }
void operator delete[](void* block) noexcept { __real_free(block); }
void operator delete(void* block, std::size_t) noexcept { __real_free(block); }
void operator delete[](void* block, std::size_t) noexcept { __real_free(block); }

// ProcessResources.cpp - counts of this process's handles and GDI objects.
#include "tests/support/ProcessResources.h"

#include <windows.h>
#include <winternl.h>

#include <cstdint>

namespace rulv::test {

namespace {

constexpr std::uintptr_t kHandleValuesProbed = 16384 * 4;  // handle values are multiples of 4

// An entry of the GDI handle table, 24 bytes on 64-bit systems; a free
// entry has type 0.
struct TGdiTableEntry {
    std::uint64_t Object;
    std::uint32_t Owner;
    std::uint16_t Unique;
    std::uint8_t Type;
    std::uint8_t Flags;
    std::uint64_t UserData;
};
static_assert(sizeof(TGdiTableEntry) == 24);
constexpr std::size_t kGdiTableEntries = 65536;
constexpr std::size_t kPebGdiTableOffset = 0xF8;  // GdiSharedHandleTable in the 64-bit PEB

}  // namespace

long KernelHandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return static_cast<long>(count);
    long open = 0;
    for (std::uintptr_t value = 4; value < kHandleValuesProbed; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
    }
    return open;
}

long GdiObjectCount() {
    if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); count > 0) {
        return static_cast<long>(count);
    }
    PROCESS_BASIC_INFORMATION basic{};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        return -1;
    }
    const auto* peb = reinterpret_cast<const unsigned char*>(basic.PebBaseAddress);
    const auto* table = *reinterpret_cast<const TGdiTableEntry* const*>(peb + kPebGdiTableOffset);
    if (table == nullptr) return -1;
    long used = 0;
    for (std::size_t i = 0; i < kGdiTableEntries; ++i) used += table[i].Type != 0 ? 1 : 0;
    return used;
}

std::uint64_t PrivateAddressSpace() {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    std::uint64_t bytes = 0;
    const auto* address = static_cast<const char*>(system.lpMinimumApplicationAddress);
    MEMORY_BASIC_INFORMATION region{};
    while (address < system.lpMaximumApplicationAddress && VirtualQuery(address, &region, sizeof region) != 0) {
        if (region.State != MEM_FREE && region.Type == MEM_PRIVATE) bytes += region.RegionSize;
        address = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    }
    return bytes;
}

}  // namespace rulv::test

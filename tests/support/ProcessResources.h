// ProcessResources.h - how many kernel handles and GDI objects this process
// holds, to see that an operation gives back all it took. Wine answers 0 to
// GetProcessHandleCount and GetGuiResources; where the system answers 0
// they are counted here instead: the handle values that name an open
// handle (GetHandleInformation over the first 16,384 values), and the
// entries in use in the process's GDI handle table (the one its PEB names,
// in the layout Windows and Wine share). And the private address space it
// has reserved or committed, counted by VirtualQuery.
#pragma once

#include <cstdint>

namespace rulv::test {

long KernelHandleCount();
long GdiObjectCount();
std::uint64_t PrivateAddressSpace();

}  // namespace rulv::test

// ProcessResources.h - how many kernel handles and GDI objects this process
// holds, to see that an operation gives back all it took. Wine answers 0 to
// GetProcessHandleCount and GetGuiResources; where the system answers 0
// they are counted here instead: the handle values that name an open
// handle (GetHandleInformation over the first 16,384 values), and the
// entries in use in the process's GDI handle table (the one its PEB names,
// in the layout Windows and Wine share).
#pragma once

namespace rulv::test {

long KernelHandleCount();
long GdiObjectCount();

}  // namespace rulv::test

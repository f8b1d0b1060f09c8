// SeamGuard.h - puts a stand-in into a function-pointer seam (BeepProc,
// TfrmMain::SystemPaletteSize, the registry calls of RegistrySettings) for
// one scope and the original back at its end.
#pragma once

#include <utility>

namespace rulv::test {

template <class TFunction>
class TSeamGuard {
public:
    TSeamGuard(TFunction& seam, TFunction standIn) : FSeam(seam), FOriginal(std::exchange(seam, standIn)) {}
    ~TSeamGuard() { FSeam = FOriginal; }
    TSeamGuard(const TSeamGuard&) = delete;
    TSeamGuard& operator=(const TSeamGuard&) = delete;

private:
    TFunction& FSeam;
    TFunction FOriginal;
};

}  // namespace rulv::test

// ThumbnailModule.cpp - RulvThumbnail.dll's entry points for COM: the class
// factory of the thumbnail provider and the module's lifetime.
// Registration is in ThumbnailRegistration.cpp.
#include <windows.h>

#include <atomic>

#include "shell/ThumbnailProvider.h"

namespace rulv::shell {

namespace {

// Live providers, and locks and references of the class factory.
std::atomic<long> gModuleReferences{0};

// The one class factory, never deleted; while someone holds it the module
// stays loaded.
class TClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
        if (object == nullptr) return E_POINTER;
        if (iid != __uuidof(IUnknown) && iid != __uuidof(IClassFactory)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override {
        LockModule();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        UnlockModule();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) noexcept override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        return CreateThumbnailProvider(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override {
        if (lock) LockModule();
        else UnlockModule();
        return S_OK;
    }
};

TClassFactory gClassFactory;

}  // namespace

void LockModule() noexcept { ++gModuleReferences; }
void UnlockModule() noexcept { --gModuleReferences; }

}  // namespace rulv::shell

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (clsid != rulv::shell::kThumbnailProviderClass) return CLASS_E_CLASSNOTAVAILABLE;
    return rulv::shell::gClassFactory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() { return rulv::shell::gModuleReferences == 0 ? S_OK : S_FALSE; }

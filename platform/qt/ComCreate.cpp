#include "platform/ComCreate.h"

#include "platform/Numbers.h"
#include "platform/Registry.h"
#include "platform/Text.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <map>
#include <memory>
#include <mutex>

namespace platform {

namespace {

std::u16string Utf16(const std::string& text) { return Cp1252ToUtf16(text); }

HRESULT LoaderError(HRESULT result, REFCLSID clsid, const std::string& path, const std::string& detail) {
    return ReportError(result, clsid, Utf16(path), Utf16(detail));
}

// Loaded server libraries by their canonical path. A library is loaded once
// and its code stays mapped (RTLD_NODELETE) even when it is forgotten.
class LibraryCache {
public:
    static LibraryCache& Instance() {
        static LibraryCache cache;
        return cache;
    }

    // The handle of the library at `path`, or null with `error` set.
    void* Load(const std::string& path, std::string& error, HRESULT& result) {
        result = CO_E_DLLNOTFOUND;
        if (path.empty() || path[0] != '/') {
            error = "The library path is not absolute: " + path;
            return nullptr;
        }
        std::unique_ptr<char, decltype(&std::free)> canonical(realpath(path.c_str(), nullptr), &std::free);
        if (!canonical) {
            error = "The library does not exist: " + path;
            return nullptr;
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        if (const auto known = libraries_.find(canonical.get()); known != libraries_.end()) return known->second;
        void* handle = dlopen(canonical.get(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!handle) {
            result = CO_E_ERRORINDLL;
            const char* reason = dlerror();
            error = reason ? reason : "The library cannot be loaded: " + path;
            return nullptr;
        }
        libraries_.emplace(canonical.get(), handle);
        return handle;
    }

    void FreeUnused() {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = libraries_.begin(); it != libraries_.end();) {
            const auto canUnload = reinterpret_cast<DllCanUnloadNowFunction>(dlsym(it->second, "DllCanUnloadNow"));
            if (canUnload && canUnload() == S_OK) {
                dlclose(it->second);
                it = libraries_.erase(it);
            } else {
                ++it;
            }
        }
    }

private:
    std::mutex mutex_;
    std::map<std::string, void*> libraries_;
};

// The exported function `name` of the library at `path`.
template <typename Function>
HRESULT FindExport(REFCLSID clsid, const std::string& path, const char* name, Function& function) {
    std::string error;
    HRESULT result = S_OK;
    void* handle = LibraryCache::Instance().Load(path, error, result);
    if (!handle) return LoaderError(result, clsid, path, error);
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (!function) return LoaderError(CO_E_ERRORINDLL, clsid, path, std::string("The library exports no ") + name);
    return S_OK;
}

std::string ClassKey(REFCLSID clsid) { return "CLSID\\" + GuidToString(clsid); }

}  // namespace

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void*, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
    const std::optional<std::string> path =
        RegQueryValue(RegistryHive::ClassesRoot, ClassKey(clsid) + "\\InprocServer32");
    if (!path || path->empty()) return REGDB_E_CLASSNOTREG;
    DllGetClassObjectFunction getClassObject = nullptr;
    if (const HRESULT hr = FindExport(clsid, *path, "DllGetClassObject", getClassObject); FAILED(hr)) return hr;
    return getClassObject(clsid, iid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    ComPtr<IClassFactory> factory;
    if (const HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, factory.OutVoid()); FAILED(hr))
        return hr;
    return factory->CreateInstance(outer, iid, object);
}

HRESULT CLSIDFromProgID(const OLECHAR* progId, CLSID* clsid) {
    if (!progId || !clsid) return E_INVALIDARG;
    const std::optional<std::string> text =
        RegQueryValue(RegistryHive::ClassesRoot, Utf16ToCp1252(progId) + "\\CLSID");
    if (!text || !GuidFromString(*text, *clsid)) return CO_E_CLASSSTRING;
    return S_OK;
}

void CoFreeUnusedLibraries() { LibraryCache::Instance().FreeUnused(); }

HRESULT RegisterServerLibrary(const std::string& path, bool unregister) {
    DllRegisterServerFunction function = nullptr;
    const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    if (const HRESULT hr = FindExport(GUID_NULL, path, name, function); FAILED(hr)) return hr;
    return function();
}

namespace {

std::string CanonicalPath(const std::string& file) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(file.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

// Whether `clsid` is registered to the library at `path` and the ProgID its
// class key names (if any) leads back to it.
bool RegisteredTo(REFCLSID clsid, const std::string& path) {
    const RegistryHive hive = RegistryHive::ClassesRoot;
    const std::optional<std::string> registered = RegQueryValue(hive, ClassKey(clsid) + "\\InprocServer32");
    const std::string own = CanonicalPath(path);
    if (!registered || own.empty() || CanonicalPath(*registered) != own) return false;
    const std::optional<std::string> progId = RegQueryValue(hive, ClassKey(clsid) + "\\ProgID");
    if (!progId) return true;
    CLSID named{};
    const std::optional<std::string> text = RegQueryValue(hive, *progId + "\\CLSID");
    return text && GuidFromString(*text, named) && named == clsid;
}

}  // namespace

HRESULT EnsureServerRegistered(REFCLSID clsid, const std::string& path) {
    SetAsideDamagedHive(RegistryHive::ClassesRoot);
    if (RegisteredTo(clsid, path)) return S_FALSE;
    return RegisterServerLibrary(path, false);
}

HRESULT RegisterTypeLib(ITypeLib* library, const std::string& path, const std::string& helpDir) {
    if (!library) return E_INVALIDARG;
    TLIBATTR attr{};
    if (const HRESULT hr = library->GetLibAttr(&attr); FAILED(hr)) return hr;
    UniqueBstr help;
    if (const HRESULT hr = library->GetDocumentation(-1, nullptr, help.Out(), nullptr, nullptr); FAILED(hr)) return hr;
    const std::string key =
        "TypeLib\\" + GuidToString(attr.guid) + "\\" + FormatC("%x.%x", attr.wMajorVerNum, attr.wMinorVerNum);
    const RegistryHive hive = RegistryHive::ClassesRoot;
    const bool written = RegSetValue(hive, key, "", help.Ansi()) && RegSetValue(hive, key + "\\FLAGS", "", "0") &&
                         RegSetValue(hive, key + "\\HELPDIR", "", helpDir) &&
                         RegSetValue(hive, key + "\\" + FormatC("%x", attr.lcid) + "\\linux", "", path);
    return written ? S_OK : TYPE_E_REGISTRYACCESS;
}

}  // namespace platform

// The library's face to the system: the four exported functions of an
// in-process server, its two creatable classes (the control and its property
// page) and the registry entries that make them known.
#include "Pevox10Module.h"
#include "Pevox10_TLB.h"
#include "TLangAutomation.h"
#include "TLangImpl1.h"
#include "TLangPropImpl.h"
#include "platform/ComCreate.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Text.h"

#include <QApplication>
#include <QThread>

#include <dlfcn.h>
#include <stdlib.h>

#include <exception>
#include <memory>
#include <new>
#include <string>

#define PEVOX_EXPORT extern "C" __attribute__((visibility("default")))

PEVOX_EXPORT platform::HRESULT DllCanUnloadNow();
PEVOX_EXPORT platform::HRESULT DllGetClassObject(platform::REFCLSID clsid, platform::REFIID iid, void** object);
PEVOX_EXPORT platform::HRESULT DllRegisterServer();
PEVOX_EXPORT platform::HRESULT DllUnregisterServer();

namespace pevox {

namespace {

using namespace platform;

using Creator = HRESULT (*)(IUnknown* outer, REFIID iid, void** object);

constexpr char kProgId[] = "Pevox10.TLang";
constexpr char kControlDescription[] = "TLang Control";
constexpr char kPageDescription[] = "VUvezA Custom Property Page";
// Recompose on resize, cannot link inside, inside-out, activate when visible, set client site first.
constexpr unsigned kMiscStatus = 0x1 | 0x10 | 0x80 | 0x100 | 0x20000;
// The one verb: number 0, "Properties", flags 0, shown on the container's menu.
constexpr char kVerb0[] = "Properties,0,2";

// Both classes are widgets: they can only be made on the application's GUI thread.
HRESULT CheckGuiThread(REFCLSID clsid) {
    const auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application && QThread::currentThread() == application->thread()) return S_OK;
    return ReportError(E_UNEXPECTED, clsid, kTLangProgId,
                       u"The control can only be created on the GUI thread of a running application.");
}

// A class factory of the object map. It lives as long as the library; only
// LockServer counts in the module's lock count.
class ClassFactory final : public IClassFactory {
public:
    ClassFactory(const CLSID& clsid, Creator create) : clsid_(clsid), create_(create) {}

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (const HRESULT hr = CheckGuiThread(clsid_); FAILED(hr)) return hr;
        try {
            return create_(outer, iid, object);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::exception& error) {
            return ReportError(E_FAIL, clsid_, kTLangProgId, Cp1252ToUtf16(error.what()));
        }
    }

    HRESULT LockServer(BOOL lock) override {
        pevox::LockServer(lock != 0);
        return S_OK;
    }

    const CLSID& Clsid() const { return clsid_; }

private:
    CLSID clsid_;
    Creator create_;
};

// The object map, in order: the control, then its property page.
ClassFactory* FindFactory(REFCLSID clsid) {
    static ClassFactory control(CLSID_TLang, &CreateTLangControl);
    static ClassFactory page(CLSID_TLangPropPage, &CreateTLangPropertyPage);
    for (ClassFactory* factory : {&control, &page})
        if (factory->Clsid() == clsid) return factory;
    return nullptr;
}

// The absolute path of this library file.
std::string LibraryPath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&DllGetClassObject), &info) || !info.dli_fname) return {};
    std::unique_ptr<char, decltype(&std::free)> canonical(realpath(info.dli_fname, nullptr), &std::free);
    return canonical ? canonical.get() : info.dli_fname;
}

std::string ClassKey(REFCLSID clsid) { return "CLSID\\" + GuidToString(clsid); }

// Writes the keys of one class; the first failing write ends it with the
// registry error, described with the key it could not write.
class ClassRegistration {
public:
    explicit ClassRegistration(REFCLSID clsid) : clsid_(clsid) {}

    void Value(const std::string& key, const std::string& name, const std::string& value) {
        if (SUCCEEDED(result_) && !RegSetValue(RegistryHive::ClassesRoot, key, name, value)) Fail(key);
    }
    void Key(const std::string& key) {
        if (SUCCEEDED(result_) && !RegCreateKey(RegistryHive::ClassesRoot, key)) Fail(key);
    }
    HRESULT Result() const { return result_; }

private:
    void Fail(const std::string& key) {
        result_ = ReportError(REGDB_E_WRITEREGDB, clsid_, kTLangProgId,
                              Cp1252ToUtf16("Cannot write the registry key " + key + " in " + RegistryFolder()));
    }

    CLSID clsid_;
    HRESULT result_ = S_OK;
};

HRESULT RegisterControl(const std::string& path) {
    const std::string key = ClassKey(CLSID_TLang);
    ClassRegistration registration(CLSID_TLang);
    registration.Value(kProgId, "", kControlDescription);
    registration.Value(std::string(kProgId) + "\\CLSID", "", GuidToString(CLSID_TLang));
    registration.Value(key, "", kControlDescription);
    registration.Value(key + "\\ProgID", "", kProgId);
    registration.Value(key + "\\InprocServer32", "", path);
    registration.Value(key + "\\InprocServer32", "ThreadingModel", "Single");
    registration.Key(key + "\\Control");
    registration.Value(key + "\\MiscStatus", "", "0");
    registration.Value(key + "\\MiscStatus\\1", "", std::to_string(kMiscStatus));
    registration.Value(key + "\\ToolboxBitmap32", "", path + ",1");
    registration.Value(key + "\\Verb\\0", "", kVerb0);
    registration.Value(key + "\\TypeLib", "", GuidToString(LIBID_Pevox10));
    registration.Value(key + "\\Version", "", "1.0");
    return registration.Result();
}

HRESULT RegisterPage(const std::string& path) {
    const std::string key = ClassKey(CLSID_TLangPropPage);
    ClassRegistration registration(CLSID_TLangPropPage);
    registration.Value(key, "", kPageDescription);
    registration.Value(key + "\\InprocServer32", "", path);
    return registration.Result();
}

HRESULT RegisterTypeLibrary(const std::string& path) {
    ComPtr<ITypeLib> library;
    if (const HRESULT hr = GetTLangTypeLib(library.Out()); FAILED(hr)) return hr;
    return RegisterTypeLib(library.Get(), path, ExtractFilePath(path));
}

}  // namespace

}  // namespace pevox

using namespace platform;

HRESULT DllCanUnloadNow() { return pevox::ModuleLockCount() == 0 ? S_OK : S_FALSE; }

HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    pevox::ClassFactory* factory = pevox::FindFactory(clsid);
    if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(iid, object);
}

HRESULT DllRegisterServer() {
    const std::string path = pevox::LibraryPath();
    if (path.empty()) return E_UNEXPECTED;
    HRESULT hr = pevox::RegisterControl(path);
    if (SUCCEEDED(hr)) hr = pevox::RegisterPage(path);
    if (SUCCEEDED(hr)) hr = pevox::RegisterTypeLibrary(path);
    return hr;
}

// The type library stays registered: other programs may still describe the
// control's interfaces through it.
HRESULT DllUnregisterServer() {
    const RegistryHive hive = RegistryHive::ClassesRoot;
    const bool removed = RegDeleteTree(hive, pevox::kProgId) && RegDeleteTree(hive, pevox::ClassKey(pevox::CLSID_TLang)) &&
                         RegDeleteTree(hive, pevox::ClassKey(pevox::CLSID_TLangPropPage));
    return removed ? S_OK : REGDB_E_WRITEREGDB;
}

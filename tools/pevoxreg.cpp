// pevoxreg: registers an in-process server library (calls its
// DllRegisterServer) or, with /u, unregisters it (DllUnregisterServer).
// The registry is the one of $QORM_REGISTRY_DIR, else the user's.
#include "platform/ComCreate.h"
#include "platform/Registry.h"
#include "platform/Text.h"

#include <stdlib.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace platform;

int Usage() {
    std::fprintf(stderr, "usage: pevoxreg [/u] LIBRARY\n");
    return 2;
}

std::string AbsolutePath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    std::string library;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (SameTextIgnoringCase(argument, "/u") || argument == "-u")
            unregister = true;
        else if (library.empty())
            library = argument;
        else
            return Usage();
    }
    if (library.empty()) return Usage();

    const std::string path = AbsolutePath(library);
    const char* action = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const HRESULT hr = RegisterServerLibrary(path, unregister);
    if (SUCCEEDED(hr)) {
        std::printf("%s in %s succeeded (registry: %s).\n", action, path.c_str(), RegistryFolder().c_str());
        return 0;
    }
    ErrorTexts error;
    const std::string detail = TakeErrorInfo(error) ? ": " + Utf16ToCp1252(error.description) : "";
    std::fprintf(stderr, "%s in %s failed with 0x%08X%s\n", action, path.c_str(), static_cast<unsigned>(hr),
                 detail.c_str());
    return 1;
}

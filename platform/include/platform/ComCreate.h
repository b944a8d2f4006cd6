// Creating objects by class identifier. A class is registered in the
// HKEY_CLASSES_ROOT hive of the registry ("CLSID\{clsid}\InprocServer32"
// names the library by its absolute path); the library is loaded once into
// the process and asked for the class factory through its exported
// DllGetClassObject.
#pragma once

#include "platform/ComTypeInfo.h"

#include <string>

namespace platform {

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

// The four functions an in-process server library exports.
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID iid, void** object);
using DllCanUnloadNowFunction = HRESULT (*)();
using DllRegisterServerFunction = HRESULT (*)();

// REGDB_E_CLASSNOTREG when the class or its library is not registered;
// CO_E_DLLNOTFOUND when the registered library is not an absolute path to an
// existing file; CO_E_ERRORINDLL when it cannot be loaded or exports no
// DllGetClassObject. The last two leave error information with the details.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* reserved, REFIID iid, void** object);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);
// The class of a ProgID ("Pevox10.TLang"); CO_E_CLASSSTRING when it is not registered.
HRESULT CLSIDFromProgID(const OLECHAR* progId, CLSID* clsid);
// Asks every loaded library whether it can be unloaded and forgets those that
// can. Their code stays mapped: Qt keeps pointers into a library's code (its
// meta-objects, queued events) that may outlive its last object.
void CoFreeUnusedLibraries();

// The registration tool's work: loads the library at `path` (absolute) and
// calls its DllRegisterServer, or DllUnregisterServer when `unregister`.
HRESULT RegisterServerLibrary(const std::string& path, bool unregister);

// What a program does at start for the server it ships beside it: registers
// the library at `path` unless `clsid` is already registered to that very
// file and its ProgID leads back to it (S_FALSE then). So the program's own
// copy is the one it creates. A class registry damaged past reading is first
// set aside (SetAsideDamagedHive), so the registration starts a new one.
HRESULT EnsureServerRegistered(REFCLSID clsid, const std::string& path);

// Registers `library` (read from its own tables) as living in the file
// `path`, with help files in `helpDir`: the keys "TypeLib\{libid}\<major>.<minor>"
// (default value: the library's help string), its "FLAGS", "HELPDIR" and
// "<lcid>\linux" (the path).
HRESULT RegisterTypeLib(ITypeLib* library, const std::string& path, const std::string& helpDir);

}  // namespace platform

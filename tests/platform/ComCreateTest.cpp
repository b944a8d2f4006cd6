// Creation by class identifier: the registry lookup, the checks on the
// registered library, ProgIDs and type library registration. Creating a
// real object is tested with the control's own library.
#include "platform/ComCreate.h"

#include "platform/ComTypeLibrary.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace platform;
using platform_test::TempRegistry;
using platform_test::WriteFile;
using ::testing::HasSubstr;

namespace {

constexpr CLSID kClass{0x11112222, 0x3333, 0x4444, {0x55, 0x55, 0x66, 0x66, 0x77, 0x77, 0x88, 0x88}};
const std::string kClassKey = "CLSID\\{11112222-3333-4444-5555-666677778888}";

class ComCreateTest : public ::testing::Test, protected TempRegistry {
protected:
    void RegisterServer(const std::string& path) {
        ASSERT_TRUE(RegSetValue(RegistryHive::ClassesRoot, kClassKey + "\\InprocServer32", "", path));
    }

    HRESULT Create() {
        void* object = reinterpret_cast<void*>(1);
        const HRESULT hr = CoCreateInstance(kClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object);
        EXPECT_EQ(object, nullptr);
        return hr;
    }

    std::string ErrorDescription() {
        ErrorTexts texts;
        return TakeErrorInfo(texts) ? Utf16ToCp1252(texts.description) : "";
    }
};

TEST_F(ComCreateTest, UnregisteredClassesAreReported) {
    EXPECT_EQ(Create(), REGDB_E_CLASSNOTREG);
    RegSetValue(RegistryHive::ClassesRoot, kClassKey, "", "a class without a server");
    EXPECT_EQ(Create(), REGDB_E_CLASSNOTREG);
    RegisterServer(QORM_PLATFORM_LIBRARY);
    void* object = nullptr;
    EXPECT_EQ(CoGetClassObject(kClass, 0, nullptr, IID_IClassFactory, &object), REGDB_E_CLASSNOTREG);
}

TEST_F(ComCreateTest, OnlyAnAbsolutePathToAServerLibraryIsLoaded) {
    RegisterServer("libPevox10.so");
    EXPECT_EQ(Create(), CO_E_DLLNOTFOUND);
    EXPECT_THAT(ErrorDescription(), HasSubstr("not absolute"));

    RegisterServer(dir / "missing.so");
    EXPECT_EQ(Create(), CO_E_DLLNOTFOUND);
    EXPECT_THAT(ErrorDescription(), HasSubstr("does not exist"));

    WriteFile(dir / "text.so", "not a library");
    RegisterServer(dir / "text.so");
    EXPECT_EQ(Create(), CO_E_ERRORINDLL);
    EXPECT_THAT(ErrorDescription(), HasSubstr("text.so"));

    RegisterServer(QORM_PLATFORM_LIBRARY);  // a library, but no server
    EXPECT_EQ(Create(), CO_E_ERRORINDLL);
    EXPECT_THAT(ErrorDescription(), HasSubstr("DllGetClassObject"));
    EXPECT_EQ(RegisterServerLibrary(QORM_PLATFORM_LIBRARY, false), CO_E_ERRORINDLL);
    EXPECT_EQ(RegisterServerLibrary("relative.so", true), CO_E_DLLNOTFOUND);
}

TEST_F(ComCreateTest, ProgIdNamesItsClass) {
    CLSID clsid = GUID_NULL;
    EXPECT_EQ(CLSIDFromProgID(u"Some.Thing", &clsid), CO_E_CLASSSTRING);
    RegSetValue(RegistryHive::ClassesRoot, "Some.Thing\\CLSID", "", "{11112222-3333-4444-5555-666677778888}");
    EXPECT_EQ(CLSIDFromProgID(u"some.thing", &clsid), S_OK);
    EXPECT_EQ(clsid, kClass);
    RegSetValue(RegistryHive::ClassesRoot, "Bad.Thing\\CLSID", "", "{not a guid}");
    EXPECT_EQ(CLSIDFromProgID(u"Bad.Thing", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
}

TEST_F(ComCreateTest, ALibraryAlreadyRegisteredAtItsOwnPathIsLeftAlone) {
    RegisterServer(QORM_PLATFORM_LIBRARY);
    EXPECT_EQ(EnsureServerRegistered(kClass, QORM_PLATFORM_LIBRARY), S_FALSE);
    RegisterServer(dir / "elsewhere.so");
    // Registering is then attempted, and this library has nothing to register with.
    EXPECT_EQ(EnsureServerRegistered(kClass, QORM_PLATFORM_LIBRARY), CO_E_ERRORINDLL);
}

TEST_F(ComCreateTest, TypeLibraryKeysNameItsFileAndHelpFolder) {
    TypeLibraryDescription description;
    description.name = u"Lib";
    description.help = "Lib Library";
    description.guid = kClass;
    description.lcid = 0x409;
    description.majorVersion = 2;
    description.minorVersion = 10;
    ComPtr<ITypeLib> library = ComPtr<ITypeLib>::Adopt(CreateTypeLibrary(description));
    ASSERT_EQ(RegisterTypeLib(library.Get(), "/opt/x/libLib.so", "/opt/x/"), S_OK);
    const std::string key = "TypeLib\\{11112222-3333-4444-5555-666677778888}\\2.a";
    const RegistryHive hive = RegistryHive::ClassesRoot;
    EXPECT_EQ(RegQueryValue(hive, key), "Lib Library");
    EXPECT_EQ(RegQueryValue(hive, key + "\\409\\linux"), "/opt/x/libLib.so");
    EXPECT_EQ(RegQueryValue(hive, key + "\\FLAGS"), "0");
    EXPECT_EQ(RegQueryValue(hive, key + "\\HELPDIR"), "/opt/x/");
}

}  // namespace

// libPevox10.so as a host meets it: registered into a registry of the test's
// own, loaded by class identifier, the control created, called by vtable and
// by dispatch, its events received, and the library's lock count.
#include "Pevox10_TLB.h"
#include "QtTestApplication.h"
#include "platform/ComConnection.h"
#include "platform/ComCreate.h"
#include "platform/ComDispatch.h"
#include "platform/ComPersist.h"
#include "platform/Registry.h"
#include "platform/Text.h"

#include <QComboBox>
#include <QWidget>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <random>
#include <thread>

using namespace platform;
using namespace pevox;

namespace {

const std::string kLibrary = PEVOX10_LIBRARY;
constexpr RegistryHive kHive = RegistryHive::ClassesRoot;

std::string Canonical(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    std::string result = resolved ? resolved : path;
    std::free(resolved);
    return result;
}

// Every value of the hive as "key|name" -> value ("key|" for the default
// value), and every key with neither values nor keys as "key|" -> "<empty>".
void Dump(const std::string& key, std::map<std::string, std::string>& out) {
    if (!key.empty() && RegEnumValues(kHive, key).empty() && RegEnumKeys(kHive, key).empty())
        out[key + "|"] = "<empty>";
    for (const std::string& name : RegEnumValues(kHive, key)) out[key + "|" + name] = *RegQueryValue(kHive, key, name);
    for (const std::string& child : RegEnumKeys(kHive, key)) Dump(key.empty() ? child : key + "\\" + child, out);
}

std::map<std::string, std::string> Hive() {
    std::map<std::string, std::string> out;
    Dump("", out);
    return out;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class Pevox10ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qorm-pevox10-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        if (const char* previous = getenv("QORM_REGISTRY_DIR")) previousRegistry_ = previous;
        setenv("QORM_REGISTRY_DIR", folder_.c_str(), 1);
        ASSERT_EQ(RegisterServerLibrary(kLibrary, false), S_OK);
    }
    void TearDown() override {
        if (previousRegistry_.empty())
            unsetenv("QORM_REGISTRY_DIR");
        else
            setenv("QORM_REGISTRY_DIR", previousRegistry_.c_str(), 1);
        std::filesystem::remove_all(folder_);
    }

    std::string HiveFile() const { return folder_ + "/HKEY_CLASSES_ROOT.ini"; }

    ComPtr<ITLang> CreateControl() {
        ComPtr<ITLang> control;
        EXPECT_EQ(CoCreateInstance(CLSID_TLang, nullptr, CLSCTX_INPROC_SERVER, IID_ITLang, control.OutVoid()), S_OK);
        return control;
    }

    // The library's own export, from the copy the class lookup loaded.
    template <typename Function>
    Function Export(const char* name) {
        void* handle = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(handle, nullptr);
        auto function = reinterpret_cast<Function>(dlsym(handle, name));
        dlclose(handle);
        return function;
    }

    std::string folder_;
    std::string previousRegistry_;
};

TEST_F(Pevox10ModuleTest, RegistrationWritesExactlyTheServersKeys) {
    const std::string path = Canonical(kLibrary);
    const std::string clsid = "CLSID\\{14B6ACB1-FB65-4E78-88F2-8CA15FC65EFF}";
    const std::string page = "CLSID\\{73814197-8403-44D0-A187-AF1442BDB894}";
    const std::string typelib = "TypeLib\\{0EFDE414-0AFC-4157-8DA0-23321A371073}";
    const std::map<std::string, std::string> expected = {
        {"Pevox10.TLang|", "TLang Control"},
        {"Pevox10.TLang\\CLSID|", "{14B6ACB1-FB65-4E78-88F2-8CA15FC65EFF}"},
        {clsid + "|", "TLang Control"},
        {clsid + "\\ProgID|", "Pevox10.TLang"},
        {clsid + "\\InprocServer32|", path},
        {clsid + "\\InprocServer32|ThreadingModel", "Single"},
        {clsid + "\\Control|", "<empty>"},
        {clsid + "\\MiscStatus|", "0"},
        {clsid + "\\MiscStatus\\1|", "131473"},
        {clsid + "\\ToolboxBitmap32|", path + ",1"},
        {clsid + "\\Verb\\0|", "Properties,0,2"},
        {clsid + "\\TypeLib|", "{0EFDE414-0AFC-4157-8DA0-23321A371073}"},
        {clsid + "\\Version|", "1.0"},
        {page + "|", "VUvezA Custom Property Page"},
        {page + "\\InprocServer32|", path},
        {typelib + "\\1.0|", "Pevox10 Library"},
        {typelib + "\\1.0\\409\\linux|", path},
        {typelib + "\\1.0\\FLAGS|", "0"},
        {typelib + "\\1.0\\HELPDIR|", path.substr(0, path.rfind('/') + 1)},
    };
    const std::map<std::string, std::string> actual = Hive();
    EXPECT_EQ(actual, expected);
}

TEST_F(Pevox10ModuleTest, RegisteringTwiceLeavesOneSetAndUnregisteringKeepsTheTypeLibrary) {
    const std::map<std::string, std::string> once = Hive();
    const std::string fileOnce = ReadAll(HiveFile());
    ASSERT_EQ(RegisterServerLibrary(kLibrary, false), S_OK);
    EXPECT_EQ(Hive(), once);
    EXPECT_EQ(ReadAll(HiveFile()), fileOnce);

    ASSERT_EQ(RegisterServerLibrary(kLibrary, true), S_OK);
    EXPECT_FALSE(RegKeyExists(kHive, "Pevox10.TLang"));
    EXPECT_FALSE(RegKeyExists(kHive, "CLSID\\" + GuidToString(CLSID_TLang)));
    EXPECT_FALSE(RegKeyExists(kHive, "CLSID\\" + GuidToString(CLSID_TLangPropPage)));
    EXPECT_EQ(RegQueryValue(kHive, "TypeLib\\" + GuidToString(LIBID_Pevox10) + "\\1.0"), "Pevox10 Library");

    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TLang, nullptr, CLSCTX_INPROC_SERVER, IID_ITLang, &object), REGDB_E_CLASSNOTREG);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Pevox10.TLang", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(RegisterServerLibrary(kLibrary, true), S_OK);  // nothing left to remove
}

TEST_F(Pevox10ModuleTest, TheControlIsCreatedByItsProgIdAndAnswersItsInterfaces) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"Pevox10.TLang", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TLang);
    ComPtr<ITLang> control = CreateControl();
    ASSERT_TRUE(control);

    ComPtr<IDispatch> dispatch;
    ComPtr<IUnknown> unknown, unknownAgain;
    ASSERT_EQ(control.As(IID_IDispatch, dispatch), S_OK);
    EXPECT_EQ(static_cast<void*>(dispatch.Get()), static_cast<void*>(control.Get()));
    control.As(IID_IUnknown, unknown);
    control.As(IID_IUnknown, unknownAgain);
    EXPECT_EQ(unknown.Get(), unknownAgain.Get());

    for (const IID& iid : {IID_IPersistStreamInit, IID_IPersistStorage, IID_IConnectionPointContainer,
                           IID_IProvideClassInfo, IID_IProvideClassInfo2, IID_ISupportErrorInfo,
                           IID_ISpecifyPropertyPages, IID_IWidgetControl}) {
        ComPtr<IUnknown> answer;
        EXPECT_EQ(control.As(iid, answer), S_OK) << GuidToString(iid);
    }
    void* bag = reinterpret_cast<void*>(1);
    EXPECT_EQ(control->QueryInterface(IID_IPersistPropertyBag, &bag), E_NOINTERFACE);
    EXPECT_EQ(bag, nullptr);

    ComPtr<ISupportErrorInfo> errors;
    control.As(IID_ISupportErrorInfo, errors);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_ITLang), S_OK);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IPersistStreamInit), S_FALSE);
    ComPtr<IProvideClassInfo2> classInfo;
    control.As(IID_IProvideClassInfo2, classInfo);
    GUID events{};
    EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
    EXPECT_EQ(events, DIID_ITLangEvents);
    ComPtr<IWidgetControl> widget;
    control.As(IID_IWidgetControl, widget);
    QWidget* editor = nullptr;
    EXPECT_EQ(widget->GetWidget(&editor), S_OK);
    EXPECT_NE(editor, nullptr);
}

TEST_F(Pevox10ModuleTest, DispatchAndVtableReachTheSameMembers) {
    ComPtr<ITLang> control = CreateControl();
    ASSERT_TRUE(control);
    std::u16string textName = u"TEXT";
    OLECHAR* names[] = {textName.data()};
    DISPID textId = 0;
    ASSERT_EQ(control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &textId), S_OK);
    EXPECT_EQ(textId, -517);

    VARIANT value = MakeVariantBstr(u"a");
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&value, &named, 1, 1};
    ASSERT_EQ(control->Invoke(textId, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr), S_OK);
    VariantClear(&value);
    UniqueBstr text;
    ASSERT_EQ(control->get_Text(text.Out()), S_OK);
    EXPECT_EQ(text.View(), u"a");

    ASSERT_EQ(control->put_ExecutionMode(TxStep), S_OK);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    UniqueVariant mode;
    ASSERT_EQ(control->Invoke(TLangDispid::ExecutionMode, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, mode.Ptr(),
                              nullptr, nullptr),
              S_OK);
    EXPECT_EQ(mode->vt, VT_I4);
    EXPECT_EQ(mode->lVal, TxStep);

    VARIANT color = MakeVariantI4(0x00123456);
    DISPPARAMS putColor{&color, &named, 1, 1};
    ASSERT_EQ(control->Invoke(TLangDispid::Color, IID_NULL, 0, DISPATCH_PROPERTYPUT, &putColor, nullptr, nullptr,
                              nullptr),
              S_OK);
    OLE_COLOR read = 0;
    ASSERT_EQ(control->get_Color(&read), S_OK);
    EXPECT_EQ(read, 0x00123456u);

    // A failing member: the same error information both ways.
    UniqueBstr missing(std::u16string_view(u"nosuch"));
    double number = 0;
    EXPECT_EQ(control->GetNVariable(missing.Get(), &number), DISP_E_EXCEPTION);
    ErrorTexts texts;
    ASSERT_TRUE(TakeErrorInfo(texts));
    EXPECT_EQ(texts.source, u"Pevox10.TLang");
    EXPECT_EQ(texts.guid, IID_ITLang);
    VARIANT args[2] = {MakeVariantByRef(VT_R8, &number), MakeVariantBstr(u"nosuch")};
    DISPPARAMS call{args, nullptr, 2, 0};
    EXCEPINFO exception{};
    EXPECT_EQ(control->Invoke(TLangDispid::GetNVariable, IID_NULL, 0, DISPATCH_METHOD, &call, nullptr, &exception,
                              nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(BstrView(exception.bstrDescription), texts.description);
    EXPECT_EQ(BstrView(exception.bstrSource), u"Pevox10.TLang");
    ClearExcepInfo(&exception);
    VariantClear(&args[1]);
    TakeErrorInfo(texts);
}

TEST_F(Pevox10ModuleTest, FiveSinksEachReceiveEveryEventOfARun) {
    ComPtr<ITLang> control = CreateControl();
    ASSERT_TRUE(control);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(control.As(IID_IConnectionPointContainer, container), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID_ITLangEvents, point.Out()), S_OK);

    std::vector<std::vector<std::string>> heard(6);
    std::vector<ComPtr<EventSink>> sinks;
    std::vector<DWORD> cookies;
    for (std::size_t i = 0; i < 6; ++i) {
        sinks.push_back(ComPtr<EventSink>::Adopt(new EventSink(DIID_ITLangEvents)));
        std::vector<std::string>& log = heard[i];
        sinks[i]->On(TLangEventDispid::OnInitialize, [&log](const EventSink::Args&) { log.push_back("Initialize"); });
        sinks[i]->On(TLangEventDispid::OnPrint, [&log](const EventSink::Args& args) {
            log.push_back("Print " + Utf16ToCp1252(args.String(0)));
        });
        sinks[i]->On(TLangEventDispid::OnScriptComplete, [&log](const EventSink::Args& args) {
            log.push_back("Complete " + std::to_string(args.Long(0)) + " " + std::to_string(args.Long(1)));
        });
        DWORD cookie = 0;
        cookies.push_back(cookie);
        const HRESULT hr = point->Advise(sinks[i].Get(), &cookie);
        EXPECT_EQ(hr, i < 5 ? S_OK : CONNECT_E_ADVISELIMIT) << i;
        cookies[i] = cookie;
    }

    UniqueBstr script(std::u16string_view(u"PRINT \"x\""));
    ASSERT_EQ(control->put_Text(script.Get()), S_OK);
    ASSERT_EQ(control->Execute(), S_OK);
    for (std::size_t i = 0; i < 5; ++i) {
        ASSERT_FALSE(heard[i].empty()) << i;
        EXPECT_EQ(heard[i], heard[0]) << i;
    }
    EXPECT_EQ(heard[0].front(), "Initialize");
    EXPECT_NE(std::find(heard[0].begin(), heard[0].end(), "Print x"), heard[0].end());
    EXPECT_EQ(heard[0].back(), "Complete 1 0");
    EXPECT_TRUE(heard[5].empty());
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(point->Unadvise(cookies[i]), S_OK);
}

TEST_F(Pevox10ModuleTest, TheLibraryStaysWhileAControlOrALockLives) {
    ComPtr<ITLang> control = CreateControl();
    ASSERT_TRUE(control);
    const auto canUnloadNow = Export<DllCanUnloadNowFunction>("DllCanUnloadNow");
    ASSERT_NE(canUnloadNow, nullptr);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    control.Reset();
    EXPECT_EQ(canUnloadNow(), S_OK);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_TLang, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.OutVoid()),
              S_OK);
    EXPECT_EQ(canUnloadNow(), S_OK);  // holding the factory alone does not lock the library
    factory->LockServer(1);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    factory->LockServer(0);
    EXPECT_EQ(canUnloadNow(), S_OK);

    // An unlock with no lock left neither frees a live control's hold nor
    // keeps the library loaded after everything is gone.
    factory->LockServer(0);
    EXPECT_EQ(canUnloadNow(), S_OK);
    control = CreateControl();
    factory->LockServer(0);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    control.Reset();
    EXPECT_EQ(canUnloadNow(), S_OK);
    factory->LockServer(1);
    factory->LockServer(0);
    EXPECT_EQ(canUnloadNow(), S_OK);

    // A control made for an interface it does not answer is freed at once.
    void* bag = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPersistPropertyBag, &bag), E_NOINTERFACE);
    EXPECT_EQ(bag, nullptr);
    EXPECT_EQ(canUnloadNow(), S_OK);

    CoFreeUnusedLibraries();  // forgets the library; the next creation finds it again
    EXPECT_TRUE(CreateControl());
}

// A property frame's site: notes what the page reports.
class PageSite final : public IPropertyPageSite {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (riid != IID_IUnknown && riid != IID_IPropertyPageSite) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT OnStatusChange(DWORD flags) override {
        statuses.push_back(flags);
        return S_OK;
    }
    std::vector<DWORD> statuses;
};

TEST_F(Pevox10ModuleTest, PropertyPageEditsTheFirstControl) {
    ComPtr<IPropertyPage> page;
    ASSERT_EQ(CoCreateInstance(CLSID_TLangPropPage, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, page.OutVoid()),
              S_OK);
    PROPPAGEINFO info{};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(BstrView(info.title), u"Pevox10 Custom Properties");
    EXPECT_GT(info.width, 0);
    SysFreeString(info.title);
    SysFreeString(info.docString);

    ComPtr<ITLang> control = CreateControl();
    ASSERT_TRUE(control);
    control->put_ExecutionMode(TxRun);
    PageSite site;
    page->SetPageSite(&site);
    IUnknown* objects[] = {control.Get()};
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    QWidget frame;
    ASSERT_EQ(page->Activate(&frame, 0, 0, info.width, info.height, 1), S_OK);
    EXPECT_EQ(page->Activate(&frame, 0, 0, info.width, info.height, 1), E_UNEXPECTED);
    QWidget* form = frame.findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isHidden());
    page->Show(SW_SHOW);
    EXPECT_FALSE(form->isHidden());
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);

    auto* mode = form->findChild<QComboBox*>();
    ASSERT_NE(mode, nullptr);
    mode->setCurrentIndex(1);
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    EXPECT_FALSE(site.statuses.empty());
    EXPECT_TRUE(site.statuses.back() & PROPPAGESTATUS_DIRTY);
    ASSERT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    TxExecutionModes applied = TxRun;
    control->get_ExecutionMode(&applied);
    EXPECT_EQ(applied, TxStep);

    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(frame.findChild<QWidget*>(), nullptr);
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
    ComPtr<EventSink> notAControl = ComPtr<EventSink>::Adopt(new EventSink(DIID_ITLangEvents));
    IUnknown* foreign[] = {notAControl.Get()};
    EXPECT_EQ(page->SetObjects(1, foreign), E_NOINTERFACE);
    page->SetPageSite(nullptr);

    void* aggregated = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TLangPropPage, control.Get(), CLSCTX_INPROC_SERVER, IID_IUnknown, &aggregated),
              CLASS_E_NOAGGREGATION);
}

TEST_F(Pevox10ModuleTest, UnknownClassesAndForeignThreadsAreRefused) {
    const auto getClassObject = Export<DllGetClassObjectFunction>("DllGetClassObject");
    ASSERT_NE(getClassObject, nullptr);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(IID_ITLang, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(getClassObject(CLSID_TLang, IID_IDispatch, &object), E_NOINTERFACE);

    HRESULT fromThread = S_OK;
    std::thread([&fromThread] {
        void* control = nullptr;
        fromThread = CoCreateInstance(CLSID_TLang, nullptr, CLSCTX_INPROC_SERVER, IID_ITLang, &control);
        ErrorTexts texts;
        TakeErrorInfo(texts);
    }).join();
    EXPECT_EQ(fromThread, E_UNEXPECTED);
}

TEST_F(Pevox10ModuleTest, RegistrationToolRegistersAndUnregisters) {
    const std::string tool = std::string(PEVOXREG_TOOL) + " ";
    const std::string quiet = " > /dev/null 2>&1";
    ASSERT_EQ(RegisterServerLibrary(kLibrary, true), S_OK);
    EXPECT_EQ(std::system((tool + "'" + kLibrary + "'" + quiet).c_str()), 0);
    EXPECT_TRUE(RegKeyExists(kHive, "CLSID\\" + GuidToString(CLSID_TLang)));
    EXPECT_EQ(std::system((tool + "/u '" + kLibrary + "'" + quiet).c_str()), 0);
    EXPECT_FALSE(RegKeyExists(kHive, "Pevox10.TLang"));
    EXPECT_NE(std::system((tool + "'" + folder_ + "/none.so'" + quiet).c_str()), 0);
    EXPECT_NE(std::system((tool + quiet).c_str()), 0);
}

}  // namespace

namespace {

std::string RandomBytes(unsigned seed, std::size_t size) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    return bytes;
}

// The registered hive with `from` replaced by `to` where it first occurs.
std::string Garbled(std::string hive, const std::string& from, const std::string& to) {
    const std::size_t at = hive.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? hive : hive.replace(at, from.size(), to);
}

// Whatever the class registry holds when the program starts, the start-up
// registration leaves one from which the control is created by its ProgID, and
// a file that did not read as a registry is kept aside byte for byte.
TEST_F(Pevox10ModuleTest, StartUpRegistrationHealsADamagedClassRegistry) {
    const std::string registered = ReadAll(HiveFile());
    const std::size_t progIdSection = registered.find("[Pevox10.TLang]");
    ASSERT_NE(progIdSection, std::string::npos);
    struct Damage {
        const char* name;
        std::string bytes;
        bool unreadable;
    };
    const Damage damages[] = {
        {"1 MiB of random bytes", RandomBytes(11, 1 << 20), true},
        {"4 KiB of random bytes", RandomBytes(12, 4096), true},
        {"cut inside a section name", registered.substr(0, progIdSection + 9), true},
        {"cut inside a value", registered.substr(0, registered.find("libPevox10") + 4), false},
        {"a line without a value", Garbled(registered, "[Pevox10.TLang]\n", "[Pevox10.TLang]\n\x01\xfe garbled\n"), true},
        {"the ProgID's class garbled", Garbled(registered, "CLSID\\%25default={14B6ACB1", "CLSID\\%25default={14B6ACB9"),
         false},
        {"the library path garbled", Garbled(registered, "libPevox10.so\n", "libPev\x7fx10.so\n"), false},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        { std::ofstream(HiveFile(), std::ios::binary | std::ios::trunc) << damage.bytes; }
        const HRESULT first = EnsureServerRegistered(CLSID_TLang, kLibrary);
        EXPECT_TRUE(SUCCEEDED(first)) << std::hex << first;
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(u"Pevox10.TLang", &clsid), S_OK);
        EXPECT_EQ(clsid, CLSID_TLang);
        EXPECT_TRUE(CreateControl());
        EXPECT_EQ(EnsureServerRegistered(CLSID_TLang, kLibrary), S_FALSE) << "the next start finds it registered";

        const std::string aside = HiveFile() + ".damaged";
        EXPECT_EQ(std::filesystem::exists(aside), damage.unreadable);
        if (damage.unreadable) {
            EXPECT_TRUE(ReadAll(aside) == damage.bytes) << "the damaged file is kept as it was";
        }
        std::filesystem::remove(aside);
    }
}

// A second damaged file does not replace the first one kept aside.
TEST_F(Pevox10ModuleTest, EachDamagedClassRegistryIsKeptUnderANameOfItsOwn) {
    for (unsigned seed : {21u, 22u}) {
        { std::ofstream(HiveFile(), std::ios::binary | std::ios::trunc) << RandomBytes(seed, 2048); }
        EXPECT_EQ(EnsureServerRegistered(CLSID_TLang, kLibrary), S_OK);
    }
    EXPECT_TRUE(ReadAll(HiveFile() + ".damaged") == RandomBytes(21, 2048));
    EXPECT_TRUE(ReadAll(HiveFile() + ".damaged-2") == RandomBytes(22, 2048));
}

// Whatever stands in the class registry's place (a folder, a pipe that
// nobody writes, a link leading round in a loop) is set aside without being
// waited on, and the start-up registration makes a new registry.
TEST_F(Pevox10ModuleTest, WhateverStandsInPlaceOfTheClassRegistryIsSetAside) {
    struct Thing {
        const char* name;
        std::function<void(const std::string&)> make;
    };
    const Thing things[] = {
        {"a folder",
         [](const std::string& path) {
             std::filesystem::create_directory(path);
             std::ofstream(path + "/inside") << "kept";
         }},
        {"a pipe", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
        {"a link loop", [](const std::string& path) { ASSERT_EQ(::symlink(path.c_str(), path.c_str()), 0); }},
    };
    for (const Thing& thing : things) {
        SCOPED_TRACE(thing.name);
        std::filesystem::remove(HiveFile());
        thing.make(HiveFile());
        ::alarm(30);  // a start that waits on the pipe fails here instead of hanging
        const HRESULT registered = EnsureServerRegistered(CLSID_TLang, kLibrary);
        ::alarm(0);
        EXPECT_EQ(registered, S_OK) << std::hex << registered;
        EXPECT_TRUE(CreateControl());
        EXPECT_TRUE(std::filesystem::is_regular_file(HiveFile()));
        const std::string aside = HiveFile() + ".damaged";
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(aside)));
        std::filesystem::remove_all(aside);
    }
}

}  // namespace

// The foundation of the component layer: fixed-width types, result codes,
// globally unique identifiers, length-prefixed strings and IUnknown.
//
// Interfaces are structs of pure virtual functions with no destructor of
// their own, so that an object's vtable starts with IUnknown's three entries
// followed by each derived interface's entries in declaration order. Objects
// free themselves in Release. All of this lives in the core layer library, so
// string allocation and the per-thread error slot exist once per process.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace platform {

// The component model's integer widths: its "long" is 32 bits on every system.
using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using UINT = std::uint32_t;
using BOOL = std::int32_t;
using LCID = std::uint32_t;
using DISPID = std::int32_t;
using MEMBERID = DISPID;
using VARIANT_BOOL = std::int16_t;
using OLE_COLOR = std::uint32_t;  // 0x00BBGGRR: red in the low byte
using OLECHAR = char16_t;
using BSTR = OLECHAR*;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x400;

constexpr HRESULT MakeHResult(std::uint32_t code) { return static_cast<HRESULT>(code); }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003);
inline constexpr HRESULT E_ABORT = MakeHResult(0x80004004);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);

inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHResult(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHResult(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHResult(0x80020006);
inline constexpr HRESULT DISP_E_NONAMEDARGS = MakeHResult(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = MakeHResult(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = MakeHResult(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = MakeHResult(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = MakeHResult(0x8002000B);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHResult(0x8002000E);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeHResult(0x8002000F);
inline constexpr HRESULT TYPE_E_REGISTRYACCESS = MakeHResult(0x8002801C);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = MakeHResult(0x8002802B);

inline constexpr HRESULT STG_E_INVALIDFUNCTION = MakeHResult(0x80030001);
inline constexpr HRESULT STG_E_FILENOTFOUND = MakeHResult(0x80030002);
inline constexpr HRESULT STG_E_INVALIDPOINTER = MakeHResult(0x80030009);
inline constexpr HRESULT STG_E_WRITEFAULT = MakeHResult(0x8003001D);
inline constexpr HRESULT STG_E_READFAULT = MakeHResult(0x8003001E);
inline constexpr HRESULT STG_E_FILEALREADYEXISTS = MakeHResult(0x80030050);

inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111);
inline constexpr HRESULT REGDB_E_READREGDB = MakeHResult(0x80040150);
inline constexpr HRESULT REGDB_E_WRITEREGDB = MakeHResult(0x80040151);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);
inline constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHResult(0x80040200);
inline constexpr HRESULT CONNECT_E_ADVISELIMIT = MakeHResult(0x80040201);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHResult(0x80040202);
inline constexpr HRESULT CO_E_CLASSSTRING = MakeHResult(0x800401F3);
inline constexpr HRESULT CO_E_DLLNOTFOUND = MakeHResult(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = MakeHResult(0x800401F9);

// A 128-bit identifier, written "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    constexpr bool operator==(const GUID&) const = default;
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
// Upper-case hexadecimal digits in braces.
std::string GuidToString(REFGUID guid);
// Reads the braced form, digits in either case; false (guid unchanged) for anything else.
bool GuidFromString(std::string_view text, GUID& guid);

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;
};

inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Memory handed between components (arrays of out parameters).
void* CoTaskMemAlloc(std::size_t bytes);
void CoTaskMemFree(void* memory);

// Length-prefixed UTF-16 strings: a 32-bit byte count, the characters and a
// terminating zero; the BSTR points at the first character. A null BSTR is
// the empty string. Allocation fails only when memory runs out (null then).
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);  // null text: `length` zero characters
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

std::u16string_view BstrView(BSTR text);
BSTR SysAllocString(std::u16string_view text);
// The system's 8-bit text (Windows-1252), converted character by character,
// embedded zeros included.
BSTR SysAllocStringFromAnsi(std::string_view text);
std::string BstrToAnsi(BSTR text);

// Owns one BSTR and frees it when it goes.
class UniqueBstr {
public:
    UniqueBstr() = default;
    explicit UniqueBstr(BSTR owned) : text_(owned) {}
    explicit UniqueBstr(std::u16string_view text) : text_(SysAllocString(text)) {}
    ~UniqueBstr() { SysFreeString(text_); }
    UniqueBstr(UniqueBstr&& other) noexcept : text_(other.Release()) {}
    UniqueBstr& operator=(UniqueBstr&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;

    BSTR Get() const { return text_; }
    // For out parameters: frees the current string first.
    BSTR* Out() {
        Reset();
        return &text_;
    }
    BSTR Release() { return std::exchange(text_, nullptr); }
    void Reset(BSTR owned = nullptr) { SysFreeString(std::exchange(text_, owned)); }
    std::u16string_view View() const { return BstrView(text_); }
    std::string Ansi() const { return BstrToAnsi(text_); }

private:
    BSTR text_ = nullptr;
};

// Holds one reference to an interface.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* object) : object_(object) {  // adds a reference
        if (object_) object_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.object_) {}
    ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ~ComPtr() { Reset(); }
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }

    // Takes over a reference the caller already owns.
    static ComPtr Adopt(T* object) {
        ComPtr result;
        result.object_ = object;
        return result;
    }

    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    void Reset() {
        if (T* old = std::exchange(object_, nullptr)) old->Release();
    }
    // For out parameters: releases the current reference first.
    T** Out() {
        Reset();
        return &object_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    T* Detach() { return std::exchange(object_, nullptr); }

    template <typename U>
    HRESULT As(REFIID iid, ComPtr<U>& result) const {
        if (!object_) return E_POINTER;
        return object_->QueryInterface(iid, result.OutVoid());
    }

private:
    T* object_ = nullptr;
};

// One interface of a ComObject and the identifiers that reach it: its own
// and those of the interfaces it derives from, IUnknown aside.
template <typename Interface, const IID&... Iids>
struct ComInterface {
    using Type = Interface;
    static bool Answers(REFIID riid) { return ((riid == Iids) || ...); }
};

// IUnknown for an object that implements the interfaces of its ComInterface
// entries: IUnknown reaches the first of them. The object starts with one
// reference, its creator's, and its last Release deletes it. `Object` is the
// final class built on this: interfaces have no virtual destructor, so the
// object must be deleted as the class it was made as.
template <typename Object, typename First, typename... Rest>
class ComObject : public First::Type, public Rest::Type... {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = riid == IID_IUnknown ? static_cast<typename First::Type*>(this) : Find<First, Rest...>(riid);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        static_assert(std::is_final_v<Object> && std::is_base_of_v<ComObject, Object>);
        const ULONG left = --references_;
        if (left == 0) delete static_cast<Object*>(this);
        return left;
    }

protected:
    ComObject() = default;
    ~ComObject() = default;

private:
    template <typename Entry, typename... Others>
    void* Find(REFIID riid) {
        if (Entry::Answers(riid)) return static_cast<typename Entry::Type*>(this);
        if constexpr (sizeof...(Others) > 0)
            return Find<Others...>(riid);
        else
            return nullptr;
    }

    std::atomic<ULONG> references_{1};
};

}  // namespace platform

// Automation: variants, IDispatch, and rich error information.
#pragma once

#include "platform/ComBase.h"

namespace platform {

struct IDispatch;
struct ITypeInfo;

using VARTYPE = std::uint16_t;

// The variant types this layer carries; VT_BYREF combines with each of them
// except VT_EMPTY and VT_NULL.
enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,  // only as VT_BYREF | VT_VARIANT
    VT_UNKNOWN = 13,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_INT = 22,
    VT_UINT = 23,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        std::int8_t cVal;
        std::uint8_t bVal;
        std::int16_t iVal;
        std::uint16_t uiVal;
        std::int32_t lVal;
        std::uint32_t ulVal;
        std::int32_t intVal;
        std::uint32_t uintVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        std::int8_t* pcVal;
        std::uint8_t* pbVal;
        std::int16_t* piVal;
        std::uint16_t* puiVal;
        std::int32_t* plVal;
        std::uint32_t* pulVal;
        std::int32_t* pintVal;
        std::uint32_t* puintVal;
        float* pfltVal;
        double* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        VARIANT* pvarVal;
        void* byref;
    };
};
using VARIANTARG = VARIANT;

void VariantInit(VARIANT* v);
// Frees what the variant owns (its string, its interface reference) and makes it empty.
HRESULT VariantClear(VARIANT* v);
// A deep copy: strings duplicated, interfaces referenced; by-reference stays by reference.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* source);
// Like VariantCopy, but a by-reference source yields the value it points at.
HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* source);

inline constexpr WORD VARIANT_ALPHABOOL = 0x2;  // VT_BOOL as text: "True"/"False" instead of "-1"/"0"
// Converts `source` (by reference or not) into `dest` of type `vt`. Numbers are
// written and read in the C locale; integers are rounded half to even.
// DISP_E_TYPEMISMATCH when the value has no such form, DISP_E_OVERFLOW when it
// does not fit. `dest` may be `source`. On failure `dest` is left unchanged.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, WORD flags, VARTYPE vt);

// The value standing for an omitted optional argument.
inline constexpr bool IsMissingArgument(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

// Owns one VARIANT and clears it when it goes.
class UniqueVariant {
public:
    UniqueVariant() { VariantInit(&value_); }
    ~UniqueVariant() { VariantClear(&value_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    VARIANT* Ptr() { return &value_; }
    VARIANT* operator->() { return &value_; }
    const VARIANT& Get() const { return value_; }

private:
    VARIANT value_;
};

// Variant makers: the result owns what it holds.
VARIANT MakeVariantI2(std::int16_t value);
VARIANT MakeVariantI4(std::int32_t value);
VARIANT MakeVariantR8(double value);
VARIANT MakeVariantBool(bool value);
VARIANT MakeVariantBstr(std::u16string_view text);
VARIANT MakeVariantMissing();
VARIANT MakeVariantByRef(VARTYPE vt, void* target);

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

// Arguments of IDispatch::Invoke, last argument first.
struct DISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

// What a member that failed tells its caller; the caller frees the strings.
struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    SCODE scode;
};
void ClearExcepInfo(EXCEPINFO* info);  // frees the strings and zeroes the rest

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, OLECHAR** names, UINT count, LCID lcid, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* exception, UINT* argErr) = 0;
};

inline constexpr IID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_NULL = GUID_NULL;

// Rich error information: one slot per thread. A failing member fills it
// just before it returns; its caller takes it (GetErrorInfo empties the slot).
struct IErrorInfo : IUnknown {
    virtual HRESULT GetGUID(GUID* guid) = 0;
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;
    virtual HRESULT GetHelpFile(BSTR* helpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* helpContext) = 0;
};

struct ICreateErrorInfo : IUnknown {
    virtual HRESULT SetGUID(REFGUID guid) = 0;
    virtual HRESULT SetSource(const OLECHAR* source) = 0;
    virtual HRESULT SetDescription(const OLECHAR* description) = 0;
    virtual HRESULT SetHelpFile(const OLECHAR* helpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD helpContext) = 0;
};

// An object answers S_OK for the interfaces whose failures leave error information.
struct ISupportErrorInfo : IUnknown {
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

inline constexpr IID IID_IErrorInfo{0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_ICreateErrorInfo{0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_ISupportErrorInfo{0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

HRESULT CreateErrorInfo(ICreateErrorInfo** info);
// Puts `info` (null clears) into the calling thread's slot; `reserved` must be 0.
HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);
// Takes the calling thread's error information: S_FALSE and null when there is none.
HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info);

// Fills the calling thread's slot with a description, source and interface,
// and returns `result`, so that a member can end with `return ReportError(...)`.
HRESULT ReportError(HRESULT result, REFIID iid, std::u16string_view source, std::u16string_view description);

// The texts of an error information object, for callers that only want to read them.
struct ErrorTexts {
    GUID guid = GUID_NULL;
    std::u16string source;
    std::u16string description;
};
// Takes the calling thread's error information; false when there is none.
bool TakeErrorInfo(ErrorTexts& texts);

}  // namespace platform

// Type information: what a type library tells about its interfaces, events,
// classes, enumerations and records. A read-only subset, served from tables
// compiled into the component (there are no type library files here).
#pragma once

#include "platform/ComAutomation.h"

namespace platform {

struct ITypeLib;

enum TYPEKIND : std::int32_t {
    TKIND_ENUM = 0,
    TKIND_RECORD = 1,
    TKIND_INTERFACE = 3,
    TKIND_DISPATCH = 4,
    TKIND_COCLASS = 5,
};

inline constexpr WORD TYPEFLAG_FCANCREATE = 0x2;
inline constexpr WORD TYPEFLAG_FHIDDEN = 0x10;
inline constexpr WORD TYPEFLAG_FCONTROL = 0x20;
inline constexpr WORD TYPEFLAG_FDUAL = 0x40;
inline constexpr WORD TYPEFLAG_FOLEAUTOMATION = 0x100;
inline constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;

struct TYPEATTR {
    GUID guid;
    TYPEKIND typekind;
    WORD cFuncs;      // members of an interface, events of an event interface
    WORD cVars;       // values of an enumeration, fields of a record
    WORD cImplTypes;  // interfaces of a class
    WORD wMajorVerNum;
    WORD wMinorVerNum;
    WORD wTypeFlags;
};

enum INVOKEKIND : std::int32_t {
    INVOKE_FUNC = 1,
    INVOKE_PROPERTYGET = 2,
    INVOKE_PROPERTYPUT = 4,
    INVOKE_PROPERTYPUTREF = 8,
};

inline constexpr WORD PARAMFLAG_FIN = 0x1;
inline constexpr WORD PARAMFLAG_FOUT = 0x2;
inline constexpr WORD PARAMFLAG_FRETVAL = 0x8;
inline constexpr WORD PARAMFLAG_FOPT = 0x10;
inline constexpr WORD PARAMFLAG_FHASDEFAULT = 0x20;

inline constexpr WORD FUNCFLAG_FHIDDEN = 0x40;

// One parameter: its variant type (VT_BYREF for pointers) and direction flags.
struct ELEMDESC {
    VARTYPE vt;
    WORD wParamFlags;
    std::int32_t defaultValue;  // with PARAMFLAG_FHASDEFAULT
};

struct FUNCDESC {
    MEMBERID memid;
    INVOKEKIND invkind;
    WORD cParams;
    WORD cParamsOpt;
    WORD wFuncFlags;
    const ELEMDESC* lprgelemdescParam;  // cParams entries, valid while the type information lives
};

struct VARDESC {
    MEMBERID memid;
    VARTYPE vt;           // the field's type for a record, VT_I4 for an enumeration value
    std::int32_t value;   // an enumeration value
    std::uint32_t offset; // a record field's byte offset
};

inline constexpr MEMBERID MEMBERID_NIL = -1;  // the type (or library) itself

using HREFTYPE = DWORD;
inline constexpr std::int32_t IMPLTYPEFLAG_FDEFAULT = 0x1;
inline constexpr std::int32_t IMPLTYPEFLAG_FSOURCE = 0x2;

struct ITypeInfo : IUnknown {
    virtual HRESULT GetTypeAttr(TYPEATTR* attr) = 0;
    virtual HRESULT GetFuncDesc(UINT index, FUNCDESC* desc) = 0;
    virtual HRESULT GetVarDesc(UINT index, VARDESC* desc) = 0;
    // The member's name followed by its parameters' names.
    virtual HRESULT GetNames(MEMBERID memid, BSTR* names, UINT maxNames, UINT* count) = 0;
    virtual HRESULT GetIDsOfNames(OLECHAR** names, UINT count, MEMBERID* ids) = 0;
    // Name and help string of a member, or of the type for MEMBERID_NIL.
    // Enumeration values and record fields are numbered by their index.
    virtual HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* docString, DWORD* helpContext,
                                     BSTR* helpFile) = 0;
    virtual HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* ref) = 0;
    virtual HRESULT GetImplTypeFlags(UINT index, std::int32_t* flags) = 0;
    virtual HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** info) = 0;
    virtual HRESULT GetContainingTypeLib(ITypeLib** lib, UINT* index) = 0;
};

struct TLIBATTR {
    GUID guid;
    LCID lcid;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
};

struct ITypeLib : IUnknown {
    virtual UINT GetTypeInfoCount() = 0;
    virtual HRESULT GetTypeInfo(UINT index, ITypeInfo** info) = 0;
    virtual HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) = 0;
    virtual HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) = 0;
    virtual HRESULT GetLibAttr(TLIBATTR* attr) = 0;
    // Index -1 is the library itself.
    virtual HRESULT GetDocumentation(std::int32_t index, BSTR* name, BSTR* docString, DWORD* helpContext,
                                     BSTR* helpFile) = 0;
};

inline constexpr IID IID_ITypeInfo{0x00020401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_ITypeLib{0x00020402, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

}  // namespace platform

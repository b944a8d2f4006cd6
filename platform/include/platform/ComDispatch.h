// IDispatch from one member table. Each entry names a member of a dual
// interface, its dispatch identifier, kind, flags, help string and
// parameters, and calls the member through the interface's vtable; the same
// table answers GetIDsOfNames and Invoke and serves as type information.
//
// Invoke takes the arguments last-first as automation passes them, converts
// each to its parameter's type, puts the type library's default in place of
// an omitted optional argument (null for an omitted by-reference one), reads
// the named argument of a property put, writes an [in,out] parameter's new
// value back into the caller's reference (which must be one to the
// parameter's own type or to a VARIANT: DISP_E_TYPEMISMATCH otherwise), and
// turns a failing member that left error information into DISP_E_EXCEPTION
// with EXCEPINFO. Success codes such as S_FALSE pass through. Named
// arguments other than a put's value are not supported (DISP_E_NONAMEDARGS).
#pragma once

#include "platform/ComControl.h"
#include "platform/ComTypeInfo.h"

#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace platform {

// How a parameter is declared. The variant type comes from the member's C++
// parameter type unless `vt` names it (VARIANT_BOOL and short share a C++ type).
struct ParamSpec {
    const char16_t* name = u"";
    WORD flags = PARAMFLAG_FIN;
    std::int32_t defaultValue = 0;
    VARTYPE vt = VT_EMPTY;
};

inline ParamSpec In(const char16_t* name, VARTYPE vt = VT_EMPTY) { return {name, PARAMFLAG_FIN, 0, vt}; }
inline ParamSpec InOut(const char16_t* name, VARTYPE vt = VT_EMPTY) {
    return {name, PARAMFLAG_FIN | PARAMFLAG_FOUT, 0, vt};
}
// An optional parameter without a default: an empty string, zero, or a null pointer when omitted.
inline ParamSpec Optional(ParamSpec spec) {
    spec.flags |= PARAMFLAG_FOPT;
    return spec;
}
inline ParamSpec WithDefault(ParamSpec spec, std::int32_t value) {
    spec.flags |= PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT;
    spec.defaultValue = value;
    return spec;
}

struct DispatchParam {
    std::u16string name;
    ELEMDESC desc;                    // vt (VT_BYREF for pointers), flags, default
    const IID* iid = nullptr;         // interface parameters: the interface the member takes
    IUnknown* (*asUnknown)(void*) = nullptr;  // interface parameters: the pointer as IUnknown
};

// Calls the member with arguments prepared in declaration order: a value
// parameter's variant holds the value, a pointer parameter's variant holds
// the pointer in `byref`.
using DispatchCall = HRESULT (*)(void* object, VARIANT* args);

struct DispatchMember {
    DISPID id = DISPID_UNKNOWN;
    std::u16string name;
    INVOKEKIND kind = INVOKE_FUNC;
    WORD funcFlags = 0;
    std::string help;  // 8-bit text of the system's code page
    std::vector<DispatchParam> params;  // every C++ parameter; an [out,retval] one is last
    std::vector<ELEMDESC> elements;     // the params' descriptions, for type information
    DispatchCall call = nullptr;        // null for events, which are only described

    bool HasRetval() const { return !params.empty() && (params.back().desc.wParamFlags & PARAMFLAG_FRETVAL); }
};

class DispatchTable {
public:
    // `iid` and `source` fill the error information of a member that throws.
    DispatchTable(const IID& iid, std::u16string source, std::vector<DispatchMember> members);

    const std::vector<DispatchMember>& Members() const { return members_; }
    const IID& Iid() const { return iid_; }
    const DispatchMember* Find(DISPID id, INVOKEKIND kind) const;
    const DispatchMember* FindAny(DISPID id) const;

    // Names are compared ignoring case. Only member names are known; a
    // parameter name gets DISPID_UNKNOWN and DISP_E_UNKNOWNNAME.
    HRESULT GetIDsOfNames(OLECHAR** names, UINT count, DISPID* ids) const;
    HRESULT Invoke(void* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   UINT* argErr) const;

private:
    IID iid_;
    std::u16string source_;
    std::vector<DispatchMember> members_;
};

// ---- Building members from member-function pointers ----

namespace dispatch_detail {

template <typename T>
struct IsInterfacePointer : std::false_type {};
template <typename T>
    requires std::is_base_of_v<IUnknown, T>
struct IsInterfacePointer<T*> : std::true_type {};

// The interface identifier of an interface a member takes; specialised for
// each interface used as a parameter.
template <typename T>
struct InterfaceOf;
template <>
struct InterfaceOf<IUnknown> {
    static constexpr const IID* iid = &IID_IUnknown;
};
template <>
struct InterfaceOf<IDispatch> {
    static constexpr const IID* iid = &IID_IDispatch;
};
template <>
struct InterfaceOf<IFontDisp> {
    static constexpr const IID* iid = &IID_IFontDisp;
};

template <typename T>
constexpr VARTYPE ValueType() {
    if constexpr (std::is_same_v<T, BSTR>) return VT_BSTR;
    else if constexpr (std::is_same_v<T, double>) return VT_R8;
    else if constexpr (std::is_same_v<T, float>) return VT_R4;
    else if constexpr (std::is_same_v<T, std::int16_t>) return VT_I2;
    else if constexpr (std::is_same_v<T, std::int32_t>) return VT_I4;
    else if constexpr (std::is_same_v<T, std::uint32_t>) return VT_UI4;
    else if constexpr (std::is_enum_v<T> && sizeof(T) == 4) return VT_I4;
    else if constexpr (IsInterfacePointer<T>::value)
        return std::is_same_v<T, IUnknown*> ? VT_UNKNOWN : VT_DISPATCH;
    else static_assert(sizeof(T) == 0, "no variant type for this parameter type");
}

template <typename T>
constexpr VARTYPE TypeOf() {
    if constexpr (std::is_pointer_v<T> && !IsInterfacePointer<T>::value && !std::is_same_v<T, BSTR>)
        return VT_BYREF | ValueType<std::remove_pointer_t<T>>();
    else return ValueType<T>();
}

// The interface pointee of an interface parameter (T* or T**), or void.
template <typename T>
struct InterfacePointee {
    using type = void;
};
template <typename T>
    requires IsInterfacePointer<T*>::value
struct InterfacePointee<T*> {
    using type = T;
};
template <typename T>
    requires IsInterfacePointer<T*>::value
struct InterfacePointee<T**> {
    using type = T;
};

template <typename T>
T ArgFrom(VARIANT& v) {
    if constexpr (std::is_same_v<T, BSTR>) return v.bstrVal;
    else if constexpr (std::is_pointer_v<T>) return static_cast<T>(v.byref);
    else if constexpr (std::is_same_v<T, double>) return v.dblVal;
    else if constexpr (std::is_same_v<T, float>) return v.fltVal;
    else if constexpr (std::is_same_v<T, std::int16_t>) return v.iVal;
    else if constexpr (std::is_same_v<T, std::uint32_t>) return v.ulVal;
    else if constexpr (std::is_enum_v<T>) return static_cast<T>(v.lVal);
    else return v.lVal;
}

template <auto Fn>
struct Member;

template <typename I, typename... A, HRESULT (I::*Fn)(A...)>
struct Member<Fn> {
    static constexpr std::size_t arity = sizeof...(A);

    static HRESULT Call(void* object, VARIANT* args) {
        return Apply(static_cast<I*>(object), args, std::index_sequence_for<A...>{});
    }
    template <std::size_t... k>
    static HRESULT Apply(I* object, VARIANT* args, std::index_sequence<k...>) {
        return (object->*Fn)(ArgFrom<A>(args[k])...);
    }

    static std::vector<DispatchParam> Params() {
        std::vector<DispatchParam> params;
        (params.push_back(Param<A>()), ...);
        return params;
    }

    template <typename T>
    static DispatchParam Param() {
        DispatchParam param;
        param.desc = {TypeOf<T>(), 0, 0};
        using Pointee = typename InterfacePointee<T>::type;
        if constexpr (!std::is_void_v<Pointee>) {
            param.iid = InterfaceOf<Pointee>::iid;
            param.asUnknown = [](void* p) -> IUnknown* { return static_cast<Pointee*>(p); };
        }
        return param;
    }
};

// Applies the declared names, flags and type overrides to the deduced parameters.
void ApplySpecs(DispatchMember& member, std::initializer_list<ParamSpec> specs);
void AddRetval(DispatchMember& member, VARTYPE valueType);
void AddPutValue(DispatchMember& member, VARTYPE valueType);

template <auto Fn>
DispatchMember Make(DISPID id, const char16_t* name, INVOKEKIND kind, const char* help, WORD funcFlags) {
    DispatchMember member;
    member.id = id;
    member.name = name;
    member.kind = kind;
    member.help = help;
    member.funcFlags = funcFlags;
    member.params = Member<Fn>::Params();
    member.call = &Member<Fn>::Call;
    return member;
}

}  // namespace dispatch_detail

// A method; `params` declares every C++ parameter in order.
template <auto Fn>
DispatchMember Method(DISPID id, const char16_t* name, const char* help, std::initializer_list<ParamSpec> params = {},
                      WORD funcFlags = 0) {
    DispatchMember member = dispatch_detail::Make<Fn>(id, name, INVOKE_FUNC, help, funcFlags);
    dispatch_detail::ApplySpecs(member, params);
    return member;
}

// A property get: `params` declares the index parameters; the last C++
// parameter is the [out,retval] "Value", of type `valueType` when given.
template <auto Fn>
DispatchMember PropertyGet(DISPID id, const char16_t* name, const char* help,
                           std::initializer_list<ParamSpec> params = {}, VARTYPE valueType = VT_EMPTY,
                           WORD funcFlags = 0) {
    DispatchMember member = dispatch_detail::Make<Fn>(id, name, INVOKE_PROPERTYGET, help, funcFlags);
    dispatch_detail::AddRetval(member, valueType);
    dispatch_detail::ApplySpecs(member, params);
    return member;
}

// A property put (or putref): the last C++ parameter is the unnamed new value.
template <auto Fn>
DispatchMember PropertyPut(DISPID id, const char16_t* name, const char* help,
                           std::initializer_list<ParamSpec> params = {}, VARTYPE valueType = VT_EMPTY,
                           WORD funcFlags = 0, INVOKEKIND kind = INVOKE_PROPERTYPUT) {
    DispatchMember member = dispatch_detail::Make<Fn>(id, name, kind, help, funcFlags);
    dispatch_detail::AddPutValue(member, valueType);
    dispatch_detail::ApplySpecs(member, params);
    return member;
}

// An event of a dispatch-only interface: described, never called through the table.
// Each parameter names its variant type.
DispatchMember Event(DISPID id, const char16_t* name, const char* help, std::initializer_list<ParamSpec> params = {});

// A ready-made sink for a dispatch-only event interface: it answers
// IUnknown, IDispatch and the event interface, and calls the handler set
// for an event's DISPID (other events are ignored). Hosts derive from it or
// use it as it is.
class EventSink : public IDispatch {
public:
    // The event's arguments in declaration order (rgvarg reversed).
    class Args {
    public:
        explicit Args(DISPPARAMS& params) : params_(params) {}
        UINT Count() const { return params_.cArgs; }
        VARIANT& operator[](UINT index) const { return params_.rgvarg[params_.cArgs - 1 - index]; }
        // Values converted to the type asked for; 0 or "" when the argument is absent or does not convert.
        std::int32_t Long(UINT index) const;
        std::int16_t Short(UINT index) const;
        bool Bool(UINT index) const;
        std::u16string String(UINT index) const;
        // A by-reference short (VT_BYREF|VT_I2) the handler may change; null when it is not one.
        std::int16_t* ShortRef(UINT index) const;

    private:
        DISPPARAMS& params_;
    };
    using Handler = std::function<void(const Args&)>;

    explicit EventSink(const IID& eventIid) : eventIid_(eventIid) {}
    virtual ~EventSink() = default;
    EventSink(const EventSink&) = delete;
    EventSink& operator=(const EventSink&) = delete;

    void On(DISPID event, Handler handler) { handlers_.emplace_back(event, std::move(handler)); }

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID riid, OLECHAR** names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argErr) override;

private:
    IID eventIid_;
    ULONG references_ = 1;
    std::vector<std::pair<DISPID, Handler>> handlers_;
};

}  // namespace platform

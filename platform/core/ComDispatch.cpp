#include "platform/ComDispatch.h"

#include "platform/Text.h"

#include <exception>

namespace platform {

namespace {

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string MemberName(const DispatchMember& member) { return Utf16ToCp1252(member.name); }

// Where a prepared argument's value lives and who frees it.
enum class Owned { Nothing, Variant, Interface };

// The arguments of one call: the variants handed to the member and the
// storage behind them, freed when the call is over.
class CallFrame {
public:
    CallFrame(const DispatchMember& member, DISPPARAMS& params)
        : member_(member), params_(params), args_(member.params.size()), storage_(member.params.size()),
          owned_(member.params.size(), Owned::Nothing), writeBack_(member.params.size(), nullptr) {
        for (std::size_t i = 0; i < args_.size(); ++i) {
            VariantInit(&args_[i]);
            VariantInit(&storage_[i]);
        }
    }
    ~CallFrame() {
        for (std::size_t i = 0; i < storage_.size(); ++i) Free(i);
    }
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;

    // Converts every argument; on failure `argErr` names the offending one (last-first numbering).
    HRESULT Prepare(UINT* argErr) {
        const std::size_t visible = member_.params.size() - (member_.HasRetval() ? 1 : 0);
        for (std::size_t i = 0; i < visible; ++i) {
            const VARIANT* source = i < params_.cArgs ? &params_.rgvarg[params_.cArgs - 1 - i] : nullptr;
            const HRESULT hr = PrepareArgument(i, source);
            if (FAILED(hr)) {
                if (argErr && source) *argErr = static_cast<UINT>(params_.cArgs - 1 - i);
                return hr;
            }
        }
        if (member_.HasRetval()) PointAtStorage(member_.params.size() - 1, member_.params.back().desc.vt);
        return S_OK;
    }

    VARIANT* Args() { return args_.data(); }

    // After a successful call: by-reference variants get their new values.
    void WriteBack() {
        for (std::size_t i = 0; i < writeBack_.size(); ++i) {
            VARIANT* target = writeBack_[i];
            if (!target || owned_[i] != Owned::Variant) continue;
            VariantClear(target);
            *target = storage_[i];
            VariantInit(&storage_[i]);
            owned_[i] = Owned::Nothing;
        }
    }

    // Moves the [out,retval] value into `result`.
    HRESULT TakeRetval(VARIANT* result) {
        const std::size_t last = member_.params.size() - 1;
        const DispatchParam& param = member_.params[last];
        const VARTYPE vt = param.desc.vt & ~VT_BYREF;
        if (param.asUnknown) {
            owned_[last] = Owned::Interface;
            if (!storage_[last].byref) {
                result->vt = vt;
                result->punkVal = nullptr;
                return S_OK;
            }
            void* converted = nullptr;
            const HRESULT hr = param.asUnknown(storage_[last].byref)
                                   ->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &converted);
            if (FAILED(hr)) return hr;
            result->vt = vt;
            result->punkVal = static_cast<IUnknown*>(converted);
            return S_OK;
        }
        storage_[last].vt = vt;
        *result = storage_[last];
        VariantInit(&storage_[last]);
        return S_OK;
    }

    // The [out,retval] storage must be freed even when nobody takes it.
    void OwnRetval() {
        const std::size_t last = member_.params.size() - 1;
        const DispatchParam& param = member_.params[last];
        owned_[last] = param.asUnknown ? Owned::Interface : Owned::Variant;
        if (!param.asUnknown) storage_[last].vt = param.desc.vt & ~VT_BYREF;
    }

private:
    HRESULT PrepareArgument(std::size_t i, const VARIANT* source) {
        const DispatchParam& param = member_.params[i];
        const WORD flags = param.desc.wParamFlags;
        const bool byRef = param.desc.vt & VT_BYREF;
        if (!source || IsMissingArgument(*source)) {
            if (!(flags & PARAMFLAG_FOPT)) return DISP_E_PARAMNOTOPTIONAL;
            if (byRef) {
                args_[i].vt = param.desc.vt;
                args_[i].byref = nullptr;
                return S_OK;
            }
            return StoreDefault(i);
        }
        if (!byRef) return StoreValue(i, *source);
        if (source->vt == param.desc.vt && !param.asUnknown) {
            args_[i] = *source;  // the caller's own storage
            return S_OK;
        }
        // The member's new value could not be written back through a
        // reference to another type: refuse it rather than lose the value.
        if ((source->vt & VT_BYREF) && source->vt != (VT_BYREF | VT_VARIANT) && !param.asUnknown)
            return DISP_E_TYPEMISMATCH;
        const VARIANT* value = source;
        if (source->vt == (VT_BYREF | VT_VARIANT)) {
            if (!source->pvarVal) return DISP_E_TYPEMISMATCH;
            writeBack_[i] = source->pvarVal;
            value = source->pvarVal;
        }
        if (const HRESULT hr = StoreValue(i, *value); FAILED(hr)) return hr;
        PointAtStorage(i, param.desc.vt);
        return S_OK;
    }

    // The converted value into storage; the argument holds it (or the interface pointer).
    HRESULT StoreValue(std::size_t i, const VARIANT& source) {
        const DispatchParam& param = member_.params[i];
        const VARTYPE vt = param.desc.vt & ~VT_BYREF;
        VARIANT plain;
        VariantInit(&plain);
        if (param.asUnknown && source.vt == VT_EMPTY) {
            plain.vt = vt;  // an empty argument stands for no object
            plain.punkVal = nullptr;
        } else if (const HRESULT hr = VariantChangeType(&plain, &source, 0, vt); FAILED(hr)) {
            return hr == DISP_E_BADVARTYPE ? DISP_E_TYPEMISMATCH : hr;
        }
        if (param.asUnknown) {
            void* wanted = nullptr;
            if (plain.punkVal) {
                const HRESULT hr = plain.punkVal->QueryInterface(*param.iid, &wanted);
                VariantClear(&plain);
                if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
            }
            storage_[i].byref = wanted;
            owned_[i] = Owned::Interface;
            args_[i].vt = param.desc.vt;
            args_[i].byref = wanted;
            return S_OK;
        }
        storage_[i] = plain;
        owned_[i] = Owned::Variant;
        args_[i] = plain;
        return S_OK;
    }

    HRESULT StoreDefault(std::size_t i) {
        const DispatchParam& param = member_.params[i];
        VARIANT value;
        if (param.desc.vt == VT_BSTR)
            value = MakeVariantBstr(u"");
        else if (param.desc.vt == VT_BOOL)
            value = MakeVariantBool(param.desc.defaultValue != 0);
        else
            value = MakeVariantI4(param.desc.defaultValue);
        const HRESULT hr = StoreValue(i, value);
        VariantClear(&value);
        return hr;
    }

    void PointAtStorage(std::size_t i, VARTYPE vt) {
        args_[i].vt = vt;
        args_[i].byref = &storage_[i].byref;
    }

    void Free(std::size_t i) {
        if (owned_[i] == Owned::Variant) VariantClear(&storage_[i]);
        if (owned_[i] == Owned::Interface && storage_[i].byref)
            member_.params[i].asUnknown(storage_[i].byref)->Release();
        owned_[i] = Owned::Nothing;
    }

    const DispatchMember& member_;
    DISPPARAMS& params_;
    std::vector<VARIANT> args_;
    std::vector<VARIANT> storage_;
    std::vector<Owned> owned_;
    std::vector<VARIANT*> writeBack_;
};

HRESULT CheckNamedArguments(const DispatchMember& member, const DISPPARAMS& params) {
    if (params.cNamedArgs == 0) return S_OK;
    const bool put = member.kind == INVOKE_PROPERTYPUT || member.kind == INVOKE_PROPERTYPUTREF;
    if (put && params.cNamedArgs == 1 && params.rgdispidNamedArgs &&
        params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT)
        return S_OK;
    return DISP_E_NONAMEDARGS;
}

std::size_t RequiredCount(const DispatchMember& member) {
    std::size_t required = 0;
    for (const DispatchParam& param : member.params)
        if (!(param.desc.wParamFlags & (PARAMFLAG_FOPT | PARAMFLAG_FRETVAL))) ++required;
    return required;
}

void FillException(EXCEPINFO* exception, HRESULT hr, const ErrorTexts& texts) {
    if (!exception) return;
    *exception = EXCEPINFO{};
    exception->bstrSource = SysAllocString(texts.source);
    exception->bstrDescription = SysAllocString(texts.description);
    exception->scode = hr;
}

// A failure that left error information becomes DISP_E_EXCEPTION; the
// information stays available to GetErrorInfo as well.
HRESULT ReportFailure(HRESULT hr, EXCEPINFO* exception) {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Out()) != S_OK) return hr;
    ErrorTexts texts;
    UniqueBstr source, description;
    info->GetGUID(&texts.guid);
    info->GetSource(source.Out());
    info->GetDescription(description.Out());
    texts.source = source.View();
    texts.description = description.View();
    SetErrorInfo(0, info.Get());
    FillException(exception, hr, texts);
    return DISP_E_EXCEPTION;
}

}  // namespace

DispatchTable::DispatchTable(const IID& iid, std::u16string source, std::vector<DispatchMember> members)
    : iid_(iid), source_(std::move(source)), members_(std::move(members)) {}

const DispatchMember* DispatchTable::Find(DISPID id, INVOKEKIND kind) const {
    for (const DispatchMember& member : members_)
        if (member.id == id && member.kind == kind) return &member;
    return nullptr;
}

const DispatchMember* DispatchTable::FindAny(DISPID id) const {
    for (const DispatchMember& member : members_)
        if (member.id == id) return &member;
    return nullptr;
}

HRESULT DispatchTable::GetIDsOfNames(OLECHAR** names, UINT count, DISPID* ids) const {
    if (!names || !ids) return E_POINTER;
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (i == 0 && names[0])
            for (const DispatchMember& member : members_)
                if (SameName(member.name, names[0])) {
                    ids[0] = member.id;
                    break;
                }
        if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

HRESULT DispatchTable::Invoke(void* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argErr) const {
    if (!params || (params->cArgs && !params->rgvarg)) return E_INVALIDARG;
    if (result) VariantInit(result);
    const DispatchMember* member = nullptr;
    if (flags & DISPATCH_PROPERTYPUTREF) member = Find(id, INVOKE_PROPERTYPUTREF);
    if (!member && (flags & DISPATCH_PROPERTYPUT)) member = Find(id, INVOKE_PROPERTYPUT);
    if (!member && (flags & DISPATCH_METHOD)) member = Find(id, INVOKE_FUNC);
    if (!member && (flags & DISPATCH_PROPERTYGET)) member = Find(id, INVOKE_PROPERTYGET);
    if (!member || !member->call) return DISP_E_MEMBERNOTFOUND;

    if (const HRESULT hr = CheckNamedArguments(*member, *params); FAILED(hr)) return hr;
    const std::size_t visible = member->params.size() - (member->HasRetval() ? 1 : 0);
    if (params->cArgs > visible || params->cArgs < RequiredCount(*member)) return DISP_E_BADPARAMCOUNT;

    CallFrame frame(*member, *params);
    if (const HRESULT hr = frame.Prepare(argErr); FAILED(hr)) return hr;

    SetErrorInfo(0, nullptr);  // what a failing member leaves must be its own
    HRESULT hr;
    try {
        hr = member->call(object, frame.Args());
    } catch (const std::exception& error) {
        hr = ReportError(DISP_E_EXCEPTION, iid_, source_, Cp1252ToUtf16(error.what()));
    }
    if (member->HasRetval()) frame.OwnRetval();
    if (FAILED(hr)) return ReportFailure(hr, exception);

    frame.WriteBack();
    if (member->HasRetval() && result) {
        if (const HRESULT taken = frame.TakeRetval(result); FAILED(taken)) return taken;
    }
    return hr;
}

namespace dispatch_detail {

namespace {

// Declared types may only name another reading of the same storage.
bool IsCompatibleOverride(VARTYPE deduced, VARTYPE declared) {
    if (declared == deduced) return true;
    const VARTYPE byRef = deduced & VT_BYREF;
    return (deduced & ~VT_BYREF) == VT_I2 && declared == (byRef | VT_BOOL);
}

void Override(DispatchMember& member, DispatchParam& param, VARTYPE declared) {
    if (declared == VT_EMPTY) return;
    const VARTYPE wanted = static_cast<VARTYPE>((param.desc.vt & VT_BYREF) | (declared & ~VT_BYREF));
    if (!IsCompatibleOverride(param.desc.vt, wanted))
        throw std::logic_error("parameter type does not match the member's C++ type: " + MemberName(member));
    param.desc.vt = wanted;
}

void DescribeElements(DispatchMember& member) {
    member.elements.clear();
    for (const DispatchParam& param : member.params) member.elements.push_back(param.desc);
}

}  // namespace

void ApplySpecs(DispatchMember& member, std::initializer_list<ParamSpec> specs) {
    const std::size_t declared = member.kind == INVOKE_FUNC ? member.params.size() : member.params.size() - 1;
    if (specs.size() != declared)
        throw std::logic_error("parameter list does not match the member's C++ signature: " + MemberName(member));
    std::size_t i = 0;
    for (const ParamSpec& spec : specs) {
        DispatchParam& param = member.params[i++];
        param.name = spec.name;
        param.desc.wParamFlags = spec.flags;
        param.desc.defaultValue = spec.defaultValue;
        Override(member, param, spec.vt);
    }
    DescribeElements(member);
}

void AddRetval(DispatchMember& member, VARTYPE valueType) {
    if (member.params.empty() || !(member.params.back().desc.vt & VT_BYREF))
        throw std::logic_error("a property get needs a pointer for its value: " + MemberName(member));
    DispatchParam& value = member.params.back();
    value.name = u"Value";
    value.desc.wParamFlags = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
    Override(member, value, valueType);
}

void AddPutValue(DispatchMember& member, VARTYPE valueType) {
    if (member.params.empty()) throw std::logic_error("a property put needs a value: " + MemberName(member));
    DispatchParam& value = member.params.back();
    value.name.clear();
    value.desc.wParamFlags = PARAMFLAG_FIN;
    Override(member, value, valueType);
}

}  // namespace dispatch_detail

DispatchMember Event(DISPID id, const char16_t* name, const char* help, std::initializer_list<ParamSpec> params) {
    DispatchMember member;
    member.id = id;
    member.name = name;
    member.help = help;
    for (const ParamSpec& spec : params) {
        if (spec.vt == VT_EMPTY) throw std::logic_error("an event parameter needs its type: " + MemberName(member));
        DispatchParam param;
        param.name = spec.name;
        param.desc = {spec.vt, spec.flags, spec.defaultValue};
        member.params.push_back(std::move(param));
    }
    for (const DispatchParam& param : member.params) member.elements.push_back(param.desc);
    return member;
}

// ---- EventSink ----

namespace {

// For the scalar types the arguments are read as; one of the type asked for
// is taken as it is, as it is at every step event of a run.
bool Convert(const VARIANT& source, VARTYPE vt, VARIANT& out) {
    if (source.vt == vt) {
        out = source;
        return true;
    }
    VariantInit(&out);
    return SUCCEEDED(VariantChangeType(&out, &source, 0, vt));
}

}  // namespace

std::int32_t EventSink::Args::Long(UINT index) const {
    VARIANT v;
    return index < Count() && Convert((*this)[index], VT_I4, v) ? v.lVal : 0;
}

std::int16_t EventSink::Args::Short(UINT index) const {
    VARIANT v;
    return index < Count() && Convert((*this)[index], VT_I2, v) ? v.iVal : 0;
}

bool EventSink::Args::Bool(UINT index) const {
    VARIANT v;
    return index < Count() && Convert((*this)[index], VT_BOOL, v) && v.boolVal != VARIANT_FALSE;
}

std::u16string EventSink::Args::String(UINT index) const {
    UniqueVariant v;
    if (index >= Count() || FAILED(VariantChangeType(v.Ptr(), &(*this)[index], 0, VT_BSTR))) return {};
    return std::u16string(BstrView(v->bstrVal));
}

std::int16_t* EventSink::Args::ShortRef(UINT index) const {
    if (index >= Count()) return nullptr;
    const VARIANT& v = (*this)[index];
    return v.vt == (VT_BYREF | VT_I2) ? v.piVal : nullptr;
}

HRESULT EventSink::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != eventIid_) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG EventSink::AddRef() { return ++references_; }

ULONG EventSink::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT EventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT EventSink::GetIDsOfNames(REFIID, OLECHAR**, UINT count, LCID, DISPID* ids) {
    if (!ids) return E_POINTER;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT EventSink::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                          UINT*) {
    if (!params || (params->cArgs && !params->rgvarg)) return E_INVALIDARG;
    if (result) VariantInit(result);
    const Args args(*params);
    for (const auto& [event, handler] : handlers_)
        if (event == member) handler(args);
    return S_OK;
}

}  // namespace platform

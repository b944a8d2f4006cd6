#include "platform/ComTypeLibrary.h"

#include "platform/Text.h"

#include <memory>

namespace platform {

namespace {

class TypeLibrary;

HRESULT CopyText(std::u16string_view text, BSTR* out) {
    if (!out) return S_OK;
    *out = SysAllocString(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CopyHelp(const std::string& help, BSTR* out) { return CopyText(Cp1252ToUtf16(help), out); }

// One type of the library. Its references are the library's: a client that
// holds a type keeps the whole library alive.
class TypeInfo final : public ITypeInfo {
public:
    TypeInfo(TypeLibrary& library, const TypeDescription& type, UINT index)
        : library_(library), type_(type), index_(index) {}

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_ITypeInfo) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<ITypeInfo*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetTypeAttr(TYPEATTR* attr) override {
        if (!attr) return E_POINTER;
        *attr = TYPEATTR{type_.guid,
                         type_.kind,
                         static_cast<WORD>(type_.members ? type_.members->Members().size() : 0),
                         static_cast<WORD>(type_.kind == TKIND_RECORD ? type_.fields.size() : type_.values.size()),
                         static_cast<WORD>(type_.implemented.size()),
                         type_.majorVersion,
                         type_.minorVersion,
                         type_.flags};
        return S_OK;
    }

    HRESULT GetFuncDesc(UINT index, FUNCDESC* desc) override {
        if (!desc) return E_POINTER;
        if (!type_.members || index >= type_.members->Members().size()) return TYPE_E_ELEMENTNOTFOUND;
        const DispatchMember& member = type_.members->Members()[index];
        WORD optional = 0;
        for (const ELEMDESC& element : member.elements)
            if (element.wParamFlags & PARAMFLAG_FOPT) ++optional;
        *desc = FUNCDESC{member.id, member.kind, static_cast<WORD>(member.elements.size()), optional,
                         member.funcFlags, member.elements.data()};
        return S_OK;
    }

    HRESULT GetVarDesc(UINT index, VARDESC* desc) override {
        if (!desc) return E_POINTER;
        const auto memid = static_cast<MEMBERID>(index);
        if (type_.kind == TKIND_ENUM && index < type_.values.size()) {
            *desc = VARDESC{memid, VT_I4, type_.values[index].value, 0};
            return S_OK;
        }
        if (type_.kind == TKIND_RECORD && index < type_.fields.size()) {
            *desc = VARDESC{memid, type_.fields[index].vt, 0, type_.fields[index].offset};
            return S_OK;
        }
        return TYPE_E_ELEMENTNOTFOUND;
    }

    HRESULT GetNames(MEMBERID memid, BSTR* names, UINT maxNames, UINT* count) override {
        if (!names || !count) return E_POINTER;
        *count = 0;
        std::vector<std::u16string_view> found;
        if (const DispatchMember* member = type_.members ? type_.members->FindAny(memid) : nullptr) {
            found.push_back(member->name);
            for (const DispatchParam& param : member->params)
                if (!param.name.empty() && !(param.desc.wParamFlags & PARAMFLAG_FRETVAL)) found.push_back(param.name);
        } else if (const std::u16string* name = VariableName(memid)) {
            found.push_back(*name);
        } else {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        for (UINT i = 0; i < found.size() && i < maxNames; ++i) {
            names[i] = SysAllocString(found[i]);
            ++*count;
        }
        return S_OK;
    }

    HRESULT GetIDsOfNames(OLECHAR** names, UINT count, MEMBERID* ids) override {
        if (type_.members) return type_.members->GetIDsOfNames(names, count, ids);
        if (!names || !ids) return E_POINTER;
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = MEMBERID_NIL;
            for (UINT k = 0; i == 0 && names[0] && VariableName(static_cast<MEMBERID>(k)); ++k)
                if (SameTextIgnoringCase(Utf16ToCp1252(*VariableName(static_cast<MEMBERID>(k))),
                                         Utf16ToCp1252(names[0])))
                    ids[0] = static_cast<MEMBERID>(k);
            if (ids[i] == MEMBERID_NIL) result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }

    HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* docString, DWORD* helpContext,
                             BSTR* helpFile) override;

    HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* ref) override {
        if (!ref) return E_POINTER;
        if (index >= type_.implemented.size()) return TYPE_E_ELEMENTNOTFOUND;
        *ref = type_.implemented[index].typeIndex;
        return S_OK;
    }

    HRESULT GetImplTypeFlags(UINT index, std::int32_t* flags) override {
        if (!flags) return E_POINTER;
        if (index >= type_.implemented.size()) return TYPE_E_ELEMENTNOTFOUND;
        *flags = type_.implemented[index].flags;
        return S_OK;
    }

    HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** info) override;
    HRESULT GetContainingTypeLib(ITypeLib** lib, UINT* index) override;

private:
    // Enumeration values and record fields are numbered by their index.
    const std::u16string* VariableName(MEMBERID memid) const {
        if (memid < 0) return nullptr;
        const auto index = static_cast<std::size_t>(memid);
        if (type_.kind == TKIND_ENUM && index < type_.values.size()) return &type_.values[index].name;
        if (type_.kind == TKIND_RECORD && index < type_.fields.size()) return &type_.fields[index].name;
        return nullptr;
    }

    TypeLibrary& library_;
    const TypeDescription& type_;
    UINT index_;
};

class TypeLibrary final : public ComObject<TypeLibrary, ComInterface<ITypeLib, IID_ITypeLib>> {
public:
    explicit TypeLibrary(const TypeLibraryDescription& description) : description_(description) {
        for (UINT i = 0; i < description.types.size(); ++i)
            types_.push_back(std::make_unique<TypeInfo>(*this, description.types[i], i));
    }

    UINT GetTypeInfoCount() override { return static_cast<UINT>(types_.size()); }

    HRESULT GetTypeInfo(UINT index, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index >= types_.size()) return TYPE_E_ELEMENTNOTFOUND;
        *info = types_[index].get();
        AddRef();
        return S_OK;
    }

    HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) override {
        if (!kind) return E_POINTER;
        if (index >= types_.size()) return TYPE_E_ELEMENTNOTFOUND;
        *kind = description_.types[index].kind;
        return S_OK;
    }

    HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        for (UINT i = 0; i < types_.size(); ++i)
            if (description_.types[i].guid == guid) return GetTypeInfo(i, info);
        return TYPE_E_ELEMENTNOTFOUND;
    }

    HRESULT GetLibAttr(TLIBATTR* attr) override {
        if (!attr) return E_POINTER;
        *attr = TLIBATTR{description_.guid, description_.lcid, description_.majorVersion, description_.minorVersion};
        return S_OK;
    }

    HRESULT GetDocumentation(std::int32_t index, BSTR* name, BSTR* docString, DWORD* helpContext,
                             BSTR* helpFile) override {
        if (index == -1) return Document(description_.name, description_.help, name, docString, helpContext, helpFile);
        if (index < 0 || static_cast<std::size_t>(index) >= types_.size()) return TYPE_E_ELEMENTNOTFOUND;
        return types_[static_cast<std::size_t>(index)]->GetDocumentation(MEMBERID_NIL, name, docString, helpContext,
                                                                         helpFile);
    }

    HRESULT Document(std::u16string_view itemName, const std::string& help, BSTR* name, BSTR* docString,
                     DWORD* helpContext, BSTR* helpFile) const {
        if (helpContext) *helpContext = 0;
        if (HRESULT hr = CopyText(itemName, name); FAILED(hr)) return hr;
        if (HRESULT hr = CopyHelp(help, docString); FAILED(hr)) return hr;
        return CopyText(description_.helpFile, helpFile);
    }

private:
    const TypeLibraryDescription& description_;
    std::vector<std::unique_ptr<TypeInfo>> types_;
};

ULONG TypeInfo::AddRef() { return library_.AddRef(); }

ULONG TypeInfo::Release() { return library_.Release(); }

HRESULT TypeInfo::GetDocumentation(MEMBERID memid, BSTR* name, BSTR* docString, DWORD* helpContext,
                                   BSTR* helpFile) {
    if (memid == MEMBERID_NIL) return library_.Document(type_.name, type_.help, name, docString, helpContext, helpFile);
    if (const DispatchMember* member = type_.members ? type_.members->FindAny(memid) : nullptr)
        return library_.Document(member->name, member->help, name, docString, helpContext, helpFile);
    if (type_.kind == TKIND_ENUM && memid >= 0 && static_cast<std::size_t>(memid) < type_.values.size()) {
        const EnumValueDescription& value = type_.values[static_cast<std::size_t>(memid)];
        return library_.Document(value.name, value.help, name, docString, helpContext, helpFile);
    }
    if (const std::u16string* field = VariableName(memid))
        return library_.Document(*field, {}, name, docString, helpContext, helpFile);
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT TypeInfo::GetRefTypeInfo(HREFTYPE ref, ITypeInfo** info) { return library_.GetTypeInfo(ref, info); }

HRESULT TypeInfo::GetContainingTypeLib(ITypeLib** lib, UINT* index) {
    if (!lib) return E_POINTER;
    library_.AddRef();
    *lib = &library_;
    if (index) *index = index_;
    return S_OK;
}

}  // namespace

ITypeLib* CreateTypeLibrary(const TypeLibraryDescription& description) { return new TypeLibrary(description); }

}  // namespace platform

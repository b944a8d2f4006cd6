#include "platform/ComControl.h"

namespace platform {

namespace {

constexpr struct {
    const char16_t* name;
    DISPID dispid;
} kFontProperties[] = {
    {u"Name", DISPID_FONT_NAME},        {u"Size", DISPID_FONT_SIZE},
    {u"Bold", DISPID_FONT_BOLD},        {u"Italic", DISPID_FONT_ITALIC},
    {u"Underline", DISPID_FONT_UNDER},  {u"Strikethrough", DISPID_FONT_STRIKE},
};

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

class FontObject final : public ComObject<FontObject, ComInterface<IFontDisp, IID_IDispatch, IID_IFontDisp>> {
public:
    explicit FontObject(FontDescription font) : font_(std::move(font)) {}

    HRESULT GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetIDsOfNames(REFIID, OLECHAR** names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids) return E_POINTER;
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (const auto& property : kFontProperties)
                if (i == 0 && names[i] && SameNameIgnoringCase(names[i], property.name)) ids[i] = property.dispid;
            if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }

    HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                   UINT* argErr) override {
        if (!params) return E_POINTER;
        if (!IsProperty(member)) return DISP_E_MEMBERNOTFOUND;
        if (flags & DISPATCH_PROPERTYPUT) {
            if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
            const HRESULT hr = Put(member, params->rgvarg[0]);
            if (FAILED(hr) && argErr) *argErr = 0;
            return hr;
        }
        if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
        if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        if (result) Get(member, *result);
        return S_OK;
    }

private:
    static bool IsProperty(DISPID member) {
        for (const auto& property : kFontProperties)
            if (property.dispid == member) return true;
        return false;
    }

    bool* Flag(DISPID member) {
        switch (member) {
        case DISPID_FONT_BOLD: return &font_.bold;
        case DISPID_FONT_ITALIC: return &font_.italic;
        case DISPID_FONT_UNDER: return &font_.underline;
        case DISPID_FONT_STRIKE: return &font_.strikethrough;
        default: return nullptr;
        }
    }

    // `result` is an out parameter: whatever it held is not the object's to free.
    void Get(DISPID member, VARIANT& result) {
        if (member == DISPID_FONT_NAME)
            result = MakeVariantBstr(font_.name);
        else if (member == DISPID_FONT_SIZE)
            result = MakeVariantR8(font_.size);
        else
            result = MakeVariantBool(*Flag(member));
    }

    HRESULT Put(DISPID member, const VARIANT& value) {
        const VARTYPE type = member == DISPID_FONT_NAME ? VT_BSTR : member == DISPID_FONT_SIZE ? VT_R8 : VT_BOOL;
        UniqueVariant converted;
        if (const HRESULT hr = VariantChangeType(converted.Ptr(), &value, 0, type); FAILED(hr)) return hr;
        if (member == DISPID_FONT_NAME)
            font_.name = BstrView(converted->bstrVal);
        else if (member == DISPID_FONT_SIZE) {
            if (!(converted->dblVal > 0)) return E_INVALIDARG;
            font_.size = converted->dblVal;
        } else
            *Flag(member) = converted->boolVal != VARIANT_FALSE;
        return S_OK;
    }

    FontDescription font_;
};

HRESULT GetProperty(IDispatch* object, DISPID dispid, VARTYPE type, VARIANT& value) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    UniqueVariant raw;
    HRESULT hr = object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, raw.Ptr(),
                                nullptr, nullptr);
    if (SUCCEEDED(hr)) hr = VariantChangeType(&value, raw.Ptr(), 0, type);
    return hr;
}

}  // namespace

IFontDisp* CreateFontDisp(const FontDescription& font) { return new FontObject(font); }

HRESULT ReadFontDisp(IFontDisp* fontDisp, FontDescription& font) {
    if (!fontDisp) return E_POINTER;
    FontDescription read;
    UniqueVariant value;
    if (HRESULT hr = GetProperty(fontDisp, DISPID_FONT_NAME, VT_BSTR, *value.Ptr()); FAILED(hr)) return hr;
    read.name = BstrView(value->bstrVal);
    if (HRESULT hr = GetProperty(fontDisp, DISPID_FONT_SIZE, VT_R8, *value.Ptr()); FAILED(hr)) return hr;
    read.size = value->dblVal;
    const struct {
        DISPID dispid;
        bool FontDescription::*flag;
    } flags[] = {{DISPID_FONT_BOLD, &FontDescription::bold},
                 {DISPID_FONT_ITALIC, &FontDescription::italic},
                 {DISPID_FONT_UNDER, &FontDescription::underline},
                 {DISPID_FONT_STRIKE, &FontDescription::strikethrough}};
    for (const auto& entry : flags) {
        if (HRESULT hr = GetProperty(fontDisp, entry.dispid, VT_BOOL, *value.Ptr()); FAILED(hr)) return hr;
        read.*entry.flag = value->boolVal != VARIANT_FALSE;
    }
    font = std::move(read);
    return S_OK;
}

}  // namespace platform

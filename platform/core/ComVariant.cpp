#include "platform/ComAutomation.h"

#include "platform/Numbers.h"
#include "platform/Text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace platform {

namespace {

bool IsKnownBaseType(VARTYPE vt) {
    switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_BSTR:
    case VT_DISPATCH: case VT_ERROR: case VT_BOOL: case VT_UNKNOWN: case VT_I1: case VT_UI1:
    case VT_UI2: case VT_UI4: case VT_INT: case VT_UINT:
        return true;
    default:
        return false;
    }
}

bool IsValidType(VARTYPE vt) {
    const VARTYPE base = vt & ~VT_BYREF;
    if (vt & VT_BYREF) return base == VT_VARIANT || (base != VT_EMPTY && base != VT_NULL && IsKnownBaseType(base));
    return IsKnownBaseType(base);
}

// The value a variant holds or points at, as a variant that holds it (the
// strings and interfaces are shared with the original, not copied).
bool Dereference(const VARIANT& in, VARIANT& out) {
    if (!IsValidType(in.vt)) return false;
    if (!(in.vt & VT_BYREF)) {
        out = in;
        return true;
    }
    if (!in.byref) return false;
    VariantInit(&out);
    out.vt = in.vt & ~VT_BYREF;
    switch (out.vt) {
    case VT_VARIANT: return !(in.pvarVal->vt & VT_BYREF) && Dereference(*in.pvarVal, out);
    case VT_I1: out.cVal = *in.pcVal; break;
    case VT_UI1: out.bVal = *in.pbVal; break;
    case VT_I2: out.iVal = *in.piVal; break;
    case VT_UI2: out.uiVal = *in.puiVal; break;
    case VT_I4: case VT_INT: out.lVal = *in.plVal; break;
    case VT_UI4: case VT_UINT: out.ulVal = *in.pulVal; break;
    case VT_R4: out.fltVal = *in.pfltVal; break;
    case VT_R8: out.dblVal = *in.pdblVal; break;
    case VT_BOOL: out.boolVal = *in.pboolVal; break;
    case VT_ERROR: out.scode = *in.pscode; break;
    case VT_BSTR: out.bstrVal = *in.pbstrVal; break;
    case VT_DISPATCH: out.pdispVal = *in.ppdispVal; break;
    case VT_UNKNOWN: out.punkVal = *in.ppunkVal; break;
    default: return false;
    }
    return true;
}

bool IsIntegerType(VARTYPE vt) {
    switch (vt) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
        return true;
    default:
        return false;
    }
}

double RoundHalfEven(double x) {
    if (std::fabs(x - std::trunc(x)) == 0.5) return 2.0 * std::round(x / 2.0);
    return std::round(x);
}

// The numeric value of a plain variant; VT_EMPTY is 0 and VT_BOOL is -1 or 0.
HRESULT ReadNumber(const VARIANT& v, double& number) {
    switch (v.vt) {
    case VT_EMPTY: number = 0; return S_OK;
    case VT_I1: number = v.cVal; return S_OK;
    case VT_UI1: number = v.bVal; return S_OK;
    case VT_I2: number = v.iVal; return S_OK;
    case VT_UI2: number = v.uiVal; return S_OK;
    case VT_I4: case VT_INT: number = v.lVal; return S_OK;
    case VT_UI4: case VT_UINT: number = v.ulVal; return S_OK;
    case VT_R4: number = v.fltVal; return S_OK;
    case VT_R8: number = v.dblVal; return S_OK;
    case VT_BOOL: number = v.boolVal ? -1 : 0; return S_OK;
    case VT_BSTR: {
        long double parsed = 0;
        if (!ParseFloat(BstrToAnsi(v.bstrVal), parsed)) return DISP_E_TYPEMISMATCH;
        if (std::isinf(parsed) || std::fabs(parsed) > std::numeric_limits<double>::max()) return DISP_E_OVERFLOW;
        number = static_cast<double>(parsed);
        return S_OK;
    }
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

template <typename T>
HRESULT ToInteger(double number, T& out) {
    const double rounded = RoundHalfEven(number);
    if (!(rounded >= static_cast<double>(std::numeric_limits<T>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<T>::max())))
        return DISP_E_OVERFLOW;
    out = static_cast<T>(rounded);
    return S_OK;
}

HRESULT StoreNumber(double number, VARTYPE vt, VARIANT& out) {
    out.vt = vt;
    switch (vt) {
    case VT_I1: return ToInteger(number, out.cVal);
    case VT_UI1: return ToInteger(number, out.bVal);
    case VT_I2: return ToInteger(number, out.iVal);
    case VT_UI2: return ToInteger(number, out.uiVal);
    case VT_I4: case VT_INT: return ToInteger(number, out.lVal);
    case VT_UI4: case VT_UINT: return ToInteger(number, out.ulVal);
    case VT_R8: out.dblVal = number; return S_OK;
    case VT_R4:
        if (std::isfinite(number) && std::fabs(number) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
        out.fltVal = static_cast<float>(number);
        return S_OK;
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

std::string NumberText(const VARIANT& v, double number) {
    if (IsIntegerType(v.vt)) return FormatC("%.0f", number);
    if (v.vt == VT_R4) {
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, v.fltVal).ptr;
        return std::string(buffer, end);
    }
    return ShortestText(number);
}

HRESULT ToText(const VARIANT& v, WORD flags, VARIANT& out) {
    std::string text;
    if (v.vt == VT_BSTR) {
        out.vt = VT_BSTR;
        out.bstrVal = SysAllocString(BstrView(v.bstrVal));
        return out.bstrVal || !v.bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    if (v.vt == VT_BOOL && (flags & VARIANT_ALPHABOOL)) {
        text = v.boolVal ? "True" : "False";
    } else if (v.vt != VT_EMPTY) {
        double number = 0;
        if (const HRESULT hr = ReadNumber(v, number); FAILED(hr)) return hr;
        text = NumberText(v, number);
    }
    out.vt = VT_BSTR;
    out.bstrVal = SysAllocStringFromAnsi(text);
    return out.bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT ToBool(const VARIANT& v, VARIANT& out) {
    out.vt = VT_BOOL;
    if (v.vt == VT_BSTR) {
        const std::string text = Trim(BstrToAnsi(v.bstrVal));
        if (SameTextIgnoringCase(text, "True") || SameTextIgnoringCase(text, "False")) {
            out.boolVal = SameTextIgnoringCase(text, "True") ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
    }
    double number = 0;
    if (const HRESULT hr = ReadNumber(v, number); FAILED(hr)) return hr;
    out.boolVal = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT ToInterface(const VARIANT& v, VARTYPE vt, VARIANT& out) {
    if (v.vt != VT_DISPATCH && v.vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
    out.vt = vt;
    out.punkVal = nullptr;
    if (!v.punkVal) return S_OK;
    void* converted = nullptr;
    const HRESULT hr = v.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &converted);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    out.punkVal = static_cast<IUnknown*>(converted);
    return S_OK;
}

HRESULT Convert(const VARIANT& v, WORD flags, VARTYPE vt, VARIANT& out) {
    switch (vt) {
    case VT_EMPTY:
        out.vt = VT_EMPTY;
        return S_OK;
    case VT_NULL:
    case VT_ERROR:
        if (v.vt != vt) return DISP_E_TYPEMISMATCH;
        out = v;
        return S_OK;
    case VT_BSTR:
        return ToText(v, flags, out);
    case VT_BOOL:
        return ToBool(v, out);
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return ToInterface(v, vt, out);
    default: {
        double number = 0;
        if (const HRESULT hr = ReadNumber(v, number); FAILED(hr)) return hr;
        return StoreNumber(number, vt, out);
    }
    }
}

}  // namespace

void VariantInit(VARIANT* v) {
    v->vt = VT_EMPTY;
    v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
    v->dblVal = 0;
}

HRESULT VariantClear(VARIANT* v) {
    if (!v) return E_INVALIDARG;
    if (!IsValidType(v->vt)) return DISP_E_BADVARTYPE;
    if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
    if ((v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) && v->punkVal) v->punkVal->Release();
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* source) {
    if (!dest || !source) return E_INVALIDARG;
    if (!IsValidType(source->vt)) return DISP_E_BADVARTYPE;
    if (dest == source) return S_OK;
    VARIANT copy = *source;
    if (source->vt == VT_BSTR && source->bstrVal) {
        copy.bstrVal = SysAllocString(BstrView(source->bstrVal));
        if (!copy.bstrVal) return E_OUTOFMEMORY;
    }
    if ((source->vt == VT_DISPATCH || source->vt == VT_UNKNOWN) && source->punkVal) source->punkVal->AddRef();
    VariantClear(dest);
    *dest = copy;
    return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* source) {
    if (!dest || !source) return E_INVALIDARG;
    VARIANT plain;
    if (!Dereference(*source, plain)) return DISP_E_BADVARTYPE;
    return VariantCopy(dest, &plain);
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, WORD flags, VARTYPE vt) {
    if (!dest || !source) return E_INVALIDARG;
    if ((vt & VT_BYREF) || !IsKnownBaseType(vt)) return DISP_E_BADVARTYPE;
    VARIANT plain;
    if (!Dereference(*source, plain)) return DISP_E_BADVARTYPE;
    if (plain.vt == vt && vt != VT_BSTR && vt != VT_DISPATCH && vt != VT_UNKNOWN) {
        VariantClear(dest);
        *dest = plain;
        return S_OK;
    }
    VARIANT converted;
    VariantInit(&converted);
    if (const HRESULT hr = Convert(plain, flags, vt, converted); FAILED(hr)) return hr;
    VariantClear(dest);
    *dest = converted;
    return S_OK;
}

VARIANT MakeVariantI2(std::int16_t value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I2;
    v.iVal = value;
    return v;
}

VARIANT MakeVariantI4(std::int32_t value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT MakeVariantR8(double value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}

VARIANT MakeVariantBool(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT MakeVariantBstr(std::u16string_view text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
}

VARIANT MakeVariantMissing() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

VARIANT MakeVariantByRef(VARTYPE vt, void* target) {
    VARIANT v;
    VariantInit(&v);
    v.vt = static_cast<VARTYPE>(vt | VT_BYREF);
    v.byref = target;
    return v;
}

void ClearExcepInfo(EXCEPINFO* info) {
    if (!info) return;
    SysFreeString(info->bstrSource);
    SysFreeString(info->bstrDescription);
    SysFreeString(info->bstrHelpFile);
    *info = EXCEPINFO{};
}

}  // namespace platform

// The host data members of the automation interface: they convert strings
// and numbers and hand the work to the engine.
#include "TLangImpl1.h"

namespace pevox {

using platform::S_OK;

namespace {

HostIndexes Indexes(std::int16_t first, std::int16_t second, std::int16_t third, std::int16_t fourth,
                    std::int16_t fifth) {
    return {first, second, third, fourth, fifth};
}

}  // namespace

HRESULT TTLangImpl::AddFunction(BSTR Keyword, std::int32_t ParamCount, std::int32_t Ordinal, TxTypes ReturnType,
                                std::int32_t MinParams) {
    return Guarded(true, [&] {
        return Result(engine_.AddFunction(platform::BstrToAnsi(Keyword), ParamCount, Ordinal, ReturnType, MinParams));
    });
}

HRESULT TTLangImpl::AddVariable(BSTR VarName, TxTypes VarType, VARIANT_BOOL IsConstant) {
    return Guarded(true, [&] { return Result(engine_.AddVariable(platform::BstrToAnsi(VarName), VarType, IsConstant != 0)); });
}

HRESULT TTLangImpl::AddArray(BSTR ArrayName, TxTypes ArrayType, std::int16_t Dim1, std::int16_t Dim2,
                             std::int16_t Dim3, std::int16_t Dim4, std::int16_t Dim5) {
    return Guarded(false, [&] {
        return Result(engine_.AddArray(platform::BstrToAnsi(ArrayName), ArrayType, Indexes(Dim1, Dim2, Dim3, Dim4, Dim5)));
    });
}

HRESULT TTLangImpl::GetNParam(std::int32_t Position, double* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = engine_.GetNParam(Position);
    return S_OK;
}

HRESULT TTLangImpl::GetSParam(std::int32_t Position, BSTR* Value) {
    return Guarded(true, [&] { return ReturnString(Value, engine_.GetSParam(Position)); });
}

HRESULT TTLangImpl::put_UserNReturn(double Value) {
    engine_.m_UserNReturn = Value;
    return S_OK;
}

HRESULT TTLangImpl::put_UserSReturn(BSTR Value) {
    return Guarded(true, [&] {
        engine_.m_UserSReturn = platform::BstrToAnsi(Value);
        return S_OK;
    });
}

HRESULT TTLangImpl::GetSVariable(BSTR VarName, BSTR* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        std::string text;
        const HostResult result = engine_.GetSVariable(platform::BstrToAnsi(VarName), text);
        // A failed call leaves an empty string.
        if (const HRESULT put = ReturnString(Value, text); platform::FAILED(put)) return put;
        return Result(result);
    });
}

HRESULT TTLangImpl::SetSVariable(BSTR VarName, BSTR Value) {
    return Guarded(true, [&] {
        return Result(engine_.SetSVariable(platform::BstrToAnsi(VarName), platform::BstrToAnsi(Value)));
    });
}

HRESULT TTLangImpl::GetNVariable(BSTR VarName, double* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(false, [&] { return Result(engine_.GetNVariable(platform::BstrToAnsi(VarName), *Value)); });
}

HRESULT TTLangImpl::SetNVariable(BSTR VarName, double Value) {
    return Guarded(false, [&] { return Result(engine_.SetNVariable(platform::BstrToAnsi(VarName), Value)); });
}

HRESULT TTLangImpl::GetSArray(BSTR ArrayName, BSTR* RetVal, std::int16_t Subscript1, std::int16_t Subscript2,
                              std::int16_t Subscript3, std::int16_t Subscript4, std::int16_t Subscript5) {
    if (!RetVal) return platform::E_POINTER;
    return Guarded(false, [&] {
        std::string text;
        const HostResult result = engine_.GetSArray(platform::BstrToAnsi(ArrayName), text,
                                                    Indexes(Subscript1, Subscript2, Subscript3, Subscript4, Subscript5));
        if (!result.Succeeded()) return Result(result);
        return ReturnString(RetVal, text);
    });
}

HRESULT TTLangImpl::SetSArray(BSTR ArrayName, BSTR Value, std::int16_t Subscript1, std::int16_t Subscript2,
                              std::int16_t Subscript3, std::int16_t Subscript4, std::int16_t Subscript5) {
    return Guarded(false, [&] {
        return Result(engine_.SetSArray(platform::BstrToAnsi(ArrayName), platform::BstrToAnsi(Value),
                                        Indexes(Subscript1, Subscript2, Subscript3, Subscript4, Subscript5)));
    });
}

HRESULT TTLangImpl::GetNArray(BSTR ArrayName, double* RetVal, std::int16_t Subscript1, std::int16_t Subscript2,
                              std::int16_t Subscript3, std::int16_t Subscript4, std::int16_t Subscript5) {
    if (!RetVal) return platform::E_POINTER;
    return Guarded(false, [&] {
        return Result(engine_.GetNArray(platform::BstrToAnsi(ArrayName), *RetVal,
                                        Indexes(Subscript1, Subscript2, Subscript3, Subscript4, Subscript5)));
    });
}

HRESULT TTLangImpl::SetNArray(BSTR ArrayName, double Value, std::int16_t Subscript1, std::int16_t Subscript2,
                              std::int16_t Subscript3, std::int16_t Subscript4, std::int16_t Subscript5) {
    return Guarded(false, [&] {
        return Result(engine_.SetNArray(platform::BstrToAnsi(ArrayName), Value,
                                        Indexes(Subscript1, Subscript2, Subscript3, Subscript4, Subscript5)));
    });
}

HRESULT TTLangImpl::GetArrayBounds(BSTR ArrayName, std::int16_t* Dim1, std::int16_t* Dim2, std::int16_t* Dim3,
                                   std::int16_t* Dim4, std::int16_t* Dim5) {
    if (!Dim1) return platform::E_POINTER;
    return Guarded(false, [&] {
        HostIndexes dims{};
        const HostResult result = engine_.GetArrayBounds(platform::BstrToAnsi(ArrayName), dims);
        if (!result.Succeeded()) return Result(result);
        std::int16_t* targets[] = {Dim1, Dim2, Dim3, Dim4, Dim5};
        for (std::size_t i = 0; i < dims.size(); ++i)
            if (targets[i]) *targets[i] = static_cast<std::int16_t>(dims[i]);
        return S_OK;
    });
}

HRESULT TTLangImpl::ClearArray(BSTR ArrayName) {
    return Guarded(true, [&] { return Result(engine_.ClearArray(platform::BstrToAnsi(ArrayName))); });
}

}  // namespace pevox

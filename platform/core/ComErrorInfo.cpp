#include "platform/ComAutomation.h"

#include <string>

namespace platform {

namespace {

std::u16string Text(const OLECHAR* text) { return text ? std::u16string(text) : std::u16string(); }

HRESULT CopyOut(const std::u16string& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocString(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

class ErrorInfo final : public ComObject<ErrorInfo, ComInterface<IErrorInfo, IID_IErrorInfo>,
                                         ComInterface<ICreateErrorInfo, IID_ICreateErrorInfo>> {
public:
    HRESULT GetGUID(GUID* guid) override {
        if (!guid) return E_POINTER;
        *guid = guid_;
        return S_OK;
    }
    HRESULT GetSource(BSTR* source) override { return CopyOut(source_, source); }
    HRESULT GetDescription(BSTR* description) override { return CopyOut(description_, description); }
    HRESULT GetHelpFile(BSTR* helpFile) override { return CopyOut(helpFile_, helpFile); }
    HRESULT GetHelpContext(DWORD* helpContext) override {
        if (!helpContext) return E_POINTER;
        *helpContext = helpContext_;
        return S_OK;
    }

    HRESULT SetGUID(REFGUID guid) override {
        guid_ = guid;
        return S_OK;
    }
    HRESULT SetSource(const OLECHAR* source) override {
        source_ = Text(source);
        return S_OK;
    }
    HRESULT SetDescription(const OLECHAR* description) override {
        description_ = Text(description);
        return S_OK;
    }
    HRESULT SetHelpFile(const OLECHAR* helpFile) override {
        helpFile_ = Text(helpFile);
        return S_OK;
    }
    HRESULT SetHelpContext(DWORD helpContext) override {
        helpContext_ = helpContext;
        return S_OK;
    }

    // Keeps the texts whole, embedded zeros included.
    void Assign(REFGUID guid, std::u16string_view source, std::u16string_view description) {
        guid_ = guid;
        source_ = source;
        description_ = description;
    }

private:
    GUID guid_ = GUID_NULL;
    std::u16string source_;
    std::u16string description_;
    std::u16string helpFile_;
    DWORD helpContext_ = 0;
};

// The calling thread's error information; released when the thread ends.
class ErrorSlot {
public:
    ~ErrorSlot() { Put(nullptr); }
    void Put(IErrorInfo* info) {
        if (info) info->AddRef();
        if (info_) info_->Release();
        info_ = info;
    }
    IErrorInfo* Take() { return std::exchange(info_, nullptr); }

private:
    IErrorInfo* info_ = nullptr;
};

thread_local ErrorSlot errorSlot;

}  // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** info) {
    if (!info) return E_POINTER;
    *info = new ErrorInfo;
    return S_OK;
}

HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info) {
    if (reserved != 0) return E_INVALIDARG;
    errorSlot.Put(info);
    return S_OK;
}

HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (reserved != 0) return E_INVALIDARG;
    *info = errorSlot.Take();
    return *info ? S_OK : S_FALSE;
}

HRESULT ReportError(HRESULT result, REFIID iid, std::u16string_view source, std::u16string_view description) {
    auto* info = new ErrorInfo;
    info->Assign(iid, source, description);
    SetErrorInfo(0, info);
    info->Release();
    return result;
}

bool TakeErrorInfo(ErrorTexts& texts) {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK) return false;
    UniqueBstr source, description;
    info->GetGUID(&texts.guid);
    info->GetSource(source.Out());
    info->GetDescription(description.Out());
    info->Release();
    texts.source = source.View();
    texts.description = description.View();
    return true;
}

}  // namespace platform

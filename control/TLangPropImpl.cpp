#include "TLangPropImpl.h"

#include "Pevox10Module.h"
#include "Pevox10_TLB.h"
#include "TLangProp.h"
#include "platform/ComControl.h"

#include <QPointer>

#include <memory>

namespace pevox {

namespace {

using namespace platform;

class TVUvezAPropertyPageImpl final
    : public ComObject<TVUvezAPropertyPageImpl, ComInterface<IPropertyPage, IID_IPropertyPage>> {
public:
    ~TVUvezAPropertyPageImpl() { delete form_; }

    HRESULT SetPageSite(IPropertyPageSite* site) override {
        site_ = site;
        return S_OK;
    }

    HRESULT Activate(QWidget* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     BOOL) override {
        if (form_) return E_UNEXPECTED;
        form_ = new TVUvezAPropertyPage(parent);
        form_->hide();
        form_->setGeometry(x, y, width, height);
        form_->SetControl(control_.Get());
        form_->FillPageFromControl();
        dirty_ = false;
        QObject::connect(form_, &TVUvezAPropertyPage::Changed, form_, [this] { MarkDirty(); });
        return S_OK;
    }

    HRESULT Deactivate() override {
        delete form_;
        return S_OK;
    }

    HRESULT GetPageInfo(PROPPAGEINFO* info) override {
        if (!info) return E_POINTER;
        // The form knows its caption and size; one that is not active is made to ask it.
        std::unique_ptr<TVUvezAPropertyPage> temporary;
        const TVUvezAPropertyPage* form = form_;
        if (!form) {
            temporary = std::make_unique<TVUvezAPropertyPage>();
            form = temporary.get();
        }
        const QString title = form->windowTitle();
        info->title = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(title.utf16()), static_cast<UINT>(title.size()));
        info->width = form->sizeHint().width();
        info->height = form->sizeHint().height();
        info->docString = nullptr;
        return S_OK;
    }

    HRESULT SetObjects(ULONG count, IUnknown** objects) override {
        if (count && !objects) return E_POINTER;
        ComPtr<ITLang> first;
        if (count && objects[0] && FAILED(objects[0]->QueryInterface(IID_ITLang, first.OutVoid())))
            return E_NOINTERFACE;
        control_ = first;
        if (form_) {
            form_->SetControl(control_.Get());
            form_->FillPageFromControl();
        }
        return S_OK;
    }

    HRESULT Show(UINT command) override {
        if (!form_) return E_UNEXPECTED;
        form_->setVisible(command != SW_HIDE);
        return S_OK;
    }

    HRESULT Move(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) override {
        if (!form_) return E_UNEXPECTED;
        form_->setGeometry(x, y, width, height);
        return S_OK;
    }

    HRESULT IsPageDirty() override { return dirty_ ? S_OK : S_FALSE; }

    HRESULT Apply() override {
        if (form_) form_->ApplyPageToControl();
        dirty_ = false;
        return S_OK;
    }

    HRESULT Help(const OLECHAR*) override { return E_NOTIMPL; }

private:
    void MarkDirty() {
        dirty_ = true;
        if (site_) site_->OnStatusChange(PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE);
    }

    ModuleReference moduleReference_;
    ComPtr<IPropertyPageSite> site_;
    ComPtr<ITLang> control_;
    QPointer<TVUvezAPropertyPage> form_;
    bool dirty_ = false;
};

}  // namespace

HRESULT CreateTLangPropertyPage(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* page = new TVUvezAPropertyPageImpl;
    const HRESULT hr = page->QueryInterface(iid, object);
    page->Release();
    return hr;
}

}  // namespace pevox

// The control's automation: dispatch by name and identifier over ITLang's
// member table, its type information and class information, its one error
// path, and the property pages it names.
#pragma once

#include "Pevox10_TLB.h"
#include "platform/ComDispatch.h"
#include "platform/ComTypeLibrary.h"

#include <string_view>

namespace pevox {

// The source of the control's error information.
inline constexpr char16_t kTLangProgId[] = u"Pevox10.TLang";

// IDispatch of TTLangImpl forwards here. GetTypeInfoCount is 1.
HRESULT GetIDsOfNamesITLang(platform::OLECHAR** names, platform::UINT count, DISPID* ids);
HRESULT InvokeITLang(ITLang* self, DISPID member, platform::WORD flags, platform::DISPPARAMS* params,
                     platform::VARIANT* result, platform::EXCEPINFO* exception, platform::UINT* argErr);
HRESULT GetTypeInfoITLang(platform::UINT index, platform::ITypeInfo** info);

// IProvideClassInfo::GetClassInfo: the coclass TLang. GetGUID(1) is DIID_ITLangEvents.
HRESULT GetClassInfoTLang(platform::ITypeInfo** info);

// The type library "Pevox10" and the tables behind it.
HRESULT GetTLangTypeLib(platform::ITypeLib** library);
const platform::TypeLibraryDescription& TLangTypeLibrary();
const platform::DispatchTable& ITLangMembers();
const platform::DispatchTable& ITLangEventsMembers();

// Every failing ITLang member returns through here: DISP_E_EXCEPTION with error
// information whose description is `message` (the system's 8-bit text), source
// "Pevox10.TLang", interface ITLang.
HRESULT TLangError(std::string_view message);

// ISpecifyPropertyPages::GetPages: the control's own page.
HRESULT GetTLangPropertyPages(platform::CAUUID* pages);

}  // namespace pevox

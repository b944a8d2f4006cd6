// The COM class of the control's property page, the second class of the
// module: it wraps the page's form (TVUvezAPropertyPage) for a property frame.
#pragma once

#include "platform/ComBase.h"

namespace pevox {

// What the page's class factory calls. The page cannot be aggregated.
platform::HRESULT CreateTLangPropertyPage(platform::IUnknown* outer, platform::REFIID iid, void** object);

}  // namespace pevox

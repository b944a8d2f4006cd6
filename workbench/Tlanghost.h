// The interpreter control as the program hosts it: held through its
// automation interface ITLang, its editor widget laid out by the script
// window, its events heard through a sink on its event connection point and
// handed to the script window.
#pragma once

#include "Scriptcontrol.h"

#include <memory>

namespace pevox {
struct ITLang;
}

// Adapts `control` and connects `events` to it; null when the control has no
// event connection point. The events stop when the adapter goes.
std::unique_ptr<TScriptControl> HostTLang(pevox::ITLang* control, TScriptControlEvents& events);

// Makes the program's control by its class identifier, after registering the
// control's library that lies beside the program unless the class is
// registered to that very file already; null when it cannot be made.
std::unique_ptr<TScriptControl> CreateTLangControl(TScriptControlEvents& events);

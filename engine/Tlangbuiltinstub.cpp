// Stands in for the built-in functions until their unit (Tlangbuiltins.cpp)
// joins the engine library, which then replaces this file: the evaluator
// knows the built-in codes, and a call of one reports that it is missing.
#include "Tlangbuiltins.h"

#include "Tlangengine.h"
#include "platform/Text.h"

namespace pevox {

bool IsBuiltinCode(int code) {
    switch (code) {
    case 2: case 3: case 4: case 5: case 6: case 8: case 11:
    case 14: case 15: case 16: case 17: case 18: case 19: case 20: case 21:
    case 30: case 123: case 126: case 172: case 173: case 174: case 175: case 176: case 177:
    case 180: case 181: case 183: case 184: case 185:
        return true;
    default:
        return (code >= 145 && code <= 168) || (code >= 190 && code <= 198);
    }
}

void TLangEngine::EvalBuiltin() {
    const std::string name = platform::Trim(std::string_view(m_TokenTableUpper)
                                                .substr(static_cast<std::size_t>(m_Token - 1) * kTokenSlotWidth,
                                                        kTokenSlotWidth));
    ReportError("Built-in function " + name + " is not available");
}

void TLangEngine::CloseScriptFiles() {}

}  // namespace pevox

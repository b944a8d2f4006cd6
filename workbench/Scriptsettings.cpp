#include "Scriptsettings.h"

#include <string>

namespace {

constexpr const char* FormSection = "SCRIPT_FORM";
constexpr const char* ColorsSection = "Colors";
constexpr const char* OptionsSection = "Options";
constexpr const char* MRUSection = "MRU_SCRIPTS";

std::string ColorName(std::size_t index) { return "Color_" + std::to_string(index); }
std::string MRUName(std::size_t index) { return std::to_string(index + 1); }

}  // namespace

void ReadScriptSettings(const platform::TRegIniFile& registry, TFormPlacement& placement, TScriptOptions& options,
                        GLOBALINFO_TAG& info) {
    placement = ReadFormPlacement(registry, FormSection, placement);
    info.ScriptColors = DefaultScriptColors;
    for (std::size_t i = 0; i < info.ScriptColors.size(); ++i)
        info.ScriptColors[i] = static_cast<std::uint32_t>(
            registry.ReadInteger(ColorsSection, ColorName(i), static_cast<int>(info.ScriptColors[i])));
    options.SaveBeforeRun = registry.ReadBool(OptionsSection, "SaveBeforeRun", true);
    options.ShowConstants = registry.ReadBool(OptionsSection, "ShowConstants", true);
    for (std::size_t i = 0; i < info.MRUScripts.size(); ++i)
        info.MRUScripts[i] = registry.ReadString(MRUSection, MRUName(i), "");
}

void WriteScriptSettings(platform::TRegIniFile& registry, const TFormPlacement& placement,
                         const TScriptOptions& options, const GLOBALINFO_TAG& info) {
    WriteFormPlacement(registry, FormSection, placement, TBoundsRule::NormalOnly);
    for (std::size_t i = 0; i < info.ScriptColors.size(); ++i)
        registry.WriteInteger(ColorsSection, ColorName(i), static_cast<int>(info.ScriptColors[i]));
    registry.WriteBool(OptionsSection, "SaveBeforeRun", options.SaveBeforeRun);
    registry.WriteBool(OptionsSection, "ShowConstants", options.ShowConstants);
    for (std::size_t i = 0; i < info.MRUScripts.size(); ++i)
        registry.WriteString(MRUSection, MRUName(i), info.MRUScripts[i]);
}

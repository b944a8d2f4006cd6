#include "Mainsettings.h"

#include <algorithm>
#include <string>

namespace {

constexpr const char* MainForm = "MAIN_FORM";
constexpr const char* Windows = "WINDOWS";
constexpr const char* SearchDefaults = "SearchDefaults";
constexpr const char* MRUFiles = "MRU_FILES";
constexpr const char* HexEditForm = "HEXEDIT_FORM";

TFormBounds ReadBounds(const platform::TRegIniFile& registry, const char* section, const TFormBounds& defaults) {
    TFormBounds bounds;
    bounds.Top = registry.ReadInteger(section, "TOP", defaults.Top);
    bounds.Left = registry.ReadInteger(section, "LEFT", defaults.Left);
    bounds.Height = registry.ReadInteger(section, "HEIGHT", defaults.Height);
    bounds.Width = registry.ReadInteger(section, "WIDTH", defaults.Width);
    return bounds;
}

void WriteBounds(platform::TRegIniFile& registry, const char* section, const TFormBounds& bounds) {
    registry.WriteInteger(section, "TOP", bounds.Top);
    registry.WriteInteger(section, "LEFT", bounds.Left);
    registry.WriteInteger(section, "HEIGHT", bounds.Height);
    registry.WriteInteger(section, "WIDTH", bounds.Width);
}

}  // namespace

void ReadMainSettings(const platform::TRegIniFile& registry, TMainFormSettings& form, SEARCHINFO_TAG& defaults,
                      GLOBALINFO_TAG& info) {
    // Values from an edited or damaged store fall back to what the windows can show.
    const int state = registry.ReadInteger(MainForm, "WindowState", form.WindowState);
    form.WindowState = state >= wsNormal && state <= wsMaximized ? state : wsNormal;
    form.Bounds = ReadBounds(registry, MainForm, {0, 0, 100, 400});

    form.Script = registry.ReadBool(Windows, "Script", false);
    form.Watches = registry.ReadBool(Windows, "Watches", false);
    form.Output = registry.ReadBool(Windows, "Output", false);

    const std::string value = registry.ReadString(SearchDefaults, "VALUE", "");
    if (!value.empty()) {
        defaults.Pattern = value;
        defaults.PatternLength = static_cast<std::int32_t>(value.size());
    }
    // "BOF" is the negation of the start-at-current-position flag.
    defaults.StartPosition = registry.ReadBool(SearchDefaults, "BOF", true) ? 0 : 1;
    defaults.CaseSensitive = registry.ReadBool(SearchDefaults, "CaseSensitive", true);
    defaults.ResultLimit = registry.ReadInteger(SearchDefaults, "MaxResults", 0);
    defaults.HexEntry = registry.ReadBool(SearchDefaults, "IsHexEntry", false);
    const int type = registry.ReadInteger(SearchDefaults, "SearchType", stString);
    defaults.SearchType = static_cast<std::int8_t>(type >= stString && type <= stQWord ? type : stString);

    for (int i = 0; i < MRUCount; ++i)
        info.MRUFiles[i] = registry.ReadString(MRUFiles, std::to_string(i + 1), "");
}

void WriteMainSettings(platform::TRegIniFile& registry, const TMainFormSettings& form,
                       const SEARCHINFO_TAG& defaults, const GLOBALINFO_TAG& info) {
    if (form.WindowState != wsMinimized) WriteBounds(registry, MainForm, form.Bounds);
    registry.WriteInteger(MainForm, "WindowState", form.WindowState);

    registry.WriteBool(Windows, "Script", form.Script);
    registry.WriteBool(Windows, "Watches", form.Watches);
    registry.WriteBool(Windows, "Output", form.Output);

    registry.WriteString(SearchDefaults, "VALUE", defaults.Pattern);
    registry.WriteBool(SearchDefaults, "BOF", defaults.StartPosition == 0);
    registry.WriteBool(SearchDefaults, "CaseSensitive", defaults.CaseSensitive);
    registry.WriteInteger(SearchDefaults, "MaxResults", defaults.ResultLimit);
    registry.WriteBool(SearchDefaults, "IsHexEntry", defaults.HexEntry);
    registry.WriteInteger(SearchDefaults, "SearchType", defaults.SearchType);

    for (int i = 0; i < MRUCount; ++i) registry.WriteString(MRUFiles, std::to_string(i + 1), info.MRUFiles[i]);
}

bool PlaceStored(const platform::TRegIniFile& registry, const std::string& section) {
    return registry.ValueExists(section, "TOP") && registry.ValueExists(section, "LEFT");
}

namespace {

std::string ChannelPlaceSection(int channel) { return std::string(HexEditForm) + "_" + std::to_string(channel); }

}  // namespace

std::optional<THexEditPlace> ReadHexEditPlace(const platform::TRegIniFile& registry, int channel,
                                              const TFormBounds& current) {
    const std::string own = ChannelPlaceSection(channel);
    if (PlaceStored(registry, own)) return THexEditPlace{ReadBounds(registry, own.c_str(), current), false};
    if (PlaceStored(registry, HexEditForm)) return THexEditPlace{ReadBounds(registry, HexEditForm, current), true};
    return std::nullopt;
}

void WriteHexEditBounds(platform::TRegIniFile& registry, int channel, const TFormBounds& bounds) {
    WriteBounds(registry, ChannelPlaceSection(channel).c_str(), bounds);
    WriteBounds(registry, HexEditForm, bounds);
}

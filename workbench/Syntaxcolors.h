// The seven colours of the script editor as the syntax-colour dialog edits
// them: 0 reserved words, 1 strings, 2 numbers, 3 symbols, 4 comments,
// 5 operators (the samples' text colours) and 6 the background. Colours are
// 0x00BBGGRR: red in the low byte.
#pragma once

#include <QColor>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

using TScriptColors = std::array<std::uint32_t, 7>;

inline constexpr int BackgroundColorIndex = 6;

QColor QColorOfColorref(std::uint32_t color);
std::uint32_t ColorrefOfQColor(const QColor& color);

class TSyntaxColorSet {
public:
    explicit TSyntaxColorSet(const TScriptColors& colors = {}) : colors_(colors) {}

    const TScriptColors& Colors() const { return colors_; }
    std::uint32_t TextColor(int index) const { return colors_.at(static_cast<std::size_t>(index)); }
    std::uint32_t Background() const { return colors_[BackgroundColorIndex]; }

    // Lets the user choose the colour of sample `index`, starting from its
    // current one: for 0 to 5 its text colour, for 6 the background of all
    // samples. Returns whether a colour was chosen.
    using TChooser = std::function<std::optional<std::uint32_t>(std::uint32_t initial)>;
    bool Choose(int index, const TChooser& chooser);

private:
    TScriptColors colors_;
};

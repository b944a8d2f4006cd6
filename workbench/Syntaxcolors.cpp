#include "Syntaxcolors.h"

QColor QColorOfColorref(std::uint32_t color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

std::uint32_t ColorrefOfQColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | static_cast<std::uint32_t>(rgb.green()) << 8 |
           static_cast<std::uint32_t>(rgb.blue()) << 16;
}

bool TSyntaxColorSet::Choose(int index, const TChooser& chooser) {
    const std::size_t entry = static_cast<std::size_t>(index);
    const std::optional<std::uint32_t> chosen = chooser(colors_.at(entry));
    if (!chosen) return false;
    colors_[entry] = *chosen & 0x00FFFFFF;
    return true;
}

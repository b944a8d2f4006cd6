// The desktop implementation of the dialog seam, over Qt's standard dialogs.
#pragma once

#include "platform/Dialogs.h"

#include <QString>

class QWidget;

namespace platform {

class QtDialogs : public Dialogs {
public:
    // Dialogs are parented to the active window, or to `fallbackParent`.
    explicit QtDialogs(QWidget* fallbackParent = nullptr);

    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
                         int defaultButton) override;
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override;
    std::optional<std::u16string> InputQueryWide(const std::string& caption, const std::string& prompt) override;
    std::optional<std::string> OpenFileName(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileName(const FileDialogRequest& request) override;
    std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) override;
    std::optional<FontSpec> ChooseFont(const FontSpec& initial) override;

    // The classic filter "A|*.a;*.b|B|*.*" as Qt's "A (*.a *.b);;B (*)". A
    // description's own list in parentheses gives way to the one Qt reads.
    static QString QtFilter(const std::string& classicFilter);

private:
    QWidget* parent() const;
    QWidget* fallbackParent_;
};

}  // namespace platform

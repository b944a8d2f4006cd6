#include "platform/Dialogs.h"

#include "platform/Text.h"

#include <utility>

namespace platform {

MsgAnswer CancelledAnswer(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OK:
        return MsgAnswer::OK;
    case MsgButtons::YesNo:
        return MsgAnswer::No;
    case MsgButtons::AbortRetryIgnore:
        return MsgAnswer::Abort;
    case MsgButtons::OKCancel:
    case MsgButtons::YesNoCancel:
    case MsgButtons::RetryCancel:
        break;
    }
    return MsgAnswer::Cancel;
}

namespace {

// What a user who closes every dialog unanswered gives back.
class CancelledDialogs : public Dialogs {
public:
    MsgAnswer MessageBox(const std::string&, const std::string&, MsgButtons buttons, MsgIcon, int) override {
        return CancelledAnswer(buttons);
    }
    std::optional<std::string> InputQuery(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::u16string> InputQueryWide(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> OpenFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> SaveFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::uint32_t> ChooseColor(std::uint32_t) override { return std::nullopt; }
    std::optional<FontSpec> ChooseFont(const FontSpec&) override { return std::nullopt; }
};

CancelledDialogs& DefaultDialogs() {
    static CancelledDialogs dialogs;
    return dialogs;
}

Dialogs* installed = nullptr;

}  // namespace

Dialogs& CurrentDialogs() { return installed ? *installed : DefaultDialogs(); }

Dialogs* InstallDialogs(Dialogs* dialogs) { return std::exchange(installed, dialogs); }

MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
                     int defaultButton) {
    return CurrentDialogs().MessageBox(text, caption, buttons, icon, defaultButton);
}

std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                      const std::string& initial) {
    return CurrentDialogs().InputQuery(caption, prompt, initial);
}

std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& initial) {
    return InputQuery(caption, prompt, initial).value_or(initial);
}

std::u16string InputBoxWide(const std::string& caption, const std::string& prompt) {
    return CurrentDialogs().InputQueryWide(caption, prompt).value_or(std::u16string());
}

DialogResponder::DialogResponder() : previous_(InstallDialogs(this)) {}

DialogResponder::~DialogResponder() { InstallDialogs(previous_); }

void DialogResponder::Answer(MsgAnswer answer) {
    Response response;
    response.answer = answer;
    queue_.push_back(std::move(response));
}

void DialogResponder::Type(std::string text) {
    Response response;
    response.text = std::move(text);
    queue_.push_back(std::move(response));
}

void DialogResponder::Type(std::u16string text) {
    Response response;
    response.wideText = std::move(text);
    queue_.push_back(std::move(response));
}

void DialogResponder::Cancel() {
    Response response;
    response.answer = MsgAnswer::Cancel;
    queue_.push_back(std::move(response));
}

void DialogResponder::PickColor(std::uint32_t color) {
    Response response;
    response.color = color;
    queue_.push_back(std::move(response));
}

void DialogResponder::PickFont(FontSpec font) {
    Response response;
    response.font = std::move(font);
    queue_.push_back(std::move(response));
}

std::optional<DialogResponder::Response> DialogResponder::next(Call call) {
    std::optional<Response> response;
    if (!queue_.empty()) {
        response = std::move(queue_.front());
        queue_.pop_front();
    }
    call.answered = response.has_value();
    calls_.push_back(std::move(call));
    return response;
}

MsgAnswer DialogResponder::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                      MsgIcon icon, int defaultButton) {
    Call call{Kind::Message, text, caption, buttons};
    call.icon = icon;
    call.defaultButton = defaultButton;
    const std::optional<Response> response = next(std::move(call));
    // Cancel stands for a box closed without a choice, whatever its buttons.
    if (!response || response->answer == MsgAnswer::Cancel) return CancelledAnswer(buttons);
    return response->answer;
}

std::optional<std::string> DialogResponder::InputQuery(const std::string& caption, const std::string& prompt,
                                                       const std::string&) {
    const std::optional<Response> response = next({Kind::Input, prompt, caption});
    return response ? response->text : std::nullopt;
}

std::optional<std::u16string> DialogResponder::InputQueryWide(const std::string& caption,
                                                              const std::string& prompt) {
    const std::optional<Response> response = next({Kind::Input, prompt, caption});
    if (!response) return std::nullopt;
    if (response->wideText) return response->wideText;
    if (response->text) return Cp1252ToUtf16(*response->text);
    return std::nullopt;
}

namespace {

DialogResponder::Call FileDialogCall(DialogResponder::Kind kind, const FileDialogRequest& request) {
    DialogResponder::Call call{kind, request.title, ""};
    call.initialDir = request.initialDir;
    call.fileName = request.fileName;
    return call;
}

}  // namespace

std::optional<std::string> DialogResponder::OpenFileName(const FileDialogRequest& request) {
    const std::optional<Response> response = next(FileDialogCall(Kind::Open, request));
    return response ? response->text : std::nullopt;
}

std::optional<std::string> DialogResponder::SaveFileName(const FileDialogRequest& request) {
    const std::optional<Response> response = next(FileDialogCall(Kind::Save, request));
    return response ? response->text : std::nullopt;
}

std::optional<std::uint32_t> DialogResponder::ChooseColor(std::uint32_t) {
    const std::optional<Response> response = next({Kind::Color, "", ""});
    return response ? response->color : std::nullopt;
}

std::optional<FontSpec> DialogResponder::ChooseFont(const FontSpec&) {
    const std::optional<Response> response = next({Kind::Font, "", ""});
    return response ? response->font : std::nullopt;
}

}  // namespace platform

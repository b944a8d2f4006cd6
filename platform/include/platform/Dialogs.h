// The one seam through which the system asks the user anything: message
// boxes, input boxes, open/save, colour and font dialogs. Texts are 8-bit in
// the system's code page; "\r\n" separates lines. The desktop implementation
// lives in the Qt part of the layer; tests install a DialogResponder. File
// names (a dialog's folder, name and choice) are paths: bytes, as Linux keeps them.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgAnswer { OK, Cancel, Yes, No, Abort, Retry, Ignore };

struct FontSpec {
    std::string name = "Courier New";
    int size = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint32_t color = 0;  // 0x00BBGGRR
};

// A file dialog's request. `filter` is in the classic form
// "Data Files (*.gam, *.sav, *.dat)|*.gam;*.sav;*.dat|All Files(*.*)|*.*".
struct FileDialogRequest {
    std::string title;
    std::string filter;
    int filterIndex = 1;       // 1-based
    std::string initialDir;
    std::string fileName;      // initial name
    std::string defaultExt;    // without the dot, added to a name that has none
    bool mustExist = false;    // open: the file must exist
    bool overwritePrompt = false;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // `defaultButton` is the 0-based index of the button that Enter presses;
    // an index outside the box's buttons means the first.
    virtual MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                 MsgIcon icon, int defaultButton) = 0;
    // The edited text, or nothing when the user cancelled.
    virtual std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                                  const std::string& initial) = 0;
    // The same box for a text kept whole, every character as it was typed.
    virtual std::optional<std::u16string> InputQueryWide(const std::string& caption, const std::string& prompt) = 0;
    virtual std::optional<std::string> OpenFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) = 0;
    virtual std::optional<FontSpec> ChooseFont(const FontSpec& initial) = 0;
};

// The answer of a box closed without a choice: Cancel, No for Yes/No, OK for
// an OK box, Abort for Abort/Retry/Ignore.
MsgAnswer CancelledAnswer(MsgButtons buttons);

// The installed implementation. Until one is installed every call answers as
// if the user cancelled (Cancel, No for Yes/No, OK for an OK box).
Dialogs& CurrentDialogs();
// Installs `dialogs` (not owned) and returns the one it replaces; nullptr restores the default.
Dialogs* InstallDialogs(Dialogs* dialogs);

MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons = MsgButtons::OK,
                     MsgIcon icon = MsgIcon::None, int defaultButton = 0);
std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                      const std::string& initial);
// The classic input box: Cancel gives back the initial text.
std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& initial);
// An input box for a text in UTF-16, empty at start; Cancel gives "".
std::u16string InputBoxWide(const std::string& caption, const std::string& prompt);

// A scripted user for tests: answers each call from its queue in order and
// records what was asked. A call with an empty queue answers as cancelled and
// is recorded as unanswered, so a test sees every question it did not expect.
class DialogResponder : public Dialogs {
public:
    enum class Kind { Message, Input, Open, Save, Color, Font };
    struct Call {
        Kind kind;
        std::string text;     // message text, input prompt, dialog title
        std::string caption;  // message or input caption
        MsgButtons buttons = MsgButtons::OK;
        bool answered = false;
        MsgIcon icon = MsgIcon::None;
        int defaultButton = 0;
        std::string initialDir = {};  // file dialogs: where they start
        std::string fileName = {};    // file dialogs: the name they offer
    };
    struct Response {
        MsgAnswer answer = MsgAnswer::OK;
        std::optional<std::string> text;  // input text or file name; nothing = cancelled
        std::optional<std::u16string> wideText;
        std::optional<std::uint32_t> color;
        std::optional<FontSpec> font;
    };

    DialogResponder();   // installs itself
    ~DialogResponder() override;  // restores the previous implementation

    void Answer(MsgAnswer answer);
    void Type(std::string text);  // input boxes and file dialogs
    // A wide input box takes this whole; a text typed as above reaches it from the code page.
    void Type(std::u16string text);
    void Cancel();
    void PickColor(std::uint32_t color);
    void PickFont(FontSpec font);

    const std::vector<Call>& calls() const { return calls_; }
    std::size_t pending() const { return queue_.size(); }

    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons, MsgIcon icon,
                         int defaultButton) override;
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override;
    std::optional<std::u16string> InputQueryWide(const std::string& caption, const std::string& prompt) override;
    std::optional<std::string> OpenFileName(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileName(const FileDialogRequest& request) override;
    std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) override;
    std::optional<FontSpec> ChooseFont(const FontSpec& initial) override;

private:
    std::optional<Response> next(Call call);
    std::deque<Response> queue_;
    std::vector<Call> calls_;
    Dialogs* previous_;
};

}  // namespace platform

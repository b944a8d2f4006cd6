// The add-watch dialog: lists the script's variables, as the interpreter
// dumps them, so that a double click adds one to the watch window.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QListWidget;
class QPushButton;

// What the dialog asks of the script window, which implements it.
class TAddWatchDumpSource {
public:
    virtual ~TAddWatchDumpSource() = default;
    // Has the interpreter dump the script's variables into the add-watch
    // dialog, one AddDumpLine per line.
    virtual void DumpToAddWatch() = 0;
};

class TFrmAddWatch : public QDialog {
    Q_OBJECT

public:
    static constexpr int HelpContext = 1530;

    explicit TFrmAddWatch(QWidget* owner);

    // Lists the variable of one dump line; other lines add nothing.
    void AddDumpLine(const std::string& line);

    // 0 reads, 1 writes "FORM_ADDWATCH".
    void LoadSaveSettings(int mode);

    const std::vector<std::string>& Entries() const { return entries_; }

    // --- Handlers.
    // Adds the selected entry's variable to the watch window.
    void LstVarsDblClick();

    // --- Components.
    QListWidget* LstVars;
    QPushButton* BitBtn1;

    // Closing by OK, by the window's close box or by Escape all end here.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();

    std::vector<std::string> entries_;
};

// The syntax-colour dialog: seven read-only samples in the script editor's
// colours; double-clicking one chooses its colour, OK stores all seven.
#pragma once

#include "Syntaxcolors.h"

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;

class TFrmSyntaxColor : public QDialog {
    Q_OBJECT

public:
    static constexpr int HelpContext = 1510;

    explicit TFrmSyntaxColor(QWidget* owner);

    // Writes "FORM_COLORS" with mode 1; the dialog never reads its place.
    void LoadSaveSettings(int mode);

    const TSyntaxColorSet& ColorSet() const { return colors_; }

    // --- Handlers.
    // Shared by the seven samples; the sender's "Tag" is its colour's index.
    void EdtReservedDblClick(QLineEdit* sender);
    // OK: the samples' colours become the script editor's colours.
    void BitBtn1Click();

    // --- Components, in colour-index order.
    QLineEdit* EdtReserved;
    QLineEdit* EdtString;
    QLineEdit* EdtNumber;
    QLineEdit* EdtSymbol;
    QLineEdit* EdtComment;
    QLineEdit* EdtOperator;
    QLineEdit* EdtBack;
    std::array<QLineEdit*, 7> Samples{};
    QPushButton* BitBtn1;
    QPushButton* CancelButton;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void ShowColors();

    TSyntaxColorSet colors_;
};

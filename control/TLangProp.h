// The control's property page: the script file, the execution mode, the two
// run flags and the six syntax colours of the first control it is shown for.
#pragma once

#include "Pevox10_TLB.h"
#include "platform/ComBase.h"

#include <QLabel>
#include <QWidget>

#include <array>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace pevox {

// A label that tells of a click on it.
class TClickLabel : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class TVUvezAPropertyPage : public QWidget {
    Q_OBJECT

public:
    explicit TVUvezAPropertyPage(QWidget* parent = nullptr);

    // The first of the page's objects, or nullptr when it has none.
    void SetControl(ITLang* first);
    void FillPageFromControl();
    void ApplyPageToControl();

    QSize sizeHint() const override { return QSize(530, 312); }

    void CmbExecModeChange();
    void BtnFindScriptClick();
    void LblReservedClick(int colorIndex);
    void Label3Click();

    // The syntax colour a label shows, by SyntaxColors index 0-5.
    std::uint32_t LabelColor(int colorIndex) const { return labelColors_[static_cast<std::size_t>(colorIndex)]; }

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Image1;
    TClickLabel* Label3;
    QComboBox* CmbExecMode;
    QCheckBox* ChkAutoStep;
    QLineEdit* EdtFileName;
    QPushButton* BtnFindScript;
    QCheckBox* ChkAllowBreak;
    QGroupBox* GroupBox1;
    // By SyntaxColors index: reserved words, strings, numbers, symbols, comments, operators.
    std::array<TClickLabel*, 6> ColorLabels{};
    QCheckBox* CheckBox1;

signals:
    // The user changed something on the page.
    void Changed();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowLabelColor(int colorIndex);
    // Each label shows its colour on the editor's background.
    void FormActivate();

    platform::ComPtr<ITLang> control_;
    std::array<std::uint32_t, 6> labelColors_{};
    bool filling_ = false;
    // The script's path as the box was last given it: the box shows it, but
    // cannot hold every name's bytes.
    std::string fileName_;
    std::string FileNameOfBox() const;
};

}  // namespace pevox

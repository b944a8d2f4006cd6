// The property page over a control: what it shows, what it writes back and
// which of its edits count as changes.
#include "ControlFixture.h"

#include "TLangProp.h"
#include "platform/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace pevox_test {
namespace {

class TLangPropPage : public ControlFixture {
protected:
    void SetUp() override {
        ControlFixture::SetUp();
        for (int index = 0; index <= 5; ++index)
            control->put_SyntaxColors(static_cast<TxSyntaxColors>(index), 0x20 + index);
        page.SetControl(control.Get());
        QObject::connect(&page, &TVUvezAPropertyPage::Changed, [this] { ++changes; });
    }
    void TearDown() override {
        page.SetControl(nullptr);
        ControlFixture::TearDown();
    }

    TVUvezAPropertyPage page;
    int changes = 0;
};

TEST_F(TLangPropPage, ShowsTheControlAndWritesItBack) {
    control->put_FileName(Bstr("/scripts/a.tl").Get());
    control->put_AllowUserBreak(VARIANT_TRUE);
    page.FillPageFromControl();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(page.EdtFileName->text(), "/scripts/a.tl");
    EXPECT_EQ(page.CmbExecMode->currentText(), "Normal (No OnStep Events)");
    EXPECT_FALSE(page.ChkAutoStep->isEnabled());
    EXPECT_TRUE(page.ChkAllowBreak->isChecked());
    for (int index = 0; index <= 5; ++index) EXPECT_EQ(page.LabelColor(index), 0x20u + index);

    page.CmbExecMode->setCurrentIndex(1);
    EXPECT_TRUE(page.ChkAutoStep->isEnabled());
    page.ChkAutoStep->setChecked(true);
    EXPECT_EQ(changes, 2);
    page.ApplyPageToControl();
    TxExecutionModes mode = TxRun;
    control->get_ExecutionMode(&mode);
    EXPECT_EQ(mode, TxStep);
    VARIANT_BOOL autoStep = 0;
    control->get_AutoSelectStepLine(&autoStep);
    EXPECT_EQ(autoStep, VARIANT_TRUE);
    for (int index = 0; index <= 5; ++index) {
        std::int32_t color = 0;
        control->get_SyntaxColors(static_cast<TxSyntaxColors>(index), &color);
        EXPECT_EQ(color, 0x20 + index);
    }
}

TEST_F(TLangPropPage, ColourAndFileDialogs) {
    page.FillPageFromControl();
    DialogResponder responder;
    responder.Cancel();
    page.LblReservedClick(ColorNumber);
    EXPECT_EQ(page.LabelColor(ColorNumber), 0x22u);
    EXPECT_EQ(changes, 1);  // a cancelled colour still counts
    responder.PickColor(0x0000FF);
    page.LblReservedClick(ColorComment);
    EXPECT_EQ(page.LabelColor(ColorComment), 0x0000FFu);
    EXPECT_EQ(page.ColorLabels[ColorComment]->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    responder.Type("/picked/script.tl");
    page.BtnFindScriptClick();
    EXPECT_EQ(page.EdtFileName->text(), "/picked/script.tl");
    EXPECT_EQ(responder.pending(), 0u);
    page.ApplyPageToControl();
    UniqueBstr name;
    control->get_FileName(name.Out());
    EXPECT_EQ(name.Ansi(), "/picked/script.tl");
    std::int32_t color = 0;
    control->get_SyntaxColors(ColorComment, &color);
    EXPECT_EQ(color, 0x0000FF);
}

TEST(TLangPropPageAlone, APageWithoutAnObjectDoesNothing) {
    TVUvezAPropertyPage page;
    page.FillPageFromControl();
    page.ApplyPageToControl();
    EXPECT_EQ(page.windowTitle(), "Pevox10 Custom Properties");
    EXPECT_EQ(page.sizeHint(), QSize(530, 312));
}

}  // namespace
}  // namespace pevox_test

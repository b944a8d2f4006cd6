// The property page over a control: what it shows, what it writes back and
// which of its edits count as changes.
#include "ControlFixture.h"

#include "TLangProp.h"
#include "platform/Dialogs.h"
#include "platform/QtPath.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>

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

// The script's name goes through the page byte for byte, shown in the
// file system's encoding; a name typed into the box is taken in that encoding.
TEST_F(TLangPropPage, TheFileNameKeepsItsBytes) {
    const char* const names[] = {"/s/plain.tl", "/s/donn\xC3\xA9" "es/\xC3\xA9t\xC3\xA9.tl", "/s/\xE4\xB8\xAD.tl",
                                 "/s/with space.tl", "/s/bad\xFF.tl"};
    for (const char* path : names) {
        control->put_FileName(Bstr(path).Get());
        page.FillPageFromControl();
        EXPECT_EQ(page.EdtFileName->text(), platform::PathToQString(path)) << path;
        control->put_FileName(Bstr("/elsewhere.tl").Get());
        page.ApplyPageToControl();
        UniqueBstr name;
        control->get_FileName(name.Out());
        EXPECT_EQ(name.Ansi(), path);

        DialogResponder responder;
        responder.Type(path);
        page.EdtFileName->setText("/typed.tl");
        page.BtnFindScriptClick();
        page.ApplyPageToControl();
        control->get_FileName(name.Out());
        EXPECT_EQ(name.Ansi(), path);
    }
    page.EdtFileName->setText(QString::fromUtf8("/s/neu\u00E9.tl"));
    page.ApplyPageToControl();
    UniqueBstr name;
    control->get_FileName(name.Out());
    EXPECT_EQ(name.Ansi(), "/s/neu\xC3\xA9.tl");
}

// The colour label with this caption, clicked as the user clicks it.
QLabel* ClickColorLabel(TVUvezAPropertyPage& page, const QString& caption) {
    for (QLabel* label : page.GroupBox1->findChildren<QLabel*>())
        if (label->text() == caption) {
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(label, &press);
            return label;
        }
    return nullptr;
}

TEST_F(TLangPropPage, EachColourLabelEditsItsOwnSyntaxColourOnTheEditorBackground) {
    const std::pair<QString, int> labels[] = {
        {"Reserved Words", ColorReserved}, {"\"Literal Strings\"", ColorString}, {"Numbers 1234", ColorNumber},
        {"Symbols", ColorSymbol},          {"REM Comments", ColorComment},        {"Operators == ++", ColorOperator},
    };
    control->put_Color(0x00112233);
    page.FillPageFromControl();
    DialogResponder responder;
    for (const auto& [caption, index] : labels) {
        const auto picked = static_cast<std::uint32_t>(0x00010000 * (index + 1));
        responder.PickColor(picked);
        QLabel* label = ClickColorLabel(page, caption);
        ASSERT_NE(label, nullptr) << caption.toStdString();
        EXPECT_EQ(page.LabelColor(index), picked) << caption.toStdString();
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, index + 1)) << caption.toStdString();
        EXPECT_EQ(label->palette().color(QPalette::Window), QColor(0x33, 0x22, 0x11)) << caption.toStdString();
    }
    page.ApplyPageToControl();
    for (const auto& [caption, index] : labels) {
        std::int32_t color = 0;
        control->get_SyntaxColors(static_cast<TxSyntaxColors>(index), &color);
        EXPECT_EQ(color, 0x00010000 * (index + 1)) << caption.toStdString();
    }
}

// Notes the starting name of every open dialog.
class OpenRecorder : public DialogResponder {
public:
    std::optional<std::string> OpenFileName(const FileDialogRequest& request) override {
        startNames.push_back(request.fileName);
        return DialogResponder::OpenFileName(request);
    }
    std::vector<std::string> startNames;
};

TEST_F(TLangPropPage, BrowseStartsFromANonBlankNameAndKeepsItOnCancel) {
    struct Case {
        QString shown;
        std::optional<std::string> picked;
        std::string startName;
        QString after;
    };
    const Case cases[] = {
        {"", std::nullopt, "", ""},
        {"   ", "/tmp/a.tl", "", "/tmp/a.tl"},
        {"/tmp/b.tl", std::nullopt, "/tmp/b.tl", "/tmp/b.tl"},
        {"/tmp/b.tl", "/tmp/c.tl", "/tmp/b.tl", "/tmp/c.tl"},
    };
    for (const Case& c : cases) {
        OpenRecorder recorder;
        if (c.picked)
            recorder.Type(*c.picked);
        else
            recorder.Cancel();
        page.EdtFileName->setText(c.shown);
        page.BtnFindScriptClick();
        ASSERT_EQ(recorder.startNames.size(), 1u) << c.shown.toStdString();
        EXPECT_EQ(recorder.startNames[0], c.startName) << c.shown.toStdString();
        EXPECT_EQ(page.EdtFileName->text(), c.after) << c.shown.toStdString();
    }
}

TEST(TLangPropPageAlone, APageWithoutAnObjectDoesNothing) {
    TVUvezAPropertyPage page;
    page.FillPageFromControl();
    page.ApplyPageToControl();
    page.show();
    DialogResponder responder;
    responder.PickColor(0x00123456);
    ASSERT_NE(ClickColorLabel(page, "Symbols"), nullptr);
    EXPECT_EQ(page.LabelColor(ColorSymbol), 0x00123456u);
    page.ApplyPageToControl();
    EXPECT_EQ(page.windowTitle(), "Pevox10 Custom Properties");
    EXPECT_EQ(page.sizeHint(), QSize(530, 312));
}

}  // namespace
}  // namespace pevox_test

#include "platform/Dialogs.h"

#include <gtest/gtest.h>

using namespace platform;
using Kind = DialogResponder::Kind;

namespace {

TEST(DialogsTest, WithoutAnImplementationEveryDialogIsCancelled) {
    EXPECT_EQ(MessageBox("t", "c", MsgButtons::OK), MsgAnswer::OK);
    EXPECT_EQ(MessageBox("t", "c", MsgButtons::OKCancel), MsgAnswer::Cancel);
    EXPECT_EQ(MessageBox("t", "c", MsgButtons::YesNo), MsgAnswer::No);
    EXPECT_EQ(MessageBox("t", "c", MsgButtons::YesNoCancel), MsgAnswer::Cancel);
    EXPECT_EQ(MessageBox("t", "c", MsgButtons::AbortRetryIgnore), MsgAnswer::Abort);
    EXPECT_EQ(MessageBox("t", "c", MsgButtons::RetryCancel), MsgAnswer::Cancel);
    EXPECT_EQ(InputQuery("c", "p", "initial"), std::nullopt);
    EXPECT_EQ(InputBox("c", "p", "initial"), "initial");
    EXPECT_EQ(InputBoxWide("c", "p"), u"");
    EXPECT_EQ(CurrentDialogs().OpenFileName({}), std::nullopt);
    EXPECT_EQ(CurrentDialogs().ChooseColor(0xFF), std::nullopt);
}

TEST(DialogsTest, ResponderAnswersInOrderAndRecordsEachCall) {
    DialogResponder responder;
    responder.Answer(MsgAnswer::Yes);
    responder.Type("typed");
    responder.Cancel();
    responder.Type("/tmp/file.dat");
    responder.PickColor(0x00112233);
    FontSpec font;
    font.name = "Mono";
    font.size = 12;
    responder.PickFont(font);

    EXPECT_EQ(MessageBox("Lose Changes?", "Reopen File", MsgButtons::YesNo, MsgIcon::Question), MsgAnswer::Yes);
    EXPECT_EQ(InputBox("Caption", "Prompt", "default"), "typed");
    EXPECT_EQ(InputBox("Caption 2", "Prompt 2", "default"), "default");
    FileDialogRequest request;
    request.title = "Open";
    EXPECT_EQ(CurrentDialogs().OpenFileName(request), "/tmp/file.dat");
    EXPECT_EQ(CurrentDialogs().ChooseColor(0), 0x00112233u);
    const std::optional<FontSpec> chosen = CurrentDialogs().ChooseFont(FontSpec{});
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->name, "Mono");
    EXPECT_EQ(chosen->size, 12);
    EXPECT_EQ(responder.pending(), 0u);

    const auto& calls = responder.calls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].kind, Kind::Message);
    EXPECT_EQ(calls[0].text, "Lose Changes?");
    EXPECT_EQ(calls[0].caption, "Reopen File");
    EXPECT_EQ(calls[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(calls[1].kind, Kind::Input);
    EXPECT_EQ(calls[1].text, "Prompt");
    EXPECT_EQ(calls[1].caption, "Caption");
    EXPECT_EQ(calls[3].kind, Kind::Open);
    EXPECT_EQ(calls[3].text, "Open");
    EXPECT_EQ(calls[4].kind, Kind::Color);
    EXPECT_EQ(calls[5].kind, Kind::Font);
    for (const auto& call : calls) EXPECT_TRUE(call.answered);
}

// A wide input box takes a wide answer whole and a text of the code page widened.
TEST(DialogsTest, AWideInputBoxGetsEveryCharacterTyped) {
    DialogResponder user;
    user.Type(std::u16string(u"\u03A9\U0001F600"));
    user.Type("caf\xE9\x80");
    user.Cancel();
    EXPECT_EQ(InputBoxWide("Caption", "Prompt"), u"\u03A9\U0001F600");
    EXPECT_EQ(InputBoxWide("Caption", "Prompt"), u"caf\u00E9\u20AC");
    EXPECT_EQ(InputBoxWide("Caption", "Prompt"), u"");
    ASSERT_EQ(user.calls().size(), 3u);
    EXPECT_EQ(user.calls()[0].kind, Kind::Input);
    EXPECT_EQ(user.calls()[0].caption, "Caption");
    EXPECT_EQ(user.calls()[0].text, "Prompt");
}

TEST(DialogsTest, AnUnexpectedQuestionIsCancelledAndRecordedUnanswered) {
    DialogResponder responder;
    EXPECT_EQ(MessageBox("Save Changes?", "Save?", MsgButtons::YesNoCancel), MsgAnswer::Cancel);
    EXPECT_EQ(CurrentDialogs().SaveFileName({}), std::nullopt);
    ASSERT_EQ(responder.calls().size(), 2u);
    EXPECT_FALSE(responder.calls()[0].answered);
    EXPECT_EQ(responder.calls()[1].kind, Kind::Save);
    EXPECT_FALSE(responder.calls()[1].answered);
}

TEST(DialogsTest, ResponderRecordsTheIconAndTheDefaultButton) {
    DialogResponder responder;
    responder.Answer(MsgAnswer::Retry);
    EXPECT_EQ(MessageBox("t", "c", MsgButtons::AbortRetryIgnore, MsgIcon::Warning, 1), MsgAnswer::Retry);
    ASSERT_EQ(responder.calls().size(), 1u);
    EXPECT_EQ(responder.calls()[0].buttons, MsgButtons::AbortRetryIgnore);
    EXPECT_EQ(responder.calls()[0].icon, MsgIcon::Warning);
    EXPECT_EQ(responder.calls()[0].defaultButton, 1);
}

TEST(DialogsTest, CancelClosesABoxAsItsButtonsAllow) {
    DialogResponder responder;
    responder.Cancel();
    responder.Cancel();
    EXPECT_EQ(MessageBox("q", "c", MsgButtons::YesNo), MsgAnswer::No);
    EXPECT_EQ(MessageBox("q", "c", MsgButtons::OKCancel), MsgAnswer::Cancel);
}

TEST(DialogsTest, RespondersNestAndRestoreTheOneBefore) {
    DialogResponder outer;
    outer.Answer(MsgAnswer::Yes);
    {
        DialogResponder inner;
        inner.Answer(MsgAnswer::No);
        EXPECT_EQ(MessageBox("q", "c", MsgButtons::YesNo), MsgAnswer::No);
        EXPECT_EQ(&CurrentDialogs(), &inner);
    }
    EXPECT_EQ(&CurrentDialogs(), &outer);
    EXPECT_EQ(MessageBox("q", "c", MsgButtons::YesNo), MsgAnswer::Yes);
    EXPECT_EQ(outer.calls().size(), 1u);
}

TEST(DialogsTest, InstallingNothingRestoresTheDefault) {
    DialogResponder responder;
    Dialogs* replaced = InstallDialogs(nullptr);
    EXPECT_EQ(replaced, &responder);
    EXPECT_EQ(MessageBox("q", "c", MsgButtons::YesNo), MsgAnswer::No);
    EXPECT_TRUE(responder.calls().empty());
    InstallDialogs(replaced);
}

}  // namespace

// The program's application object: an exception that escapes an event
// handler is shown through the dialog seam and the program goes on, with the
// unsaved changes of its channels.
#include "Globalinfo.h"
#include "Hexeditfrm.h"
#include "Mainfrm.h"
#include "Qormapplication.h"

#include "ApplicationEnvironment.h"
#include "HexTestFolder.h"

#include "platform/Dialogs.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

using platform::DialogResponder;

namespace {

// The whole test program runs under the program's own application object.
::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new qormtest::ApplicationEnvironment<TQormApplication>);

const QEvent::Type kFailingEvent = static_cast<QEvent::Type>(QEvent::User + 16);

// A handler of the program that fails: it lets out what `fail` throws when
// the object receives kFailingEvent.
class TFailingHandler : public QObject {
public:
    explicit TFailingHandler(std::function<void()> fail) : fail_(std::move(fail)) {}
    int received = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() != kFailingEvent) return QObject::event(event);
        ++received;
        fail_();
        return true;
    }

private:
    std::function<void()> fail_;
};

class ApplicationTest : public ::testing::Test {
protected:
    ApplicationTest() { GlobalInfo() = GLOBALINFO_TAG{}; }
    ~ApplicationTest() override {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::vector<DialogResponder::Call> Messages() const {
        std::vector<DialogResponder::Call> messages;
        for (const DialogResponder::Call& call : user.calls())
            if (call.kind == DialogResponder::Kind::Message) messages.push_back(call);
        return messages;
    }

    THexTestFolder folder;
    DialogResponder user;
    std::unique_ptr<TFrmMain> main;
};

TEST_F(ApplicationTest, AnExceptionFromAHandlerIsShownAndTheLoopGoesOnWithTheUnsavedChannels) {
    main = std::make_unique<TFrmMain>();
    main->FormCreate({folder.MakeFile("a.dat", THexTestFolder::Pattern(64))});
    ASSERT_TRUE(main->IsChannelOpen(0));
    TFrmHexEdit* hex = main->ChannelWindow(0);
    ASSERT_TRUE(hex->InsertBytes(3));

    TFailingHandler handler([] { throw std::runtime_error("The list of hits could not be read"); });
    QCoreApplication::postEvent(&handler, new QEvent(kFailingEvent));
    QCoreApplication::postEvent(&handler, new QEvent(kFailingEvent));
    QTimer::singleShot(0, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 7) << "the loop ran on to its normal end";

    EXPECT_EQ(handler.received, 2);
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 2u);
    for (const DialogResponder::Call& message : messages) {
        EXPECT_EQ(message.text, "The list of hits could not be read");
        EXPECT_EQ(message.caption, ApplicationTitle);
        EXPECT_EQ(message.icon, platform::MsgIcon::Error);
        EXPECT_EQ(message.buttons, platform::MsgButtons::OK);
    }
    ASSERT_TRUE(main->IsChannelOpen(0));
    EXPECT_EQ(main->ChannelWindow(0), hex);
    EXPECT_TRUE(hex->Modified());
}

// A handler that fails inside a loop of its own (a modal dialog, a paused
// script) is shown there, and that loop goes on too; so does a failure of
// the memory a handler asked for.
TEST_F(ApplicationTest, AFailureInANestedLoopIsShownThereAndThatLoopGoesOn) {
    TFailingHandler inner([] { throw std::bad_alloc(); });
    bool nestedLoopEnded = false;
    TFailingHandler outer([&] {
        QEventLoop nested;
        QCoreApplication::postEvent(&inner, new QEvent(kFailingEvent));
        QTimer::singleShot(0, &nested, [&] {
            EXPECT_EQ(Messages().size(), 1u) << "shown while the nested loop still runs";
            nested.quit();
        });
        nested.exec();
        nestedLoopEnded = true;
    });
    QCoreApplication::postEvent(&outer, new QEvent(kFailingEvent));
    QCoreApplication::sendPostedEvents(&outer);

    EXPECT_TRUE(nestedLoopEnded);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, std::bad_alloc().what());
}

}  // namespace

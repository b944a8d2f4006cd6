// The script function library over a fake control and a real main window
// with its channels, on Qt's offscreen platform, with a scripted user and a
// private folder for the files, the registry and the program folder.
#pragma once

#include "FakeControlApi.h"
#include "Qormfunctions.h"

#include "Globalinfo.h"
#include "Hexeditfrm.h"
#include "Mainfrm.h"

#include "HexTestFolder.h"

#include "platform/Dialogs.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

class ScriptFunctionsFixture : public ::testing::Test {
protected:
    ScriptFunctionsFixture() {
        GlobalInfo() = GLOBALINFO_TAG{};
        main = std::make_unique<TFrmMain>();
        main->FormCreate({});
        TScriptHostHooks hooks;
        hooks.ProcessMessages = [this] { ++pumps; };
        hooks.ClearOutput = [this] { ++clears; };
        hooks.QuitApplication = [this] { ++quits; };
        functions = std::make_unique<TQormFunctions>(control, *main, hooks);
    }
    ~ScriptFunctionsFixture() override {
        functions.reset();
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static int OrdinalOf(const std::string& keyword) {
        for (const TScriptFunction& function : ScriptFunctions)
            if (keyword == function.Keyword) return function.Ordinal;
        ADD_FAILURE() << "no host function " << keyword;
        return 0;
    }

    // A call as a script makes it: the arguments are texts.
    void Call(const std::string& keyword, std::vector<std::string> arguments = {}) {
        const int count = static_cast<int>(arguments.size());
        control.StartCall(std::move(arguments));
        functions->UserFunction(OrdinalOf(keyword), count);
    }
    double Number(const std::string& keyword, std::vector<std::string> arguments = {}) {
        Call(keyword, std::move(arguments));
        EXPECT_TRUE(control.NumberResult.has_value()) << keyword << " set no number";
        return control.NumberResult.value_or(std::nan(""));
    }
    std::string Text(const std::string& keyword, std::vector<std::string> arguments = {}) {
        Call(keyword, std::move(arguments));
        EXPECT_TRUE(control.TextResult.has_value()) << keyword << " set no text";
        return control.TextResult.value_or("<none>");
    }

    // Opens a new data file of these bytes in the channel and returns its window.
    TFrmHexEdit& OpenChannel(std::int32_t channel, const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = folder.MakeFile(name, bytes);
        EXPECT_EQ(main->OpenInChannel(channel, path), 1) << path;
        TFrmHexEdit* window = main->ChannelWindow(channel);
        if (!window) throw std::runtime_error("channel did not open: " + path);
        return *window;
    }

    std::vector<std::uint8_t> WindowBytes(TFrmHexEdit& window) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(window.FileSize()));
        bytes.resize(window.ReadBytes(0, bytes.data(), bytes.size()));
        return bytes;
    }

    THexTestFolder folder;
    platform::DialogResponder user;
    TFakeControlApi control;
    std::unique_ptr<TFrmMain> main;
    std::unique_ptr<TQormFunctions> functions;
    int pumps = 0;
    int clears = 0;
    int quits = 0;
};

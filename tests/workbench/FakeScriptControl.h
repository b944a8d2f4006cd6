// The interpreter control as the script window sees it, in memory: a text,
// a file name, the options the window sets, and a run that fires the events
// a test scripts for it. Files are real, so load and save reach the disk.
#pragma once

#include "Scriptcontrol.h"

#include "platform/Files.h"
#include "platform/Text.h"

#include <QWidget>

#include <array>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

class FakeScriptControl : public TScriptControl {
public:
    // The run: called by Execute with the events of the window.
    std::function<void(FakeScriptControl&)> Script;
    TScriptControlEvents* Events = nullptr;

    std::string Text;
    std::string FileName;
    bool Modified = false;
    bool AutoSelectStepLine = false;
    bool SaveBeforeRun = false;
    bool ShowConstantsInDump = false;
    std::int32_t SelStart = -1;
    std::int32_t SelLength = -1;
    std::uint32_t Color = 0;
    std::array<std::uint32_t, 6> SyntaxColors{};
    std::int32_t CursorLine = 1;
    std::int32_t CursorCol = 1;
    std::map<std::string, std::string> Variables;
    std::vector<std::string> DumpLines;

    int Executes = 0;
    int Terminates = 0;
    int Clears = 0;
    bool Terminated = false;
    std::vector<std::string> Loads;
    std::vector<std::string> Saves;
    std::vector<std::string> Registered;

    // --- ScriptControlApi.
    void AddFunction(const std::string& keyword, int, int, TxTypes, int) override { Registered.push_back(keyword); }
    void AddVariable(const std::string& varName, TxTypes, bool) override { Registered.push_back(varName); }
    void SetNVariable(const std::string&, double) override {}
    double GetNParam(int) override { return 0; }
    std::string GetSParam(int) override { return ""; }
    void UserNReturn(double) override {}
    void UserSReturn(const std::string&) override {}
    void Terminate() override {
        ++Terminates;
        Terminated = true;
    }

    // --- TWatchSource.
    bool GetSVariable(const std::string& name, std::string& value) override {
        const auto found = Variables.find(name);
        value = found == Variables.end() ? "" : found->second;
        return found != Variables.end();
    }

    // --- TScriptControl.
    QWidget* Widget() override { return editor_.get(); }
    void Clear() override {
        ++Clears;
        Text.clear();
        FileName.clear();
        Modified = false;
    }
    bool LoadFromFile(const std::string& fileName, std::string& error) override {
        const std::string name = platform::Trim(fileName);
        Loads.push_back(name);
        if (!name.empty()) FileName = name;
        if (!platform::FileExists(FileName)) {
            error = "File: " + FileName + " not found";
            return false;
        }
        std::ifstream in(FileName, std::ios::binary);
        Text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        Modified = false;
        return true;
    }
    bool SaveToFile(const std::string& fileName, std::string& error) override {
        const std::string name = platform::Trim(fileName);
        if (!name.empty()) FileName = name;
        Saves.push_back(FileName);
        if (FileName.empty()) return true;
        std::ofstream out(FileName, std::ios::binary);
        out << Text;
        if (!out) {
            error = "Cannot write " + FileName;
            return false;
        }
        Modified = false;
        return true;
    }
    std::string get_FileName() override { return FileName.empty() ? " " : FileName; }
    void put_FileName(const std::string& fileName) override { FileName = platform::Trim(fileName); }
    bool get_Modified() override { return Modified; }
    void put_Modified(bool modified) override { Modified = modified; }
    bool get_Empty() override { return Text.empty(); }
    std::string get_Text() override { return Text; }
    void Execute() override {
        ++Executes;
        Terminated = false;
        if (Script) Script(*this);
    }
    void DumpVariables() override {
        for (const std::string& line : DumpLines) Events->TLang1Dump(line);
        Events->TLang1Dump(" ");
    }
    bool get_AutoSelectStepLine() override { return AutoSelectStepLine; }
    void put_AutoSelectStepLine(bool on) override { AutoSelectStepLine = on; }
    void put_SaveBeforeRun(bool on) override { SaveBeforeRun = on; }
    void put_ShowConstantsInDump(bool on) override { ShowConstantsInDump = on; }
    void put_SelStart(std::int32_t start) override { SelStart = start; }
    void put_SelLength(std::int32_t length) override { SelLength = length; }
    void put_Color(std::uint32_t color) override { Color = color; }
    void put_SyntaxColors(int index, std::uint32_t color) override {
        SyntaxColors.at(static_cast<std::size_t>(index)) = color;
    }
    std::int32_t get_CursorLine() override { return CursorLine; }
    std::int32_t get_CursorCol() override { return CursorCol; }
    std::string get_TextLine(std::int32_t lineNo) override {
        std::istringstream lines(Text);
        std::string line;
        for (std::int32_t n = 1; std::getline(lines, line); ++n) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (n == lineNo) return line;
        }
        return "";
    }

    // A run of `lines` lines that steps each and ends normally on the last
    // one; it stops early, ending as the control does after Terminate.
    static std::function<void(FakeScriptControl&)> Lines(int lines) {
        return [lines](FakeScriptControl& control) {
            for (int line = 1; line <= lines; ++line) {
                if (control.Terminated) {
                    control.Events->TLang1ScriptComplete(line, 3);
                    return;
                }
                control.Events->TLang1Step(line);
            }
            control.Events->TLang1ScriptComplete(lines, 0);
        };
    }

private:
    std::unique_ptr<QWidget> editor_ = std::make_unique<QWidget>();
};

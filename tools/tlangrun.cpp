// tlangrun [--noop-function] [--memory-limit MEGABYTES] [--step] [--reference] SCRIPT
//
// Runs a script file through the interpreter engine on the console: every
// printed line goes to stdout, an error to stderr as "LINE: MESSAGE", and the
// program exits with the run's exit code (0 normal, 4 error, ...).
// --noop-function registers the host function NOOP (Ordinal 1, at most one
// argument, result 0), which does nothing: it measures the cost of a call.
// --memory-limit sets what a run may hold (its texts, arrays, symbols and the
// tables of its text) before it stops with "Out of memory"; by default a
// quarter of the memory the program may use.
// --step runs the script in step mode, as a host that watches its lines does,
// and writes the number of step events to stderr once the run has ended
// ("steps: N"); the output stays as in run mode.
// --reference reads every statement from the text through the evaluator,
// with none of the forms the engine keeps from a statement's first run: the
// same script must give the same output, errors and steps both ways.
#include "Tlangengine.h"
#include "Tlangplain.h"
#include "Tlangprepass.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr int kUsageError = 64;
constexpr int kInputError = 66;
constexpr int kSoftwareError = 70;

class ConsoleEvents : public pevox::EngineEvents {
public:
    void OnInitialize() override {}
    void OnPrint(const std::string& printLine, bool newline) override {
        std::fwrite(printLine.data(), 1, printLine.size(), stdout);
        if (newline) std::fputc('\n', stdout);
    }
    void OnDump(const std::string& dumpLine) override { std::printf("%s\n", dumpLine.c_str()); }
    void OnStep(int) override { ++steps_; }
    void OnBreakPoint() override {}
    void OnScriptError(int lineNo, const std::string& errorMsg) override {
        std::fflush(stdout);
        std::fprintf(stderr, "%d: %s\n", lineNo, errorMsg.c_str());
    }
    void OnScriptComplete(int, int exitCode) override { exitCode_ = exitCode; }
    void OnUserFunction(int, int) override {}
    void OnBeep() override { std::fputc('\a', stderr); }

    int ExitCode() const { return exitCode_; }
    long long Steps() const { return steps_; }

private:
    int exitCode_ = pevox::TxNormal;
    long long steps_ = 0;
};

void RegisterNoopFunction(pevox::TLangEngine& engine) {
    pevox::TERP_SYMBOL_TAG function;
    function.SymName = "NOOP";
    function.SymDisplayName = "Noop";
    function.SymKind = pevox::tok::Proc;
    function.SymCount = 1;  // Ordinal
    function.SymExtra = 1;  // at most one argument
    function.SymValue = 0;  // none required
    function.SymDims = pevox::TxNumber;
    engine.AddFunctionSymbol(std::move(function));
}

int Usage() {
    std::fprintf(stderr,
                 "usage: tlangrun [--noop-function] [--memory-limit MEGABYTES] [--step] [--reference] SCRIPT\n");
    return kUsageError;
}

// A whole number of megabytes above 0, as bytes.
std::optional<std::int64_t> ParseMegabytes(std::string_view text) {
    constexpr std::int64_t kMegabyte = std::int64_t{1} << 20;
    std::int64_t megabytes = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), megabytes);
    if (error != std::errc() || end != text.data() + text.size() || megabytes <= 0 ||
        megabytes > std::numeric_limits<std::int64_t>::max() / kMegabyte)
        return std::nullopt;
    return megabytes * kMegabyte;
}

}  // namespace

int main(int argc, char** argv) {
    bool noopFunction = false;
    bool stepMode = false;
    bool reference = false;
    std::optional<std::int64_t> memoryLimit;
    const char* scriptPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--noop-function") {
            noopFunction = true;
        } else if (argument == "--step") {
            stepMode = true;
        } else if (argument == "--reference") {
            reference = true;
        } else if (argument == "--memory-limit") {
            if (i + 1 == argc || !(memoryLimit = ParseMegabytes(argv[++i]))) return Usage();
        } else if (!scriptPath && !argument.starts_with("--"))
            scriptPath = argv[i];
        else
            return Usage();
    }
    if (!scriptPath) return Usage();

    std::ifstream in(scriptPath, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "tlangrun: cannot open %s\n", scriptPath);
        return kInputError;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::fprintf(stderr, "tlangrun: cannot read %s\n", scriptPath);
        return kInputError;
    }

    static char outputBuffer[1 << 16];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    ConsoleEvents events;
    pevox::LinesEditorView editor(pevox::SplitTextLines(text));
    editor.SetVisible(false);
    pevox::TLangEngine engine(events, editor);
    if (noopFunction) RegisterNoopFunction(engine);
    if (memoryLimit) engine.m_Memory.SetLimit(*memoryLimit);
    if (stepMode) engine.m_ExecutionMode = pevox::TxStep;
    if (reference) engine.m_TranslateLines = false;
    try {
        engine.Execute();
    } catch (const std::exception& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "tlangrun: %s\n", failure.what());
        return kSoftwareError;
    }
    std::fflush(stdout);
    if (stepMode) std::fprintf(stderr, "steps: %lld\n", events.Steps());
    return events.ExitCode();
}

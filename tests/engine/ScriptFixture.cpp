#include "ScriptFixture.h"

#include "Tlangprepass.h"

namespace pevox::test {

ScriptRun ScriptFixture::Run(const std::string& script) {
    auto answer = std::move(events.onUserFunction);
    auto setUp = std::move(events.onInitialize);
    auto stepping = std::move(events.onStep);
    events = RecordingEvents{};
    events.onUserFunction = std::move(answer);
    events.onInitialize = std::move(setUp);
    events.onStep = std::move(stepping);
    view.SetLines(SplitTextLines(script));
    const std::size_t errorsBefore = 0;
    EXPECT_TRUE(engine.Execute());
    ScriptRun run;
    for (const RecordingEvents::Printed& printed : events.prints) {
        run.output += printed.line;
        if (printed.newline) run.output += '\n';
    }
    EXPECT_LE(events.errors.size(), errorsBefore + 1) << script;
    if (events.errors.size() > errorsBefore) {
        run.errorLine = events.errors.back().lineNo;
        run.errorMessage = events.errors.back().message;
    }
    EXPECT_EQ(events.completions.size(), 1u) << script;
    if (!events.completions.empty()) {
        run.exitCode = events.completions.back().exitCode;
        EXPECT_EQ(run.exitCode, engine.m_ExitCode);
    }
    return run;
}

void ScriptFixture::ExpectRuns(const std::vector<ScriptCase>& cases) {
    for (const ScriptCase& row : cases) {
        const ScriptRun run = Run(row.script);
        EXPECT_EQ(run.output, row.output) << row.script;
        EXPECT_EQ(run.errorMessage, row.errorMessage) << row.script;
        EXPECT_EQ(run.errorLine, row.errorLine) << row.script;
        EXPECT_EQ(run.exitCode, row.exitCode) << row.script;
    }
}

void ScriptFixture::AddFunction(const std::string& name, int ordinal, int paramCount, int minimum, int returnType) {
    TERP_SYMBOL_TAG function;
    function.SymName = name;
    function.SymDisplayName = name;
    function.SymKind = tok::Proc;
    function.SymCount = ordinal;
    function.SymExtra = paramCount;
    function.SymValue = minimum;
    function.SymDims = returnType;
    engine.AddFunctionSymbol(std::move(function));
}

}  // namespace pevox::test

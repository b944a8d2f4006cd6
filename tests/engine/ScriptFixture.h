// Runs whole scripts through the engine's run entry and gathers what a host
// sees: the printed text, the errors and the exit code.
#pragma once

#include "EngineFixture.h"

#include <string>
#include <vector>

namespace pevox::test {

struct ScriptRun {
    std::string output;  // every printed line; a line printed with a new line ends with "\n"
    int errorLine = 0;   // 0 when no error was reported
    std::string errorMessage;
    int exitCode = -1;
};

// One row of a script table.
struct ScriptCase {
    ScriptCase(std::string script, std::string output, int errorLine = 0, std::string errorMessage = {},
               int exitCode = TxNormal)
        : script(std::move(script)),
          output(std::move(output)),
          errorLine(errorLine),
          errorMessage(std::move(errorMessage)),
          exitCode(exitCode) {}

    std::string script;  // lines separated by "\n"
    std::string output;
    int errorLine;
    std::string errorMessage;
    int exitCode;
};

class ScriptFixture : public EngineFixture {
protected:
    ScriptRun Run(const std::string& script);
    // Runs every row and compares output, error and exit code.
    void ExpectRuns(const std::vector<ScriptCase>& cases);
    // Registers a host function: at most `paramCount` arguments, `minimum`
    // of them required, a result of `returnType`.
    void AddFunction(const std::string& name, int ordinal, int paramCount, int minimum, int returnType);
};

}  // namespace pevox::test

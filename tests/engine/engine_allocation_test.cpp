// Allocations that really fail while a script runs. The executable replaces
// the global allocator so that a test can have every allocation past a size
// fail, which is why it runs apart from the other engine tests.
#include "ScriptFixture.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// 0: every allocation the system grants succeeds.
std::atomic<std::size_t> failingSize{0};

}  // namespace

void* operator new(std::size_t size) {
    const std::size_t failing = failingSize.load();
    if (failing != 0 && size >= failing) throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace pevox::test {
namespace {

class EngineAllocation : public ScriptFixture {
protected:
    void TearDown() override {
        failingSize = 0;
        ScriptFixture::TearDown();
    }

    ScriptRun RunFailingPast(const std::string& script, std::size_t size, bool translated) {
        engine.m_TranslateLines = translated;
        failingSize = size;
        ScriptRun run = Run(script);
        failingSize = 0;
        return run;
    }
};

// A text that grows past what the allocator grants stops the run with "Out
// of memory" on the line that grew it, whether the line runs from its kept
// form in a loop or a CASE body, in a condition, or from its text.
TEST_F(EngineAllocation, AFailedAllocationIsReportedOnTheLineThatFailed) {
    const std::string start = "STRING S, T\nNUMBER I, N\nT = \"" + std::string(1000, 'x') + "\"\n";
    struct Case {
        std::string body;
        int line;
    };
    const std::vector<Case> cases = {
        {"FOR I = 1 TO 5000\nN = N + 1\nS = S + T\nNEXT", 6},
        {"FOR I = 1 TO 5000\nN = N + 1\nS = T + S\nNEXT", 6},
        {"FOR I = 1 TO 5000\nSWITCH 1\nCASE 1\nN = N + 1\nS = S + T\nENDSWITCH\nNEXT", 8},
        {"FOR I = 1 TO 5000\nSWITCH N\nCASE > 2\nN = N + 1\nS = S + T + T\nDEFAULT\nN = N + 1\nENDSWITCH\nNEXT", 8},
        {"WHILE LEN(S + T) > 0\nN = N + 1\nS = S + T\nWEND", 4},
        {"FOR I = 1 TO 5000\nS = S + T\nIF LEN(S + T + T) > 0 THEN N = N + 1\nNEXT", 6},
    };
    for (const Case& row : cases) {
        for (bool translated : {false, true}) {
            const ScriptRun run = RunFailingPast(start + row.body + "\nPRINT N", std::size_t{1} << 20, translated);
            EXPECT_EQ(run.errorMessage, "Out of memory") << row.body << "\ntranslated " << translated;
            EXPECT_EQ(run.errorLine, row.line) << row.body << "\ntranslated " << translated;
            EXPECT_EQ(run.exitCode, TxError);
        }
    }
}

}  // namespace
}  // namespace pevox::test

// Fuzz target of the script engine: any text is a script, run through the
// pre-pass and the run loop twice, each time in an engine of its own. A
// crash, a hang or a sanitizer report is a fault of the engine.
//
// The first run is in step mode, where every step counts against a budget
// that ends an endless loop. A script that ended within it runs again in run
// mode, where loop bodies and SWITCH tables run from their kept forms and no
// step is heard: it runs the same lines, so it ends there too, and a run mode
// that does not is a hang libFuzzer reports.
//
// The engine must survive a host that runs out of memory (a script can ask
// for arrays and texts of any size): past the limits below an allocation
// fails with std::bad_alloc, as in a small process, instead of growing the
// fuzzer beyond its own memory limit.
//
// Scripts may write, rename and delete files. Only when QORM_FUZZ_FILES is 1
// (scripts/fuzz sets it when it runs the target as an unprivileged user in a
// scratch folder) does an input reach the functions that change files;
// otherwise inputs that name them are skipped.
#include "Tlangengine.h"
#include "Tlangplain.h"
#include "Tlangprepass.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>

#include <malloc.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxAllocation = std::size_t{64} << 20;
constexpr std::size_t kMaxLiveMemory = std::size_t{512} << 20;
std::atomic<std::size_t> liveMemory{0};

}  // namespace

void* operator new(std::size_t size) {
    if (size > kMaxAllocation || liveMemory.load() + size > kMaxLiveMemory) throw std::bad_alloc();
    void* block = std::malloc(size == 0 ? 1 : size);
    if (!block) throw std::bad_alloc();
    liveMemory += malloc_usable_size(block);
    return block;
}

void operator delete(void* block) noexcept {
    if (!block) return;
    liveMemory -= malloc_usable_size(block);
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace {

using namespace pevox;

// Enough for every seed; an endless loop reaches it in milliseconds.
constexpr int kMaxSteps = 20000;

class BoundedEvents : public EngineEvents {
public:
    TLangEngine* engine = nullptr;

    void OnInitialize() override {}
    void OnPrint(const std::string&, bool) override {}
    void OnDump(const std::string&) override {}
    void OnStep(int) override {
        if (++steps_ == kMaxSteps) engine->Terminate();
    }
    bool OutOfSteps() const { return steps_ >= kMaxSteps; }
    void OnBreakPoint() override {}
    void OnScriptError(int, const std::string&) override {}
    void OnScriptComplete(int, int) override {}
    void OnUserFunction(int, int) override {}
    void OnBeep() override {}

private:
    int steps_ = 0;
};

bool FilesAllowed() {
    static const bool allowed = [] {
        const char* value = std::getenv("QORM_FUZZ_FILES");
        return value && std::string_view(value) == "1";
    }();
    return allowed;
}

// Keywords are read from the script's own words, so a function that is not
// named in the text cannot be called.
bool NamesFileChange(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const char* name : {"FOPEN", "KILL", "NAME", "MKDIR", "CHDIR", "RMDIR"})
        if (upper.find(name) != std::string::npos) return true;
    return false;
}

// The scratch folder every input starts in, emptied after each; one for each
// process, as parallel fuzzing jobs share the folder they start in.
const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder =
        std::filesystem::current_path() / ("scratch-" + std::to_string(getpid()));
    return folder;
}

void EnterScratchFolder() {
    std::filesystem::create_directories(ScratchFolder());
    std::filesystem::current_path(ScratchFolder());
}

void EmptyScratchFolder() {
    std::filesystem::current_path(ScratchFolder().parent_path());
    std::error_code ignored;
    std::filesystem::remove_all(ScratchFolder(), ignored);
}

// Runs the script in a new engine, in a scratch folder of its own when
// scripts may change files; false when the step budget ended the run.
bool RunScript(std::string_view text, std::uint8_t mode) {
    if (FilesAllowed()) EnterScratchFolder();
    BoundedEvents events;
    LinesEditorView view(SplitTextLines(text));
    TLangEngine engine(events, view);
    events.engine = &engine;
    engine.m_ExecutionMode = mode;
    engine.Execute();
    if (FilesAllowed()) EmptyScratchFolder();
    return !events.OutOfSteps();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!FilesAllowed() && NamesFileChange(text)) return 0;
    if (RunScript(text, TxStep)) RunScript(text, TxRun);
    return 0;
}

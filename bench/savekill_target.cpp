// The process that bench/killsave.sh kills during its saves. Each mode runs
// one real save of the system over an existing file:
//   savekill_target data DATAFILE          opens DATAFILE in a working copy,
//                                          inserts one zero byte at its start
//                                          and saves it (Save / SaveChanges)
//   savekill_target result TARGET          saves a result list of 1,048,560
//                                          hits with 74-byte texts to TARGET
//   savekill_target script TARGET SOURCE   runs the lines of SOURCE with
//                                          SaveBeforeRun on TARGET, so the
//                                          pre-pass saves them over TARGET
// The working copy goes to $TMPDIR and a rebuild to $QORM20_HOME.
#include "Resultlist.h"
#include "Searchinfo.h"
#include "Tlangengine.h"
#include "Tlangplain.h"
#include "Tlangprepass.h"
#include "Workingcopy.h"

#include "platform/Numbers.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace {

constexpr std::int32_t kHits = 1048560;

int SaveData(const std::string& path) {
    const char* home = std::getenv("QORM20_HOME");
    TWorkingCopy copy(home && *home ? home : platform::GetTempPathA());
    return copy.Open(path) && copy.InsertBytes(0, 1) && copy.Save() ? 0 : 1;
}

// The texts of a loaded result file travel with their hits, so a list of
// long texts is what a large result file holds.
int SaveResults(const std::string& target) {
    TResultLists lists;
    lists.Current.Rows.reserve(kHits);
    for (std::int32_t hit = 0; hit < kHits; ++hit)
        lists.Current.Rows.push_back({platform::FormatC("%010d hit of the search, kept with the text it had in its file ......", hit + 1), hit});
    SEARCHINFO_TAG info;
    return lists.SaveResults(target, info, true, "/data/file.dat") ? 0 : 1;
}

int SaveScript(const std::string& target, const std::string& source) {
    std::ifstream in(source, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    pevox::RecordingEvents events;
    pevox::LinesEditorView editor(pevox::SplitTextLines(text));
    editor.SetVisible(false);
    pevox::TLangEngine engine(events, editor);
    engine.m_SaveBeforeRun = true;
    engine.m_FileName = target;
    engine.Execute();
    return events.completions.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == "data" && argc == 3) return SaveData(argv[2]);
    if (mode == "result" && argc == 3) return SaveResults(argv[2]);
    if (mode == "script" && argc == 4) return SaveScript(argv[2], argv[3]);
    std::fprintf(stderr, "usage: savekill_target data FILE | result TARGET | script TARGET SOURCE\n");
    return 2;
}

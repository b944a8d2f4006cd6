#include "Searchsession.h"

#include "platform/Dialogs.h"
#include "platform/Text.h"

#include <algorithm>

namespace {

const char* const ResultFilter = "Search Results (*.srt)|*.srt|Text Files (*.txt)|*.txt|All Files (*.*)|*.*";

// Marks the window busy for the length of a scan, however the scan ends.
class TScanGuard {
public:
    TScanGuard(bool& scanning, TSearchHost& host, const std::function<void()>& changed)
        : scanning_(scanning), host_(host), changed_(changed)
    {
        scanning_ = true;
        host_.SearchRunning(true);
        changed_();
    }
    ~TScanGuard()
    {
        scanning_ = false;
        host_.SearchRunning(false);
        changed_();
    }
    TScanGuard(const TScanGuard&) = delete;
    TScanGuard& operator=(const TScanGuard&) = delete;

private:
    bool& scanning_;
    TSearchHost& host_;
    const std::function<void()>& changed_;
};

// Reads the working copy through the window, so that every block is read
// from whatever stream the window holds at that moment.
class THostSource final : public TSearchSource {
public:
    explicit THostSource(TSearchHost& host) : host_(host) {}
    std::size_t ReadBytes(std::int32_t offset, std::uint8_t* buffer, std::size_t count) override
    {
        return host_.ReadBytes(offset, buffer, count);
    }

private:
    TSearchHost& host_;
};

// Puts the window back where it stood before the scan, also when the scan throws.
class TPositionRestore {
public:
    explicit TPositionRestore(TSearchHost& host) : host_(host), position_(host.Position()) {}
    ~TPositionRestore() { host_.SetPosition(position_); }
    TPositionRestore(const TPositionRestore&) = delete;
    TPositionRestore& operator=(const TPositionRestore&) = delete;

private:
    TSearchHost& host_;
    std::int32_t position_;
};

std::string UnsignedText(std::int32_t value)
{
    return std::to_string(static_cast<std::uint32_t>(value));
}

}  // namespace

TSearchSession::TSearchSession(TSearchHost& host) : host_(host) {}

void TSearchSession::Notify(unsigned changes)
{
    if (OnChanged)
        OnChanged(changes);
}

void TSearchSession::LoadDefaults(const SEARCHINFO_TAG& defaults)
{
    Entries = EntriesFromDefaults(defaults);
    Notify(EntriesChanged);
}

void TSearchSession::EntriesEdited()
{
    Notify(EntriesChanged);
}

void TSearchSession::SetSearchValue(const std::string& text)
{
    Entries.Value = text;
    Notify(EntriesChanged);
}

void TSearchSession::SetSearchType(int index)
{
    Entries.SearchType = std::clamp(index, -1, static_cast<int>(stQWord));
    Notify(EntriesChanged);
}

void TSearchSession::ResetStep()
{
    ResultField.clear();
    StepIndex = -1;
    Selection = 0;
}

TScanEnd TSearchSession::RunScan()
{
    SEARCHINFO_TAG& info = host_.SearchRecord();
    TPositionRestore restore(host_);
    THostSource source(host_);
    TPumpThrottle pump([this] { host_.PumpMessagesOnce(); }, PumpInterval);
    return TBlockScanner().Run(info, source, host_.FileSize(), [&pump] { pump(); });
}

TSearchOutcome TSearchSession::BeginSearch(bool tellUser)
{
    if (scanning_ || !host_.ScanMayRun())
        return TSearchOutcome::Unavailable;
    const std::function<void()> scanChanged = [this] { Notify(ScanChanged); };
    TScanGuard guard(scanning_, host_, scanChanged);

    ResetStep();
    Notify(StepChanged);
    SEARCHINFO_TAG& info = host_.SearchRecord();
    const TPrepareResult prepared = PrepareSearch(Entries, host_.Position(), host_.LittleEndian(), info);
    setUpRefused_ = prepared != TPrepareResult::Accepted;
    if (setUpRefused_) {
        if (tellUser)
            ShowPrepareRefusal(prepared, Entries);
        return TSearchOutcome::Refused;
    }
    const TScanEnd end = RunScan();
    Lists.ShowHits(info.Hits);
    Notify(ResultsChanged);
    host_.ShowResultsPage();
    switch (end) {
    case TScanEnd::Finished: return TSearchOutcome::Finished;
    case TScanEnd::LimitReached: return TSearchOutcome::LimitReached;
    case TScanEnd::Stopped: return TSearchOutcome::Cancelled;
    case TScanEnd::ReadFailed: break;
    }
    if (tellUser)
        platform::MessageBox("The file could not be read to its end.\r\nThe hits found before the failure are listed.",
                             "Search incomplete", platform::MsgButtons::OK, platform::MsgIcon::Warning);
    return TSearchOutcome::ReadFailed;
}

void TSearchSession::CancelSearch()
{
    host_.SearchRecord().Stop = true;
}

void TSearchSession::Step(int delta)
{
    ResultField.clear();
    if (Lists.Current.IsEmpty()) {
        StepIndex = -1;
    } else {
        StepIndex = std::clamp(StepIndex + delta, 0, Lists.Current.RowCount() - 1);
        const TResultEntry row = Lists.Current.Row(StepIndex);
        ResultField = row.Text;
        Selection = StepIndex;
        host_.SetPosition(row.Position);
    }
    Notify(StepChanged);
}

void TSearchSession::StepDown()
{
    Step(+1);
}

void TSearchSession::StepUp()
{
    Step(-1);
}

void TSearchSession::StepFirst()
{
    StepIndex = -1;
    Step(+1);
}

void TSearchSession::StepLast()
{
    StepIndex = Lists.Current.RowCount();
    Step(-1);
}

void TSearchSession::GoToRow(const TResultList& list, int row)
{
    if (row < 0 || row >= list.RowCount())
        return;
    const TResultEntry entry = list.Row(row);
    ResultField = entry.Text;
    StepIndex = row;
    if (&list == &Lists.Current)
        Selection = row;
    host_.SetPosition(entry.Position);
    Notify(StepChanged);
}

void TSearchSession::SetStepIndex(std::int32_t index)
{
    StepIndex = index;
    Notify(StepChanged);
}

std::int32_t TSearchSession::ResultFieldValue() const
{
    const std::string text = platform::Trim(ResultField);
    return text.empty() ? -1 : ReadLeadingInt32(text);
}

std::int32_t TSearchSession::FirstSearchHit(bool scriptRunning)
{
    const TSearchOutcome outcome = BeginSearch(false);
    const bool searched = outcome != TSearchOutcome::Refused && outcome != TSearchOutcome::Unavailable;
    if (scriptRunning)
        return searched ? host_.SearchRecord().HitCount : 0;
    if (!searched)
        return -1;
    StepDown();
    return ResultFieldValue();
}

std::int32_t TSearchSession::NextSearchHit()
{
    if (setUpRefused_)
        return -1;
    const std::int32_t before = StepIndex;
    StepDown();
    if (StepIndex == before)
        return -1;
    return ResultFieldValue();
}

bool TSearchSession::ApplySearchOption(const std::string& name, const std::string& value)
{
    const std::string option = platform::Trim(platform::UpperCase(name));
    const std::int32_t number = ReadLeadingInt32(value);
    SEARCHINFO_TAG& info = host_.SearchRecord();
    if (option == "BOF") {
        Entries.StartAtBeginning = number != 0;
        info.StartPosition = number != 0 ? 0 : 1;
    } else if (option == "CASE") {
        Entries.CaseSensitive = number != 0;
        info.CaseSensitive = number != 0;
    } else if (option == "MAXRESULTS") {
        info.ResultLimit = number;
        Entries.NumResults = UnsignedText(number);
    } else {
        return false;
    }
    Notify(EntriesChanged);
    return true;
}

void TSearchSession::Diff()
{
    if (Lists.Diff()) {
        ResetStep();
        Notify(ResultsChanged | StepChanged);
    }
}

void TSearchSession::Match()
{
    if (Lists.Match()) {
        ResetStep();
        Notify(ResultsChanged | StepChanged);
    }
}

void TSearchSession::Merge()
{
    if (Lists.Merge()) {
        ResetStep();
        Notify(ResultsChanged | StepChanged);
    }
}

void TSearchSession::MoveRight()
{
    Lists.MoveRight();
    Notify(ResultsChanged);
}

void TSearchSession::ClearCurrent()
{
    if (platform::MessageBox("Clear current search results?", "Clear Search", platform::MsgButtons::YesNo,
                             platform::MsgIcon::Question) != platform::MsgAnswer::Yes)
        return;
    Lists.ClearCurrent();
    ResetStep();
    Notify(ResultsChanged | StepChanged);
}

void TSearchSession::ClearPrevious()
{
    if (platform::MessageBox("Clear previous search results?", "Clear Search", platform::MsgButtons::YesNo,
                             platform::MsgIcon::Question) != platform::MsgAnswer::Yes)
        return;
    Lists.ClearPrevious();
    Notify(ResultsChanged);
}

bool TSearchSession::SaveResults(const std::string& fileName)
{
    return Lists.SaveResults(fileName, host_.SearchRecord(), host_.LittleEndian(), host_.DataPath());
}

bool TSearchSession::LoadResults(const std::string& fileName)
{
    const bool loaded = Lists.LoadResults(fileName);
    if (loaded)
        Notify(ResultsChanged);
    return loaded;
}

void TSearchSession::SaveResultsWithDialog()
{
    if (Lists.Current.IsEmpty())
        return;
    platform::FileDialogRequest request;
    request.title = "Save Qorm 2 Search Results";
    request.filter = ResultFilter;
    request.defaultExt = "srt";
    request.overwritePrompt = true;
    if (const std::optional<std::string> name = platform::CurrentDialogs().SaveFileName(request))
        SaveResults(*name);
}

void TSearchSession::LoadResultsWithDialog()
{
    platform::FileDialogRequest request;
    request.title = "Open Qorm 2 Search Results";
    request.filter = ResultFilter;
    request.defaultExt = "srt";
    if (const std::optional<std::string> name = platform::CurrentDialogs().OpenFileName(request))
        LoadResults(*name);
}

void TSearchSession::SetCurrentResults(std::vector<TResultEntry> entries, std::string label)
{
    Lists.SetCurrent(std::move(entries), std::move(label));
    setUpRefused_ = false;
    ResetStep();
    Notify(ResultsChanged | StepChanged);
}

void TSearchSession::RestartStepping()
{
    ResetStep();
    Notify(StepChanged);
}

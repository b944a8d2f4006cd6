// A hex window in memory for the session and page tests.
#pragma once

#include "SearchTestSupport.h"
#include "Searchhost.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

class TFakeSearchHost final : public TSearchHost {
public:
    TMemorySource File;
    SEARCHINFO_TAG Info;
    std::int32_t CurrentPosition = 0;
    bool Little = true;
    bool MayRun = true;
    std::string Path = "/data/a.sav";
    std::function<void()> OnPump;
    int Pumps = 0;
    std::vector<bool> RunningChanges;
    int ResultsPageShown = 0;

    SEARCHINFO_TAG& SearchRecord() override { return Info; }
    std::int32_t FileSize() const override { return File.Size(); }
    std::int32_t Position() const override { return CurrentPosition; }
    std::int32_t SetPosition(std::int32_t position) override
    {
        CurrentPosition = std::clamp(position, 0, std::max(0, File.Size() - 1));
        return 1;
    }
    bool LittleEndian() const override { return Little; }
    std::size_t ReadBytes(std::int32_t offset, std::uint8_t* buffer, std::size_t count) override
    {
        return File.ReadBytes(offset, buffer, count);
    }
    void PumpMessagesOnce() override
    {
        ++Pumps;
        if (OnPump)
            OnPump();
    }
    bool ScanMayRun() const override { return MayRun; }
    const std::string& DataPath() const override { return Path; }
    void SearchRunning(bool running) override { RunningChanges.push_back(running); }
    void ShowResultsPage() override { ++ResultsPageShown; }
};

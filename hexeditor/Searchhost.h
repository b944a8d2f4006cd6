// What the in-window search needs of the hex window that owns it. The window
// implements this in a few lines over its working copy and its fields; the
// signatures it already has (Position, FileSize, SetPosition, ReadBytes,
// DataPath) are the same here, so those need no code.
#pragma once

#include "Searchinfo.h"

#include <cstddef>
#include <cstdint>
#include <string>

class TSearchHost {
public:
    // The window's own search record.
    virtual SEARCHINFO_TAG& SearchRecord() = 0;
    virtual std::int32_t FileSize() const = 0;
    // The 0-based current position.
    virtual std::int32_t Position() const = 0;
    // Moves the window (clamped into the file) and refreshes its views.
    virtual std::int32_t SetPosition(std::int32_t position) = 0;
    // The window's byte order, which number patterns use.
    virtual bool LittleEndian() const = 0;
    // Reads up to `count` bytes of the working copy at `offset` (for
    // instance with ReadStreamAt over the working-copy stream); how many were read.
    virtual std::size_t ReadBytes(std::int32_t offset, std::uint8_t* buffer, std::size_t count) = 0;
    // Lets the application process its pending messages once.
    virtual void PumpMessagesOnce() = 0;
    // False while the window cannot be scanned (no working copy open).
    virtual bool ScanMayRun() const = 0;
    // The data file the window edits, named in result files.
    virtual const std::string& DataPath() const = 0;
    // A scan starts (true) or has ended (false). While it runs the window
    // disables its other controls (the byte strip, the value pages, the
    // display panel) and refuses or defers whatever would close, rebuild,
    // reopen, save or edit its working copy (see TSearchSession::Scanning).
    virtual void SearchRunning(bool running) = 0;
    // Brings the "Search Results" page to the front.
    virtual void ShowResultsPage() = 0;

protected:
    ~TSearchHost() = default;
};

// The table of channels: up to ChannelLimit data files open at a time, each
// in a window of its own, named everywhere by its channel number.
#pragma once

#include "Globalinfo.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// What the table needs of a channel's window.
class TChannelWindow {
public:
    virtual std::int32_t Channel() const = 0;
    virtual const std::string& DataPath() const = 0;
    // The working copy was made.
    virtual bool Opened() const = 0;
    // Mode 1 writes the window's bounds to the shared "HEXEDIT_FORM" section.
    virtual void SaveRestorePosition(int mode) = 0;
    // Offers a modified file for saving when `ask`, then closes the working
    // copy and the window. False when the window stays open (the save the
    // user asked for failed).
    virtual bool CloseWorkingCopy(bool ask) = 0;
    virtual void ShowChannel() = 0;
    // Ends the window once control returns to the event loop.
    virtual void Release() = 0;

protected:
    ~TChannelWindow() = default;
};

class TChannelTable {
public:
    // Makes the window of a channel for a file; it reports through Opened() whether its working copy was made.
    using WindowFactory = std::function<TChannelWindow*(std::int32_t channel, const std::string& fileName)>;

    explicit TChannelTable(WindowFactory factory);

    // The lowest empty slot, or -1 when all are in use.
    std::int32_t FindFreeChannel() const;
    // The lowest open channel on the file (exact comparison of paths), or -1.
    std::int32_t FindChannelOfFile(const std::string& fileName) const;
    // The slot's channel when it holds an open window on the file, else -1.
    std::int32_t ChannelForFile(std::int32_t slot, const std::string& fileName) const;
    // -1 takes the first free channel. True when the file opened.
    bool OpenFileInChannel(const std::string& fileName, std::int32_t channel = -1);
    // Opens the file in the channel, closing what the channel held first
    // (asking to save only when `askOnReplace`). 1 when the file opened, 0
    // when the name, the file or the channel is refused or the working copy
    // could not be made; a window that failed is released at once.
    int OpenInChannel(std::int32_t channel, const std::string& fileName, bool askOnReplace = false);
    // Puts a window made for the empty channel into it. A window that did not
    // open, or a channel in use, releases the window: false.
    bool PlaceWindow(std::int32_t channel, TChannelWindow* window);
    // Writes the window's position, closes its working copy (offering a
    // modified file for saving when `ask`) and empties the slot. A close of
    // the channel already closing returns at once. False when the window
    // stayed open.
    bool CloseChannel(std::int32_t channel, bool ask);
    // Closes every channel, processing pending messages after each. A window
    // that stays open (its question cancelled, its save failed) ends the
    // round there, so the later channels are not asked: false.
    bool CloseAllChannels(bool ask, const std::function<void()>& processMessages);
    // The argument when it is a channel number, else -1.
    static std::int32_t NormalizeChannel(std::int32_t channel);
    bool IsChannelOpen(std::int32_t channel) const;
    void ShowAllChannels();

    // The window in the channel, or nullptr.
    TChannelWindow* Window(std::int32_t channel) const;
    std::int32_t ClosingChannel() const { return closingChannel_; }

private:
    WindowFactory factory_;
    std::array<TChannelWindow*, ChannelLimit> slots_{};
    std::int32_t closingChannel_ = -1;
};

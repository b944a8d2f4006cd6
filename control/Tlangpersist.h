// The control's record in its container's stream: the editor's own
// properties, then a fixed block of 296 bytes with the file name, the
// execution mode, three flags, the seven colours and a fourth flag. Plain
// byte work; the control reads and writes the record through its stream.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pevox {

// --- The editor's properties -----------------------------------------------
// A header of 8 bytes ("TLED" and the payload's length, 32-bit little-endian)
// and the payload, so that a reader finds the fixed block behind it.

inline constexpr std::size_t kEditorRecordHeaderSize = 8;

struct EditorRecord {
    std::string text;  // the whole text, lines joined by CR LF
    std::string fontName;
    std::int32_t fontSizeHundredths = 1000;  // points times 100
    bool fontBold = false;
    bool fontItalic = false;
    bool fontUnderline = false;
    bool fontStrikeOut = false;
    std::uint32_t color = 0x80000005;  // background
    std::uint8_t scrollBars = 3;
    bool hideScrollBars = true;
    bool hideSelection = true;
    bool readOnly = false;
    bool wantTabs = false;
    bool enabled = true;
    bool visible = true;
    std::uint8_t borderStyle = 1;
    std::int32_t borderWidth = 0;
    bool ctl3D = true;
    std::int16_t dragCursor = -12;
    std::uint8_t dragMode = 0;
    std::int16_t cursor = 0;

    bool operator==(const EditorRecord&) const = default;
};

// Header and payload.
std::vector<std::uint8_t> EditorRecordBytes(const EditorRecord& record);
// The payload length a header announces; throws std::runtime_error for a
// header that is not the editor's.
std::uint32_t EditorRecordPayloadSize(std::span<const std::uint8_t> header);
// Throws std::runtime_error for a payload that is cut short. Bytes after the
// fields it knows are left for newer writers.
EditorRecord ParseEditorRecordPayload(std::span<const std::uint8_t> payload);

// --- The fixed block -----------------------------------------------------------

inline constexpr std::size_t kFileNameFieldSize = 260;
inline constexpr std::size_t kPropertyBlockSize = 296;

struct PropertyBlock {
    std::string fileNameField;  // exactly 260 bytes, see FileNameField
    std::int32_t executionMode = 0;
    bool autoSelectStepLine = false;
    bool allowUserBreak = false;
    bool saveBeforeRun = false;
    std::array<std::uint32_t, 7> colors{};  // reserved words first, the seventh last
    bool showConstantsInDump = false;
};

// The stored file name: the name padded with blanks to 260 bytes (a longer
// one cut to its first 260), or 260 blanks when there is no name or no file
// of that name.
std::string FileNameField(const std::string& fileName, bool fileExists);

std::array<std::uint8_t, kPropertyBlockSize> PropertyBlockBytes(const PropertyBlock& block);

// What a stream that may end early gave of the block. A field whose bytes are
// not all there counts as not read; the file name counts as read when any of
// its bytes is there.
struct ReadPropertyBlock {
    std::optional<std::string> fileName;  // blanks around it removed
    std::optional<std::int32_t> executionMode;
    std::optional<bool> autoSelectStepLine;
    std::optional<bool> allowUserBreak;
    std::optional<bool> saveBeforeRun;
    std::array<std::optional<std::uint32_t>, 7> colors;
    std::optional<bool> showConstantsInDump;
};

ReadPropertyBlock ParsePropertyBlock(std::span<const std::uint8_t> bytes);

}  // namespace pevox

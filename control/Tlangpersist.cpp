#include "Tlangpersist.h"

#include "platform/Text.h"

#include <stdexcept>

namespace pevox {

namespace {

constexpr std::uint8_t kEditorMagic[4] = {'T', 'L', 'E', 'D'};
const char* const kReadError = "Stream read error";

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutText(std::vector<std::uint8_t>& out, const std::string& text) {
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

std::uint32_t GetU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

// Reads the payload field by field; a field cut short is a broken record.
class PayloadReader {
public:
    explicit PayloadReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t U8() {
        Need(1);
        return bytes_[at_++];
    }
    bool Flag() { return U8() != 0; }
    std::uint16_t U16() {
        Need(2);
        const auto value = static_cast<std::uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
        at_ += 2;
        return value;
    }
    std::uint32_t U32() {
        Need(4);
        const std::uint32_t value = GetU32(bytes_, at_);
        at_ += 4;
        return value;
    }
    std::string Text() {
        const std::uint32_t size = U32();
        Need(size);
        std::string text(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                         bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + size));
        at_ += size;
        return text;
    }

private:
    void Need(std::size_t size) const {
        if (bytes_.size() - at_ < size) throw std::runtime_error(kReadError);
    }
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

std::uint8_t FontStyleBits(const EditorRecord& record) {
    return static_cast<std::uint8_t>((record.fontBold ? 1 : 0) | (record.fontItalic ? 2 : 0) |
                                     (record.fontUnderline ? 4 : 0) | (record.fontStrikeOut ? 8 : 0));
}

}  // namespace

std::vector<std::uint8_t> EditorRecordBytes(const EditorRecord& record) {
    std::vector<std::uint8_t> payload;
    PutText(payload, record.text);
    PutText(payload, record.fontName);
    PutU32(payload, static_cast<std::uint32_t>(record.fontSizeHundredths));
    payload.push_back(FontStyleBits(record));
    PutU32(payload, record.color);
    payload.push_back(record.scrollBars);
    payload.push_back(record.hideScrollBars);
    payload.push_back(record.hideSelection);
    payload.push_back(record.readOnly);
    payload.push_back(record.wantTabs);
    payload.push_back(record.enabled);
    payload.push_back(record.visible);
    payload.push_back(record.borderStyle);
    PutU32(payload, static_cast<std::uint32_t>(record.borderWidth));
    payload.push_back(record.ctl3D);
    PutU16(payload, static_cast<std::uint16_t>(record.dragCursor));
    payload.push_back(record.dragMode);
    PutU16(payload, static_cast<std::uint16_t>(record.cursor));

    std::vector<std::uint8_t> bytes(std::begin(kEditorMagic), std::end(kEditorMagic));
    PutU32(bytes, static_cast<std::uint32_t>(payload.size()));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

std::uint32_t EditorRecordPayloadSize(std::span<const std::uint8_t> header) {
    if (header.size() < kEditorRecordHeaderSize) throw std::runtime_error(kReadError);
    if (!std::equal(std::begin(kEditorMagic), std::end(kEditorMagic), header.begin()))
        throw std::runtime_error("Invalid stream format");
    return GetU32(header, 4);
}

EditorRecord ParseEditorRecordPayload(std::span<const std::uint8_t> payload) {
    PayloadReader reader(payload);
    EditorRecord record;
    record.text = reader.Text();
    record.fontName = reader.Text();
    record.fontSizeHundredths = static_cast<std::int32_t>(reader.U32());
    const std::uint8_t style = reader.U8();
    record.fontBold = style & 1;
    record.fontItalic = style & 2;
    record.fontUnderline = style & 4;
    record.fontStrikeOut = style & 8;
    record.color = reader.U32();
    record.scrollBars = reader.U8();
    record.hideScrollBars = reader.Flag();
    record.hideSelection = reader.Flag();
    record.readOnly = reader.Flag();
    record.wantTabs = reader.Flag();
    record.enabled = reader.Flag();
    record.visible = reader.Flag();
    record.borderStyle = reader.U8();
    record.borderWidth = static_cast<std::int32_t>(reader.U32());
    record.ctl3D = reader.Flag();
    record.dragCursor = static_cast<std::int16_t>(reader.U16());
    record.dragMode = reader.U8();
    record.cursor = static_cast<std::int16_t>(reader.U16());
    return record;
}

std::string FileNameField(const std::string& fileName, bool fileExists) {
    std::string field = fileName.empty() || !fileExists ? std::string() : fileName.substr(0, kFileNameFieldSize);
    field.resize(kFileNameFieldSize, ' ');
    return field;
}

std::array<std::uint8_t, kPropertyBlockSize> PropertyBlockBytes(const PropertyBlock& block) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kPropertyBlockSize);
    std::string name = block.fileNameField;
    name.resize(kFileNameFieldSize, ' ');
    bytes.insert(bytes.end(), name.begin(), name.end());
    PutU32(bytes, static_cast<std::uint32_t>(block.executionMode));
    bytes.push_back(block.autoSelectStepLine);
    bytes.push_back(block.allowUserBreak);
    bytes.push_back(block.saveBeforeRun);
    for (std::uint32_t color : block.colors) PutU32(bytes, color);
    bytes.push_back(block.showConstantsInDump);
    std::array<std::uint8_t, kPropertyBlockSize> result{};
    std::copy(bytes.begin(), bytes.end(), result.begin());
    return result;
}

ReadPropertyBlock ParsePropertyBlock(std::span<const std::uint8_t> bytes) {
    ReadPropertyBlock block;
    std::size_t at = 0;
    auto has = [&](std::size_t size) { return bytes.size() - at >= size; };
    if (!bytes.empty()) {
        const std::size_t size = std::min(bytes.size(), kFileNameFieldSize);
        block.fileName = platform::Trim(std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size)));
        at = size;
    }
    if (has(4)) {
        block.executionMode = static_cast<std::int32_t>(GetU32(bytes, at));
        at += 4;
    } else {
        return block;
    }
    for (std::optional<bool>* flag : {&block.autoSelectStepLine, &block.allowUserBreak, &block.saveBeforeRun}) {
        if (!has(1)) return block;
        *flag = bytes[at++] != 0;
    }
    for (std::optional<std::uint32_t>& color : block.colors) {
        if (!has(4)) return block;
        color = GetU32(bytes, at);
        at += 4;
    }
    if (has(1)) block.showConstantsInDump = bytes[at] != 0;
    return block;
}

}  // namespace pevox

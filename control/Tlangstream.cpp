// The control's record in its container's stream or storage.
#include "TLangImpl1.h"

#include "Tlangpersist.h"
#include "platform/Files.h"
#include "platform/QtText.h"

#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace pevox {

using platform::S_OK;

namespace {

const char16_t kContentsStream[] = u"Contents";

void WriteBytes(platform::IStream& stream, const std::uint8_t* bytes, std::size_t size) {
    platform::ULONG written = 0;
    const HRESULT hr = stream.Write(bytes, static_cast<platform::ULONG>(size), &written);
    if (platform::FAILED(hr) || written != size) throw std::runtime_error("Stream write error");
}

// Reads up to `size` bytes; fewer only where the stream ends. The buffer
// grows with what arrives, so a size that a damaged header claims (up to
// 4 GiB) costs only the memory of the bytes the stream really holds.
std::vector<std::uint8_t> ReadBytes(platform::IStream& stream, std::size_t size) {
    constexpr std::size_t kChunk = 64 * 1024;
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < size) {
        const std::size_t done = bytes.size();
        const std::size_t wanted = std::min(kChunk, size - done);
        bytes.resize(done + wanted);
        platform::ULONG read = 0;
        const HRESULT hr = stream.Read(bytes.data() + done, static_cast<platform::ULONG>(wanted), &read);
        if (platform::FAILED(hr)) throw std::runtime_error("Stream read error");
        bytes.resize(done + std::min<std::size_t>(read, wanted));
        if (read == 0) break;
    }
    return bytes;
}

}  // namespace

void TTLangImpl::SaveRecord(platform::IStream& stream) {
    TLangEditor& editor = Editor();
    EditorRecord record;
    record.text = editor.TextAnsi();
    const QFont font = editor.font();
    record.fontName = platform::FromQString(font.family());
    record.fontSizeHundredths = static_cast<std::int32_t>(std::lround(font.pointSizeF() * 100));
    record.fontBold = font.bold();
    record.fontItalic = font.italic();
    record.fontUnderline = font.underline();
    record.fontStrikeOut = font.strikeOut();
    record.color = editor.BackgroundColor();
    record.scrollBars = static_cast<std::uint8_t>(editor.ScrollBarsProperty());
    record.hideScrollBars = editor.HideScrollBarsProperty();
    record.hideSelection = editor.HideSelectionProperty();
    record.readOnly = editor.isReadOnly();
    record.wantTabs = !editor.tabChangesFocus();
    record.enabled = editor.isEnabled();
    record.visible = editor.Visible();
    record.borderStyle = static_cast<std::uint8_t>(borderStyle_);
    record.borderWidth = borderWidth_;
    record.ctl3D = ctl3D_;
    record.dragCursor = dragCursor_;
    record.dragMode = static_cast<std::uint8_t>(dragMode_);
    record.cursor = cursor_;
    const std::vector<std::uint8_t> editorBytes = EditorRecordBytes(record);
    WriteBytes(stream, editorBytes.data(), editorBytes.size());

    // The stored name is the name of a file that is there; the control keeps
    // its own name whatever is stored.
    PropertyBlock block;
    block.fileNameField = FileNameField(engine_.m_FileName, platform::FileExists(engine_.m_FileName));
    block.executionMode = engine_.m_ExecutionMode == TxRun ? TxRun : TxStep;
    block.autoSelectStepLine = engine_.m_AutoSelectStepLine;
    block.allowUserBreak = engine_.m_AllowUserBreak;
    block.saveBeforeRun = engine_.m_SaveBeforeRun;
    block.colors = editor.Colors().Slots();
    block.showConstantsInDump = engine_.m_ShowConstantsInDump;
    const auto blockBytes = PropertyBlockBytes(block);
    WriteBytes(stream, blockBytes.data(), blockBytes.size());
}

void TTLangImpl::LoadRecord(platform::IStream& stream) {
    TLangEditor& editor = Editor();
    const std::uint32_t payloadSize = EditorRecordPayloadSize(ReadBytes(stream, kEditorRecordHeaderSize));
    const std::vector<std::uint8_t> payload = ReadBytes(stream, payloadSize);
    if (payload.size() != payloadSize) throw std::runtime_error("Stream read error");
    const EditorRecord record = ParseEditorRecordPayload(payload);

    editor.SetTextAnsi(record.text);
    editor.document()->setModified(false);
    QFont font(platform::ToQString(record.fontName));
    if (record.fontSizeHundredths > 0) font.setPointSizeF(record.fontSizeHundredths / 100.0);
    font.setBold(record.fontBold);
    font.setItalic(record.fontItalic);
    font.setUnderline(record.fontUnderline);
    font.setStrikeOut(record.fontStrikeOut);
    editor.setFont(font);
    editor.SetBackgroundColor(record.color);
    editor.SetScrollBars(record.scrollBars);
    editor.SetHideScrollBars(record.hideScrollBars);
    editor.SetHideSelection(record.hideSelection);
    editor.setReadOnly(record.readOnly);
    editor.setTabChangesFocus(!record.wantTabs);
    editor.setEnabled(record.enabled);
    borderStyle_ = record.borderStyle == bsNone ? bsNone : bsSingle;
    editor.setFrameShape(borderStyle_ == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
    borderWidth_ = std::max(record.borderWidth, 0);
    editor.setContentsMargins(borderWidth_, borderWidth_, borderWidth_, borderWidth_);
    ctl3D_ = record.ctl3D;
    editor.setFrameShadow(ctl3D_ ? QFrame::Sunken : QFrame::Plain);
    dragCursor_ = record.dragCursor;
    dragMode_ = record.dragMode == dmAutomatic ? dmAutomatic : dmManual;
    cursor_ = record.cursor;

    const ReadPropertyBlock block = ParsePropertyBlock(ReadBytes(stream, kPropertyBlockSize));
    if (block.fileName) PutFileName(*block.fileName);
    engine_.m_ExecutionMode = block.executionMode.value_or(TxRun) == TxRun ? TxRun : TxStep;
    engine_.m_AutoSelectStepLine = block.autoSelectStepLine.value_or(false);
    engine_.m_AllowUserBreak = block.allowUserBreak.value_or(true);
    engine_.m_SaveBeforeRun = block.saveBeforeRun.value_or(false);
    auto& colors = editor.Colors().Slots();
    for (std::size_t i = 0; i < colors.size(); ++i)
        if (block.colors[i]) colors[i] = *block.colors[i];
    if (block.showConstantsInDump) engine_.m_ShowConstantsInDump = *block.showConstantsInDump;

    editor.ApplyTextColor();
    engine_.LoadTokenTable();
    editor.SetVisibleProperty(record.visible);
}

HRESULT TTLangImpl::GetClassID(platform::CLSID* clsid) {
    if (!clsid) return platform::E_POINTER;
    *clsid = CLSID_TLang;
    return S_OK;
}

HRESULT TTLangImpl::IsDirty() { return dirty_ ? S_OK : platform::S_FALSE; }

HRESULT TTLangImpl::Load(platform::IStream* stream) {
    if (!stream) return platform::E_POINTER;
    return Guarded(true, [&] {
        LoadRecord(*stream);
        dirty_ = false;
        return S_OK;
    });
}

HRESULT TTLangImpl::Save(platform::IStream* stream, platform::BOOL clearDirty) {
    // Nothing saved is never reported as saved.
    if (!stream) return platform::E_POINTER;
    return Guarded(true, [&] {
        SaveRecord(*stream);
        if (clearDirty) dirty_ = false;
        return S_OK;
    });
}

HRESULT TTLangImpl::GetSizeMax(std::uint64_t* size) {
    if (!size) return platform::E_POINTER;
    return Guarded(false, [&] {
        TLangEditor& editor = Editor();
        // The text, the font name and the fixed parts, with room to spare.
        *size = editor.TextAnsi().size() + static_cast<std::uint64_t>(editor.font().family().size()) * 3 + 1024 +
                kPropertyBlockSize;
        return S_OK;
    });
}

HRESULT TTLangImpl::InitNew() { return S_OK; }

HRESULT TTLangImpl::InitNew(platform::IStorage* storage) { return storage ? S_OK : platform::E_POINTER; }

HRESULT TTLangImpl::Load(platform::IStorage* storage) {
    if (!storage) return platform::E_POINTER;
    platform::ComPtr<platform::IStream> stream;
    if (const HRESULT opened = storage->OpenStream(kContentsStream, stream.Out()); platform::FAILED(opened))
        return opened;
    return Load(stream.Get());
}

HRESULT TTLangImpl::Save(platform::IStorage* storage, platform::BOOL) {
    if (!storage) return platform::E_POINTER;
    platform::ComPtr<platform::IStream> stream;
    HRESULT opened = storage->CreateStream(kContentsStream, stream.Out());
    // A storage saved into before gets its record replaced.
    if (opened == platform::STG_E_FILEALREADYEXISTS) {
        opened = storage->OpenStream(kContentsStream, stream.Out());
        if (platform::SUCCEEDED(opened)) opened = stream->SetSize(0);
    }
    if (platform::FAILED(opened)) return opened;
    return Save(stream.Get(), 1);
}

HRESULT TTLangImpl::SaveCompleted(platform::IStorage*) { return S_OK; }

HRESULT TTLangImpl::HandsOffStorage() { return S_OK; }

}  // namespace pevox

// The control's record in a container's stream: the exact bytes of its fixed
// block, a round trip into a new control, short and broken records.
#include "ControlFixture.h"

#include "Tlangpersist.h"

#include <fstream>

namespace pevox_test {
namespace {

std::uint32_t U32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (bytes[at + 3] << 24));
}

TEST(PropertyBlockTest, ExactLayout) {
    PropertyBlock block;
    block.fileNameField = FileNameField("/s/a.tl", true);
    block.executionMode = TxStep;
    block.autoSelectStepLine = true;
    block.allowUserBreak = false;
    block.saveBeforeRun = true;
    block.colors = {0x11223344, 2, 3, 4, 5, 6, 0x7F000007};
    block.showConstantsInDump = true;
    const auto array = PropertyBlockBytes(block);
    const std::vector<std::uint8_t> bytes(array.begin(), array.end());
    ASSERT_EQ(bytes.size(), 296u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 7), "/s/a.tl");
    EXPECT_EQ(std::string(bytes.begin() + 7, bytes.begin() + 260), std::string(253, ' '));
    EXPECT_EQ(U32At(bytes, 260), 1u);
    EXPECT_EQ(bytes[264], 1);
    EXPECT_EQ(bytes[265], 0);
    EXPECT_EQ(bytes[266], 1);
    EXPECT_EQ(bytes[267], 0x44);  // little-endian
    EXPECT_EQ(U32At(bytes, 267), 0x11223344u);
    for (std::size_t i = 1; i < 6; ++i) EXPECT_EQ(U32At(bytes, 267 + 4 * i), i + 1);
    EXPECT_EQ(U32At(bytes, 291), 0x7F000007u);
    EXPECT_EQ(bytes[295], 1);
}

TEST(PropertyBlockTest, FileNameField) {
    EXPECT_EQ(FileNameField("/no/such/file", false), std::string(260, ' '));
    EXPECT_EQ(FileNameField("", true), std::string(260, ' '));
    const std::string exact(260, 'n');
    EXPECT_EQ(FileNameField(exact, true), exact);
    EXPECT_EQ(FileNameField(exact + "x", true), exact);
}

TEST(PropertyBlockTest, AShortBlockGivesWhatItHas) {
    PropertyBlock block;
    block.fileNameField = FileNameField("name", true);
    block.executionMode = TxStep;
    block.colors = {1, 2, 3, 4, 5, 6, 7};
    const auto full = PropertyBlockBytes(block);
    const std::vector<std::uint8_t> bytes(full.begin(), full.end());
    auto upTo = [&](std::size_t size) {
        return ParsePropertyBlock(std::span<const std::uint8_t>(bytes.data(), size));
    };
    EXPECT_FALSE(upTo(0).fileName.has_value());
    EXPECT_EQ(upTo(3).fileName, "nam");
    const ReadPropertyBlock cutInMode = upTo(262);
    EXPECT_EQ(cutInMode.fileName, "name");
    EXPECT_FALSE(cutInMode.executionMode.has_value());
    const ReadPropertyBlock cutInColours = upTo(277);
    EXPECT_EQ(cutInColours.executionMode, TxStep);
    EXPECT_EQ(cutInColours.saveBeforeRun, false);
    EXPECT_EQ(cutInColours.colors[1], 2u);
    EXPECT_FALSE(cutInColours.colors[2].has_value());
    EXPECT_FALSE(cutInColours.showConstantsInDump.has_value());
    EXPECT_EQ(upTo(296).showConstantsInDump, false);
}

TEST(EditorRecordTest, RoundTripAndBrokenRecords) {
    EditorRecord record;
    record.text = "PRINT 1\r\nPRINT 2";
    record.fontName = "Courier New";
    record.fontSizeHundredths = 1150;
    record.fontItalic = true;
    record.scrollBars = 2;
    record.readOnly = true;
    record.borderWidth = 3;
    record.cursor = -11;
    const std::vector<std::uint8_t> bytes = EditorRecordBytes(record);
    const std::span<const std::uint8_t> all(bytes);
    const std::uint32_t size = EditorRecordPayloadSize(all.first(kEditorRecordHeaderSize));
    ASSERT_EQ(size + kEditorRecordHeaderSize, bytes.size());
    EXPECT_EQ(ParseEditorRecordPayload(all.subspan(kEditorRecordHeaderSize)), record);

    std::vector<std::uint8_t> foreign = bytes;
    foreign[0] = 'X';
    EXPECT_THROW(EditorRecordPayloadSize(std::span<const std::uint8_t>(foreign).first(8)), std::runtime_error);
    EXPECT_THROW(ParseEditorRecordPayload(all.subspan(kEditorRecordHeaderSize, size - 1)), std::runtime_error);
}

// Each style bit comes back as itself: underline and strike-out are not
// taken for one another, nor bold for italic.
TEST(EditorRecordTest, EachFontStyleComesBackAlone) {
    for (int style = 0; style < 16; ++style) {
        EditorRecord record;
        record.fontBold = style & 1;
        record.fontItalic = style & 2;
        record.fontUnderline = style & 4;
        record.fontStrikeOut = style & 8;
        const std::vector<std::uint8_t> bytes = EditorRecordBytes(record);
        const EditorRecord back = ParseEditorRecordPayload(std::span<const std::uint8_t>(bytes).subspan(kEditorRecordHeaderSize));
        EXPECT_EQ(back, record) << style;
    }
}

// A text length that runs past the record is a broken record, not a read
// past its end.
TEST(EditorRecordTest, ATextLongerThanTheRecordIsABrokenRecord) {
    EditorRecord record;
    record.text = "PRINT 1";
    record.fontName = "Mono";
    const std::vector<std::uint8_t> bytes = EditorRecordBytes(record);
    for (const std::uint32_t length : {0x100u, 0x7FFFFFFFu, 0xFFFFFFF0u}) {
        std::vector<std::uint8_t> payload(bytes.begin() + kEditorRecordHeaderSize, bytes.end());
        for (int i = 0; i < 4; ++i) payload[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
        EXPECT_THROW(ParseEditorRecordPayload(payload), std::runtime_error) << length;
        // The font name's length field, after a text that fits.
        std::vector<std::uint8_t> name(bytes.begin() + kEditorRecordHeaderSize, bytes.end());
        for (int i = 0; i < 4; ++i) name[4 + record.text.size() + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
        EXPECT_THROW(ParseEditorRecordPayload(name), std::runtime_error) << length;
    }
}

// A stream that remembers the largest read asked of it: the caller holds a
// buffer of that size.
class ReadWatchingStream final : public ComObject<ReadWatchingStream, ComInterface<IStream, IID_ISequentialStream, IID_IStream>> {
public:
    explicit ReadWatchingStream(std::vector<std::uint8_t> bytes) : inner_(ComPtr<IStream>::Adopt(CreateMemoryStream(std::move(bytes)))) {}
    HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
        largestRead = std::max(largestRead, size);
        return inner_->Read(buffer, size, read);
    }
    HRESULT Write(const void* buffer, ULONG size, ULONG* written) override { return inner_->Write(buffer, size, written); }
    HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* position) override { return inner_->Seek(move, origin, position); }
    HRESULT SetSize(std::uint64_t size) override { return inner_->SetSize(size); }
    HRESULT Commit(DWORD flags) override { return inner_->Commit(flags); }
    HRESULT Stat(STATSTG* stat, DWORD flags) override { return inner_->Stat(stat, flags); }

    ULONG largestRead = 0;

private:
    ComPtr<IStream> inner_;
};

class TLangPersist : public ControlFixture {
protected:
    std::vector<std::uint8_t> Saved(ITLang* from, bool clearDirty = true) {
        ComPtr<IPersistStreamInit> persist;
        EXPECT_EQ(ComPtr<ITLang>(from).As(IID_IPersistStreamInit, persist), S_OK);
        ComPtr<IStream> stream = ComPtr<IStream>::Adopt(CreateMemoryStream());
        EXPECT_EQ(persist->Save(stream.Get(), clearDirty), S_OK);
        std::vector<std::uint8_t> bytes;
        ReadWholeStream(stream.Get(), bytes);
        return bytes;
    }
    ComPtr<ITLang> NewControl() {
        ComPtr<ITLang> other;
        EXPECT_EQ(CreateTLangControl(nullptr, IID_ITLang, other.OutVoid()), S_OK);
        return other;
    }
    HRESULT LoadInto(ITLang* into, std::vector<std::uint8_t> bytes) {
        ComPtr<IPersistStreamInit> persist;
        EXPECT_EQ(ComPtr<ITLang>(into).As(IID_IPersistStreamInit, persist), S_OK);
        ComPtr<IStream> stream = ComPtr<IStream>::Adopt(CreateMemoryStream(std::move(bytes)));
        return persist->Load(stream.Get());
    }
    static std::string FileNameOf(ITLang* of) {
        UniqueBstr name;
        of->get_FileName(name.Out());
        return name.Ansi();
    }
    static VARIANT_BOOL Flag(ITLang* of, HRESULT (ITLang::*get)(VARIANT_BOOL*)) {
        VARIANT_BOOL value = 1;
        EXPECT_EQ((of->*get)(&value), S_OK);
        return value;
    }
};

TEST_F(TLangPersist, SaveAndLoadCarryEveryProperty) {
    const std::string script = tempDir + "/script.tl";
    std::ofstream(script) << "PRINT 1\n";
    ASSERT_EQ(control->put_FileName(Bstr(script).Get()), S_OK);
    control->put_ExecutionMode(TxStep);
    control->put_AutoSelectStepLine(VARIANT_TRUE);
    control->put_AllowUserBreak(VARIANT_FALSE);
    control->put_SaveBeforeRun(VARIANT_TRUE);
    control->put_ShowConstantsInDump(VARIANT_TRUE);
    for (int index = 0; index <= 6; ++index)
        control->put_SyntaxColors(static_cast<TxSyntaxColors>(index), 0x100000 + index);
    control->put_ReadOnly(VARIANT_TRUE);
    SetText("print len(\"abc\")");

    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(control.As(IID_IPersistStreamInit, persist), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    const std::vector<std::uint8_t> bytes = Saved(control.Get());
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    ASSERT_GE(bytes.size(), 296u);
    const std::vector<std::uint8_t> block(bytes.end() - 296, bytes.end());
    EXPECT_EQ(std::string(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(script.size())), script);
    EXPECT_EQ(block[script.size()], ' ');
    EXPECT_EQ(U32At(block, 260), 1u);
    EXPECT_EQ((std::vector<std::uint8_t>(block.begin() + 264, block.begin() + 267)), (std::vector<std::uint8_t>{1, 0, 1}));
    // Stored order: reserved words, symbols, strings, numbers, comments, operators, the seventh.
    const std::uint32_t stored[] = {0x100000, 0x100003, 0x100001, 0x100002, 0x100004, 0x100005, 0x100006};
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(U32At(block, 267 + 4 * i), stored[i]) << i;
    EXPECT_EQ(block[295], 1);

    ComPtr<ITLang> other = NewControl();
    ASSERT_EQ(LoadInto(other.Get(), bytes), S_OK);
    EXPECT_EQ(FileNameOf(other.Get()), script);
    TxExecutionModes mode = TxRun;
    other->get_ExecutionMode(&mode);
    EXPECT_EQ(mode, TxStep);
    EXPECT_EQ(Flag(other.Get(), &ITLang::get_AutoSelectStepLine), VARIANT_TRUE);
    EXPECT_EQ(Flag(other.Get(), &ITLang::get_AllowUserBreak), VARIANT_FALSE);
    EXPECT_EQ(Flag(other.Get(), &ITLang::get_SaveBeforeRun), VARIANT_TRUE);
    EXPECT_EQ(Flag(other.Get(), &ITLang::get_ShowConstantsInDump), VARIANT_TRUE);
    EXPECT_EQ(Flag(other.Get(), &ITLang::get_ReadOnly), VARIANT_TRUE);
    for (int index = 0; index <= 6; ++index) {
        std::int32_t color = 0;
        other->get_SyntaxColors(static_cast<TxSyntaxColors>(index), &color);
        EXPECT_EQ(color, 0x100000 + index);
    }
    UniqueBstr text;
    other->get_Text(text.Out());
    EXPECT_EQ(text.Ansi(), "print len(\"abc\")");
    // The editor's text colour is that of reserved words.
    QWidget* widget = nullptr;
    ComPtr<IWidgetControl> widgetControl;
    other.As(IID_IWidgetControl, widgetControl);
    widgetControl->GetWidget(&widget);
    EXPECT_EQ(widget->palette().color(QPalette::Text), QColor(0, 0, 0x10));
}

TEST_F(TLangPersist, AFileNameWithoutAFileIsStoredAsBlanks) {
    const std::string missing = tempDir + "/not-yet-saved.tl";
    control->put_FileName(Bstr(missing).Get());
    const std::vector<std::uint8_t> bytes = Saved(control.Get());
    EXPECT_EQ(std::string(bytes.end() - 296, bytes.end() - 36), std::string(260, ' '));
    // The control keeps its own name: saving it into a container renames nothing.
    EXPECT_EQ(FileNameOf(control.Get()), missing);
    EXPECT_EQ(notify->log, (std::vector<std::string>{"request 55", "changed 55"}));
}

TEST_F(TLangPersist, ARecordThatEndsAfterTheEditorTakesDefaults) {
    std::vector<std::uint8_t> bytes = Saved(control.Get());
    bytes.resize(bytes.size() - 296);
    ComPtr<ITLang> other = NewControl();
    other->put_FileName(Bstr("kept.tl").Get());
    other->put_ExecutionMode(TxStep);
    other->put_AutoSelectStepLine(VARIANT_TRUE);
    other->put_SaveBeforeRun(VARIANT_TRUE);
    ASSERT_EQ(LoadInto(other.Get(), bytes), S_OK);
    EXPECT_EQ(FileNameOf(other.Get()), "kept.tl");
    TxExecutionModes mode = TxStep;
    other->get_ExecutionMode(&mode);
    EXPECT_EQ(mode, TxRun);
    EXPECT_EQ(Flag(other.Get(), &ITLang::get_AutoSelectStepLine), VARIANT_FALSE);
    EXPECT_EQ(Flag(other.Get(), &ITLang::get_AllowUserBreak), VARIANT_TRUE);
    EXPECT_EQ(Flag(other.Get(), &ITLang::get_SaveBeforeRun), VARIANT_FALSE);
}

TEST_F(TLangPersist, BrokenRecordsAndMissingStreamsFail) {
    EXPECT_EQ(LoadInto(control.Get(), {'n', 'o', 'p', 'e', 0, 0, 0, 0}), DISP_E_EXCEPTION);
    EXPECT_EQ(LastError(), "Invalid stream format");
    EXPECT_EQ(LoadInto(control.Get(), {}), DISP_E_EXCEPTION);
    EXPECT_EQ(LastError(), "Stream read error");

    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(control.As(IID_IPersistStreamInit, persist), S_OK);
    control->put_AllowUserBreak(VARIANT_TRUE);
    // Nothing saved is never reported as saved.
    EXPECT_EQ(persist->Save(nullptr, 1), E_POINTER);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    EXPECT_EQ(persist->Load(nullptr), E_POINTER);
    CLSID clsid{};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TLang);
}

// A header that claims a payload of 1 GiB or 4 GiB in front of a few bytes
// costs no such memory: the load fails as soon as the stream ends.
TEST_F(TLangPersist, ALoadNeverReadsMoreThanTheStreamHolds) {
    for (const std::uint32_t claimed : {0x40000000u, 0xFFFFFFFFu}) {
        std::vector<std::uint8_t> bytes{'T', 'L', 'E', 'D'};
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(claimed >> (8 * i)));
        bytes.resize(bytes.size() + 100, 0);
        auto* raw = new ReadWatchingStream(bytes);
        ComPtr<IStream> stream = ComPtr<IStream>::Adopt(raw);
        ComPtr<IPersistStreamInit> persist;
        ASSERT_EQ(control.As(IID_IPersistStreamInit, persist), S_OK);
        EXPECT_EQ(persist->Load(stream.Get()), DISP_E_EXCEPTION);
        EXPECT_EQ(LastError(), "Stream read error");
        EXPECT_LE(raw->largestRead, 1u << 20) << claimed;
    }
}

TEST_F(TLangPersist, StorageKeepsTheRecordInContents) {
    control->put_ExecutionMode(TxStep);
    ComPtr<IPersistStorage> persist;
    ASSERT_EQ(control.As(IID_IPersistStorage, persist), S_OK);
    ComPtr<IStorage> storage = ComPtr<IStorage>::Adopt(CreateMemoryStorage());
    EXPECT_EQ(persist->Save(storage.Get(), 1), S_OK);
    control->put_ExecutionMode(TxRun);
    EXPECT_EQ(persist->Save(storage.Get(), 1), S_OK);  // a second save replaces the record
    ComPtr<IStream> contents;
    ASSERT_EQ(storage->OpenStream(u"Contents", contents.Out()), S_OK);
    std::vector<std::uint8_t> bytes;
    ReadWholeStream(contents.Get(), bytes);
    EXPECT_EQ(bytes, Saved(control.Get()));

    ComPtr<ITLang> other = NewControl();
    other->put_ExecutionMode(TxStep);
    ComPtr<IPersistStorage> otherPersist;
    ASSERT_EQ(other.As(IID_IPersistStorage, otherPersist), S_OK);
    EXPECT_EQ(otherPersist->Load(storage.Get()), S_OK);
    TxExecutionModes mode = TxStep;
    other->get_ExecutionMode(&mode);
    EXPECT_EQ(mode, TxRun);
}

}  // namespace
}  // namespace pevox_test

#include "Qormfunctions.h"

#include "Binaryfilefunctions.h"
#include "Globalinfo.h"
#include "Hexeditfrm.h"
#include "Mainfrm.h"
#include "Runpace.h"
#include "Scriptoutfrm.h"
#include "Searchpages.h"

#include "platform/Dialogs.h"
#include "platform/Numbers.h"
#include "platform/Text.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr auto TxNone = ScriptControlApi::TxNone;
constexpr auto TxNumber = ScriptControlApi::TxNumber;
constexpr auto TxString = ScriptControlApi::TxString;

// The number cut toward zero when that is a 32-bit integer.
std::optional<std::int32_t> Whole(double value) {
    const double cut = std::trunc(value);
    if (!(cut >= std::numeric_limits<std::int32_t>::min() && cut <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(cut);
}

// A position or distance cut toward zero and held at the bounds of 32 bits;
// the window then clamps it into its file. Nothing for a number that is none.
std::optional<std::int32_t> WholePosition(double value) {
    if (std::isnan(value)) return std::nullopt;
    return static_cast<std::int32_t>(std::clamp(std::trunc(value), double{std::numeric_limits<std::int32_t>::min()},
                                                double{std::numeric_limits<std::int32_t>::max()}));
}

// The piece size of SplitFile as an unsigned 32-bit number: a negative size
// wraps round (-1 is the largest size, one piece for any file), a size beyond
// 32 bits is the largest size too. Nothing for a number that is none or
// lies below every 32-bit integer.
std::optional<std::uint32_t> PieceSize(double value) {
    if (std::isnan(value)) return std::nullopt;
    const double cut = std::trunc(value);
    if (cut >= 4294967296.0) return std::numeric_limits<std::uint32_t>::max();
    if (cut >= 0) return static_cast<std::uint32_t>(cut);
    const std::optional<std::int32_t> negative = Whole(cut);
    if (!negative) return std::nullopt;
    return static_cast<std::uint32_t>(*negative);
}

TSearchSession& Session(TFrmHexEdit& window) { return window.SearchPages->Session(); }

// A number written at the position must fit in the file before its end.
bool Fits(const TFrmHexEdit& window, int width) {
    return window.IsWorkingCopyOpen() && std::int64_t{window.Position()} + width <= window.FileSize();
}

// The 8 current bytes, changed in the value object, go back to the file.
int StoreCurrentBytes(TFrmHexEdit& window) {
    window.WriteCurrentBytes();
    window.RefreshView();
    return 1;
}

int WriteInteger(TFrmHexEdit& window, long double value, long double lowest, long double highest, int width) {
    if (!(value >= lowest && value <= highest) || !Fits(window, width)) return 0;
    const auto whole = static_cast<std::int64_t>(std::trunc(value));
    SetIntegerElement(window.Conversions, 0, width, static_cast<std::uint64_t>(whole));
    return StoreCurrentBytes(window);
}

int WriteSingle(TFrmHexEdit& window, long double value) {
    const long double limit = std::numeric_limits<float>::max();
    if (!(std::fabs(value) <= limit) || !Fits(window, 4)) return 0;
    SetFloatValue(window.Conversions, static_cast<float>(value), 0);
    return StoreCurrentBytes(window);
}

int WriteDouble(TFrmHexEdit& window, long double value) {
    const long double limit = std::numeric_limits<double>::max();
    if (!(std::fabs(value) <= limit) || !Fits(window, 8)) return 0;
    SetDoubleValue(window.Conversions, static_cast<double>(value));
    return StoreCurrentBytes(window);
}

// The text's bytes, or its UTF-16 code units, at the position; the window
// cuts them at the end of the file.
int WriteText(TFrmHexEdit& window, const std::string& text, bool wide) {
    if (text.empty() || window.FileSize() == 0) return 0;
    const bool written =
        wide ? !window.WriteWideString(platform::Cp1252ToUtf16(text)).empty() : !window.WriteString(text).empty();
    return written ? 1 : 0;
}

// Qt ends only a message loop that runs. A script started from the command
// line runs before the program's loop has started, so the quit waits for it.
void QuitOnceTheLoopRuns() {
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
    else
        QTimer::singleShot(0, QCoreApplication::instance(), &QuitOnceTheLoopRuns);
}

}  // namespace

const std::array<TScriptFunction, 37> ScriptFunctions = {{
    {"Bye", 0, 1, TxNone, 0},
    {"Close", 1, 3, TxNumber, 0},
    {"Cls", 0, 2, TxNone, 0},
    {"ConcatFile", 2, 4, TxString, 2},
    {"Copy", 2, 5, TxNumber, 2},
    {"Delete", 2, 6, TxNumber, 1},
    {"DiffSearchResult", 1, 7, TxNumber, 0},
    {"GetFileLength", 1, 10, TxNumber, 0},
    {"GetFileName", 1, 9, TxString, 0},
    {"GetNumber", 2, 11, TxNumber, 1},
    {"GetPosition", 1, 8, TxNumber, 0},
    {"GetString", 2, 12, TxString, 1},
    {"GetTimeStamp", 2, 13, TxNumber, 2},
    {"HideChannel", 1, 14, TxNumber, 1},
    {"InputBox", 3, 15, TxString, 3},
    {"Insert", 2, 16, TxNumber, 1},
    {"Jump", 2, 17, TxNumber, 1},
    {"JumpRel", 2, 18, TxNumber, 1},
    {"LoadSearchResult", 2, 19, TxNumber, 1},
    {"MatchSearchResult", 1, 20, TxNumber, 0},
    {"MergeSearchResult", 1, 21, TxNumber, 0},
    {"MsgBox", 3, 22, TxNumber, 3},
    {"NotePad", 1, 23, TxNone, 1},
    {"OpenForEdit", 2, 24, TxNumber, 1},
    {"PickFile", 0, 25, TxString, 0},
    {"ResizeFile", 2, 26, TxNumber, 1},
    {"SaveAs", 2, 28, TxNumber, 1},
    {"SaveChanges", 1, 27, TxNumber, 0},
    {"SaveSearchResult", 2, 29, TxNumber, 1},
    {"SearchCount", 1, 30, TxNumber, 0},
    {"SearchFirst", 3, 31, TxNumber, 2},
    {"SearchNext", 1, 32, TxNumber, 0},
    {"SetSearchOption", 3, 34, TxNumber, 2},
    {"SetTimeStamp", 3, 35, TxNumber, 3},
    {"SetValue", 3, 36, TxNumber, 2},
    {"ShowChannel", 1, 33, TxNumber, 1},
    {"SplitFile", 2, 37, TxNumber, 2},
}};

const std::array<TScriptConstant, 13> ScriptConstants = {{
    {"TYPE_BYTE", TYPE_BYTE},
    {"TYPE_SHORT", TYPE_SHORT},
    {"TYPE_USHORT", TYPE_USHORT},
    {"TYPE_LONG", TYPE_LONG},
    {"TYPE_ULONG", TYPE_ULONG},
    {"TYPE_FLOAT", TYPE_FLOAT},
    {"TYPE_DOUBLE", TYPE_DOUBLE},
    {"TYPE_INT64", TYPE_INT64},
    {"TYPE_STRING", TYPE_STRING},
    {"TYPE_WIDESTRING", TYPE_WIDESTRING},
    {"TS_CREATE", TS_CREATE},
    {"TS_LASTACCESS", TS_LASTACCESS},
    {"TS_MODIFY", TS_MODIFY},
}};

void RegisterScriptFunctions(ScriptControlApi& control) {
    for (const TScriptFunction& function : ScriptFunctions)
        control.AddFunction(function.Keyword, function.ParamCount, function.Ordinal, function.ReturnType,
                            function.MinParams);
    for (const TScriptConstant& constant : ScriptConstants) control.AddVariable(constant.Name, TxNumber, true);
}

void SetScriptConstants(ScriptControlApi& control) {
    for (const TScriptConstant& constant : ScriptConstants) control.SetNVariable(constant.Name, constant.Value);
}

int CloseChannelFromScript(TFrmMain& main, std::int32_t channel) {
    TFrmHexEdit* window = main.ChannelWindow(channel);
    if (!window) return 0;
    main.ChildWindowClosed(window);
    return 1;
}

TScriptHostHooks ProgramScriptHostHooks() {
    TScriptHostHooks hooks;
    hooks.ProcessMessages = [] { QCoreApplication::processEvents(); };
    hooks.MessagesDue = [pace = TRunPace()]() mutable { return pace.Due(); };
    hooks.ClearOutput = [] {
        if (auto* output = qobject_cast<TFrmScriptOut*>(FrmScriptOut)) output->BtnClearClick();
    };
    hooks.QuitApplication = &QuitOnceTheLoopRuns;
    return hooks;
}

int SetValueWorker(TFrmHexEdit& window, double type, const std::string& text) {
    const std::optional<std::int32_t> code = Whole(type);
    if (!code) return 0;
    // Only the exact string codes skip the number: 0.5 takes the string path
    // below, but only with a text that reads as a number.
    long double value = 0;
    const bool stringType = type == double{TYPE_STRING} || type == double{TYPE_WIDESTRING};
    if (!stringType && !platform::ParseFloat(text, value)) return 0;
    switch (*code) {
    case TYPE_STRING: return WriteText(window, text, false);
    case TYPE_WIDESTRING: return WriteText(window, text, true);
    case TYPE_BYTE: return WriteInteger(window, value, 0, 255, 1);
    case TYPE_SHORT: return WriteInteger(window, value, -32768, 32767, 2);
    case TYPE_USHORT: return WriteInteger(window, value, 0, 65535, 2);
    case TYPE_LONG: return WriteInteger(window, value, -2147483648.0L, 2147483647.0L, 4);
    case TYPE_ULONG: return WriteInteger(window, value, 0, 4294967295.0L, 4);
    case TYPE_INT64:
        return WriteInteger(window, value, -9223372036854775808.0L, 9223372036854775807.0L, 8);
    case TYPE_FLOAT: return WriteSingle(window, value);
    case TYPE_DOUBLE: return WriteDouble(window, value);
    default: return 0;
    }
}

std::optional<int> SearchTypeItem(std::int32_t typeCode) {
    const auto code = static_cast<std::uint8_t>(typeCode);
    if (code >= 128) return -1;
    switch (code) {
    case TYPE_FLOAT:
    case TYPE_DOUBLE: return std::nullopt;
    case TYPE_USHORT: return stWord;
    case TYPE_ULONG: return stDWord;
    default: return std::min<int>(code, stQWord);
    }
}

TQormFunctions::TQormFunctions(ScriptControlApi& control, TFrmMain& main, TScriptHostHooks hooks)
    : control_(control), main_(main), hooks_(std::move(hooks)) {}

void TQormFunctions::UserFunction(int ordinal, int) {
    Call(ordinal);
    if (hooks_.ProcessMessages && (!hooks_.MessagesDue || hooks_.MessagesDue())) hooks_.ProcessMessages();
}

void TQormFunctions::Call(int ordinal) {
    switch (ordinal) {
    case 1: Bye(); break;
    case 2: Cls(); break;
    case 3: Close(); break;
    case 4: ConcatFile(); break;
    case 5: Copy(); break;
    case 6: Delete(); break;
    case 7: SearchResultOperation([](TFrmHexEdit& window) { Session(window).Diff(); }); break;
    case 8: GetPosition(); break;
    case 9: GetFileName(); break;
    case 10: GetFileLength(); break;
    case 11: GetNumber(); break;
    case 12: GetString(); break;
    case 13: GetTimeStamp(); break;
    case 14: SetChannelShown(false); break;
    case 15: InputBox(); break;
    case 16: Insert(); break;
    case 17: Jump(false); break;
    case 18: Jump(true); break;
    case 19: LoadSearchResult(); break;
    case 20: SearchResultOperation([](TFrmHexEdit& window) { Session(window).Match(); }); break;
    case 21: SearchResultOperation([](TFrmHexEdit& window) { Session(window).Merge(); }); break;
    case 22: MsgBox(); break;
    case 23: NotePad(); break;
    case 24: OpenForEdit(); break;
    case 25: PickFile(); break;
    case 26: ResizeFile(); break;
    case 27: SaveChanges(); break;
    case 28: SaveAs(); break;
    case 29: SaveSearchResult(); break;
    case 30: SearchCount(); break;
    case 31: SearchFirst(); break;
    case 32: SearchNext(); break;
    case 33: SetChannelShown(true); break;
    case 34: SetSearchOption(); break;
    case 35: SetTimeStamp(); break;
    case 36: SetValue(); break;
    case 37: SplitFile(); break;
    default: break;
    }
}

TFrmHexEdit* TQormFunctions::ChannelAt(int position) {
    const double value = control_.GetNParam(position);
    const std::optional<std::int32_t> channel = value < 0 ? std::optional<std::int32_t>(0) : Whole(value);
    return channel ? main_.ChannelWindow(*channel) : nullptr;
}

void TQormFunctions::Bye() {
    control_.Terminate();
    if (hooks_.ProcessMessages) hooks_.ProcessMessages();
    if (hooks_.QuitApplication) hooks_.QuitApplication();
}

void TQormFunctions::Cls() {
    if (hooks_.ClearOutput) hooks_.ClearOutput();
}

// A close that the window refused (a save the user asked for failed) is no success.
void TQormFunctions::Close() {
    control_.UserNReturn(0);
    TFrmHexEdit* window = ChannelAt(1);
    if (!window) return;
    const std::int32_t channel = window->Channel();
    CloseChannelFromScript(main_, channel);
    control_.UserNReturn(main_.IsChannelOpen(channel) ? 0 : 1);
}

void TQormFunctions::ConcatFile() {
    const std::string target = control_.GetSParam(1);
    const std::string source = control_.GetSParam(2);
    control_.UserSReturn(ConcatFiles(target, source));
}

void TQormFunctions::Copy() {
    const std::string source = control_.GetSParam(1);
    const std::string target = control_.GetSParam(2);
    control_.UserNReturn(CopyToNewFile(source, target) ? 1 : 0);
}

// 1 only for a rebuild that happened and left bytes in the file.
void TQormFunctions::Delete() {
    control_.UserNReturn(0);
    const std::optional<std::int32_t> count = Whole(control_.GetNParam(1));
    TFrmHexEdit* window = ChannelAt(2);
    if (!window || !count || *count < 1) return;
    const bool deleted = window->DeleteBytes(*count);
    control_.UserNReturn(deleted && window->FileSize() > 0 ? 1 : 0);
}

void TQormFunctions::Insert() {
    control_.UserNReturn(0);
    const std::optional<std::int32_t> count = Whole(control_.GetNParam(1));
    TFrmHexEdit* window = ChannelAt(2);
    if (!window || !count || *count < 1) return;
    const bool inserted = window->InsertBytes(*count);
    control_.UserNReturn(inserted && window->FileSize() > 0 ? 1 : 0);
}

void TQormFunctions::SearchResultOperation(void (*operation)(TFrmHexEdit&)) {
    control_.UserNReturn(0);
    TFrmHexEdit* window = ChannelAt(1);
    if (!window) return;
    operation(*window);
    control_.UserNReturn(Session(*window).Lists.Current.IsEmpty() ? 0 : 1);
}

void TQormFunctions::GetPosition() {
    TFrmHexEdit* window = ChannelAt(1);
    control_.UserNReturn(window ? window->Position() + 1 : 0);
}

void TQormFunctions::GetFileName() {
    TFrmHexEdit* window = ChannelAt(1);
    control_.UserSReturn(window ? window->DataPath() : std::string());
}

void TQormFunctions::GetFileLength() {
    TFrmHexEdit* window = ChannelAt(1);
    control_.UserNReturn(window ? window->FileSize() : 0);
}

// The type code counts as an 8-bit code: 257 reads a byte.
void TQormFunctions::GetNumber() {
    const std::optional<std::int32_t> type = Whole(control_.GetNParam(1));
    TFrmHexEdit* window = ChannelAt(2);
    control_.UserNReturn(window && type ? window->ReadValue(static_cast<std::int8_t>(*type)) : 0);
}

void TQormFunctions::GetString() {
    control_.UserSReturn("");
    const double length = control_.GetNParam(1);
    TFrmHexEdit* window = ChannelAt(2);
    if (!window || !(length > 0)) return;
    control_.UserSReturn(window->ReadString(WholePosition(length).value_or(0)));
}

void TQormFunctions::GetTimeStamp() {
    const std::string file = control_.GetSParam(1);
    const int selector = Whole(control_.GetNParam(2)).value_or(0);
    control_.UserNReturn(::GetTimeStamp(file, selector, fileStamp_));
}

void TQormFunctions::SetChannelShown(bool shown) {
    control_.UserNReturn(0);
    TFrmHexEdit* window = ChannelAt(1);
    if (!window) return;
    if (shown)
        window->showNormal();
    else
        window->showMinimized();
    control_.UserNReturn(1);
}

void TQormFunctions::InputBox() {
    const std::string prompt = control_.GetSParam(1);
    const std::string caption = control_.GetSParam(2);
    const std::string initial = control_.GetSParam(3);
    control_.UserSReturn(ScriptInputBox(prompt, caption, initial));
}

// Scripts count positions from 1. The result tells whether the window now
// stands after its first byte, so a jump to position 1 gives 0.
void TQormFunctions::Jump(bool relative) {
    control_.UserNReturn(0);
    const double argument = control_.GetNParam(1);
    TFrmHexEdit* window = ChannelAt(2);
    if (!window) return;
    const double wanted = relative ? window->Position() + argument : std::trunc(argument) - 1;
    const std::optional<std::int32_t> position = WholePosition(wanted);
    if (!position) return;
    window->SetPosition(*position);
    control_.UserNReturn(window->Position() > 0 ? 1 : 0);
}

void TQormFunctions::LoadSearchResult() {
    control_.UserNReturn(0);
    const std::string file = control_.GetSParam(1);
    TFrmHexEdit* window = ChannelAt(2);
    if (window) control_.UserNReturn(Session(*window).LoadResults(file) ? 1 : 0);
}

void TQormFunctions::MsgBox() {
    const std::string text = control_.GetSParam(1);
    const std::optional<std::int32_t> style = Whole(control_.GetNParam(2));
    const std::string caption = control_.GetSParam(3);
    control_.UserNReturn(style ? ScriptMessageBox(text, *style, caption) : 0);
}

// Registered without a result, so the script sees no value; it is set all the same.
void TQormFunctions::NotePad() { control_.UserNReturn(OpenInTextEditor(control_.GetSParam(1)) ? 1 : 0); }

void TQormFunctions::OpenForEdit() {
    const std::string file = control_.GetSParam(1);
    const double value = control_.GetNParam(2);
    const std::optional<std::int32_t> channel = value < 0 ? std::optional<std::int32_t>(0) : Whole(value);
    control_.UserNReturn(channel ? main_.OpenInChannel(*channel, file) : 0);
}

void TQormFunctions::PickFile() {
    platform::FileDialogRequest request;
    request.title = "Select a file to open";
    request.filter = "All Files (*.*)|*.*";
    request.initialDir = GlobalInfo().AppDir;
    request.mustExist = true;
    control_.UserSReturn(platform::CurrentDialogs().OpenFileName(request).value_or(""));
}

// A size below one byte once cut is refused, as 0 itself is.
void TQormFunctions::ResizeFile() {
    control_.UserNReturn(0);
    const double size = control_.GetNParam(1);
    TFrmHexEdit* window = ChannelAt(2);
    const std::optional<std::int32_t> bytes = size > 0 ? Whole(size) : std::nullopt;
    if (!window || !bytes || *bytes < 1) return;
    control_.UserNReturn(window->SetFileSize(*bytes));
}

void TQormFunctions::SaveChanges() {
    TFrmHexEdit* window = ChannelAt(1);
    control_.UserNReturn(window && window->SaveFile("") ? 1 : 0);
}

// The number tells whether the save happened; the text is the file the
// channel edits afterwards.
void TQormFunctions::SaveAs() {
    const std::string file = control_.GetSParam(1);
    TFrmHexEdit* window = ChannelAt(2);
    if (!window) {
        control_.UserNReturn(0);
        control_.UserSReturn("");
        return;
    }
    control_.UserNReturn(window->SaveFile(file) ? 1 : 0);
    control_.UserSReturn(window->DataPath());
}

void TQormFunctions::SaveSearchResult() {
    const std::string file = control_.GetSParam(1);
    TFrmHexEdit* window = ChannelAt(2);
    control_.UserNReturn(window && Session(*window).SaveResults(file) ? 1 : 0);
}

void TQormFunctions::SearchCount() {
    TFrmHexEdit* window = ChannelAt(1);
    control_.UserNReturn(window ? Session(*window).Lists.Current.EntryCount() : 0);
}

void TQormFunctions::SearchFirst() {
    const std::string value = control_.GetSParam(1);
    const std::optional<std::int32_t> type = Whole(control_.GetNParam(2));
    TFrmHexEdit* window = ChannelAt(3);
    if (!window || !type) {
        control_.UserNReturn(-1);
        return;
    }
    TSearchSession& session = Session(*window);
    session.SetSearchValue(value);
    if (const std::optional<int> item = SearchTypeItem(*type)) session.SetSearchType(*item);
    control_.UserNReturn(session.FirstSearchHit(GlobalInfo().ScriptRunning != 0));
}

void TQormFunctions::SearchNext() {
    TFrmHexEdit* window = ChannelAt(1);
    control_.UserNReturn(window ? Session(*window).NextSearchHit() : 0);
}

void TQormFunctions::SetSearchOption() {
    control_.UserNReturn(0);
    const std::string option = control_.GetSParam(1);
    const std::string value = control_.GetSParam(2);
    TFrmHexEdit* window = ChannelAt(3);
    if (window) control_.UserNReturn(Session(*window).ApplySearchOption(option, value) ? 1 : 0);
}

void TQormFunctions::SetTimeStamp() {
    const std::string file = control_.GetSParam(1);
    const double dateTime = control_.GetNParam(2);
    const int selector = Whole(control_.GetNParam(3)).value_or(0);
    control_.UserNReturn(::SetTimeStamp(file, dateTime, selector, fileStamp_) ? 1 : 0);
}

void TQormFunctions::SetValue() {
    const double type = control_.GetNParam(1);
    const std::string text = control_.GetSParam(2);
    TFrmHexEdit* window = ChannelAt(3);
    control_.UserNReturn(window ? SetValueWorker(*window, type, text) : 0);
}

void TQormFunctions::SplitFile() {
    const std::string file = control_.GetSParam(1);
    const std::optional<std::uint32_t> size = PieceSize(control_.GetNParam(2));
    control_.UserNReturn(size ? SplitIntoPieces(file, *size) : 0);
}

// The control's properties: those of its editor box, its own, the file and
// text commands and the line queries.
#include "TLangImpl1.h"

#include "About1.h"
#include "Tlangprepass.h"
#include "platform/Files.h"
#include "platform/QtText.h"
#include "platform/Text.h"

#include <QCursor>
#include <QTextDocument>

#include <thread>

namespace pevox {

using platform::S_FALSE;
using platform::S_OK;

namespace {

VARIANT_BOOL AsVariantBool(bool value) { return value ? platform::VARIANT_TRUE : platform::VARIANT_FALSE; }

// The cursor shapes of the classic cursor numbers.
Qt::CursorShape CursorShapeOf(std::int16_t cursor) {
    switch (cursor) {
    case -1: return Qt::BlankCursor;
    case -2: return Qt::ArrowCursor;
    case -3: return Qt::CrossCursor;
    case -7: return Qt::SizeVerCursor;
    case -9: return Qt::SizeHorCursor;
    case -11: return Qt::WaitCursor;
    case -18: return Qt::ForbiddenCursor;
    case -19: return Qt::BusyCursor;
    case -20: return Qt::WhatsThisCursor;
    case -21: return Qt::PointingHandCursor;
    case -22: return Qt::SizeAllCursor;
    default: return Qt::IBeamCursor;
    }
}

platform::FontDescription DescriptionOf(const QFont& font) {
    platform::FontDescription description;
    description.name = font.family().toStdU16String();
    description.size = font.pointSizeF();
    description.bold = font.bold();
    description.italic = font.italic();
    description.underline = font.underline();
    description.strikethrough = font.strikeOut();
    return description;
}

QFont FontOf(const platform::FontDescription& description) {
    QFont font(QString::fromStdU16String(description.name));
    if (description.size > 0) font.setPointSizeF(description.size);
    font.setBold(description.bold);
    font.setItalic(description.italic);
    font.setUnderline(description.underline);
    font.setStrikeOut(description.strikethrough);
    return font;
}

}  // namespace

HRESULT TTLangImpl::Result(const HostResult& result) {
    switch (result.status) {
    case HostResult::Done: return S_OK;
    case HostResult::Declined: return S_FALSE;
    default: return TLangError(result.message);
    }
}

// --- Editor properties ------------------------------------------------------------

HRESULT TTLangImpl::get_BorderStyle(TxFormBorderStyle* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = borderStyle_;
    return S_OK;
}

HRESULT TTLangImpl::put_BorderStyle(TxFormBorderStyle Value) {
    return Guarded(true, [&] {
        borderStyle_ = Value == bsNone ? bsNone : bsSingle;
        Editor().setFrameShape(borderStyle_ == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
        dirty_ = true;
        return S_OK;
    });
}

HRESULT TTLangImpl::get_BorderWidth(std::int32_t* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = borderWidth_;
    return S_OK;
}

HRESULT TTLangImpl::put_BorderWidth(std::int32_t Value) {
    return Guarded(true, [&] {
        borderWidth_ = std::max(Value, 0);
        Editor().setContentsMargins(borderWidth_, borderWidth_, borderWidth_, borderWidth_);
        dirty_ = true;
        return S_OK;
    });
}

HRESULT TTLangImpl::get_Color(OLE_COLOR* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = Editor().BackgroundColor();
        return S_OK;
    });
}

HRESULT TTLangImpl::put_Color(OLE_COLOR Value) {
    return Guarded(true, [&] {
        Editor().SetBackgroundColor(Value);
        dirty_ = true;
        return S_OK;
    });
}

HRESULT TTLangImpl::get_Ctl3D(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = AsVariantBool(ctl3D_);
    return S_OK;
}

HRESULT TTLangImpl::put_Ctl3D(VARIANT_BOOL Value) {
    return NotifyingPut(TLangDispid::Ctl3D, [&] {
        ctl3D_ = Value != 0;
        Editor().setFrameShadow(ctl3D_ ? QFrame::Sunken : QFrame::Plain);
    });
}

HRESULT TTLangImpl::get_DragCursor(std::int16_t* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = dragCursor_;
    return S_OK;
}

HRESULT TTLangImpl::put_DragCursor(std::int16_t Value) {
    return NotifyingPut(TLangDispid::DragCursor, [&] { dragCursor_ = Value; });
}

HRESULT TTLangImpl::get_DragMode(TxDragMode* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = dragMode_;
    return S_OK;
}

HRESULT TTLangImpl::put_DragMode(TxDragMode Value) {
    return NotifyingPut(TLangDispid::DragMode, [&] { dragMode_ = Value == dmAutomatic ? dmAutomatic : dmManual; });
}

HRESULT TTLangImpl::get_Enabled(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = AsVariantBool(Editor().isEnabled());
        return S_OK;
    });
}

HRESULT TTLangImpl::put_Enabled(VARIANT_BOOL Value) {
    return NotifyingPut(TLangDispid::Enabled, [&] { Editor().setEnabled(Value != 0); });
}

HRESULT TTLangImpl::get_Font(IFontDisp** Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = platform::CreateFontDisp(DescriptionOf(Editor().font()));
        return *Value ? S_OK : platform::E_OUTOFMEMORY;
    });
}

HRESULT TTLangImpl::put_Font(IFontDisp* Value) {
    if (!Value) return platform::E_POINTER;
    platform::FontDescription description;
    if (const HRESULT read = platform::ReadFontDisp(Value, description); platform::FAILED(read)) return read;
    return NotifyingPut(TLangDispid::Font, [&] { Editor().setFont(FontOf(description)); });
}

HRESULT TTLangImpl::putref_Font(IFontDisp** Value) {
    if (!Value) return platform::E_POINTER;
    return put_Font(*Value);
}

HRESULT TTLangImpl::get_HideSelection(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = AsVariantBool(Editor().HideSelectionProperty());
        return S_OK;
    });
}

HRESULT TTLangImpl::put_HideSelection(VARIANT_BOOL Value) {
    return NotifyingPut(TLangDispid::HideSelection, [&] { Editor().SetHideSelection(Value != 0); });
}

HRESULT TTLangImpl::get_HideScrollBars(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = AsVariantBool(Editor().HideScrollBarsProperty());
        return S_OK;
    });
}

HRESULT TTLangImpl::put_HideScrollBars(VARIANT_BOOL Value) {
    return NotifyingPut(TLangDispid::HideScrollBars, [&] { Editor().SetHideScrollBars(Value != 0); });
}

HRESULT TTLangImpl::get_ReadOnly(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = AsVariantBool(Editor().isReadOnly());
        return S_OK;
    });
}

HRESULT TTLangImpl::put_ReadOnly(VARIANT_BOOL Value) {
    return NotifyingPut(TLangDispid::ReadOnly, [&] { Editor().setReadOnly(Value != 0); });
}

HRESULT TTLangImpl::get_ScrollBars(TxScrollStyle* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = static_cast<TxScrollStyle>(Editor().ScrollBarsProperty());
        return S_OK;
    });
}

HRESULT TTLangImpl::put_ScrollBars(TxScrollStyle Value) {
    return NotifyingPut(TLangDispid::ScrollBars, [&] { Editor().SetScrollBars(Value); });
}

HRESULT TTLangImpl::get_Visible(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = AsVariantBool(Editor().Visible());
        return S_OK;
    });
}

HRESULT TTLangImpl::put_Visible(VARIANT_BOOL Value) {
    return NotifyingPut(TLangDispid::Visible, [&] { Editor().SetVisibleProperty(Value != 0); });
}

HRESULT TTLangImpl::get_WantTabs(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = AsVariantBool(!Editor().tabChangesFocus());
        return S_OK;
    });
}

HRESULT TTLangImpl::put_WantTabs(VARIANT_BOOL Value) {
    return NotifyingPut(TLangDispid::WantTabs, [&] { Editor().setTabChangesFocus(Value == 0); });
}

HRESULT TTLangImpl::get_Modified(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = AsVariantBool(Editor().document()->isModified());
        return S_OK;
    });
}

HRESULT TTLangImpl::put_Modified(VARIANT_BOOL Value) {
    return NotifyingPut(TLangDispid::Modified, [&] { Editor().document()->setModified(Value != 0); });
}

HRESULT TTLangImpl::get_SelLength(std::int32_t* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = Editor().SelLength();
        return S_OK;
    });
}

HRESULT TTLangImpl::put_SelLength(std::int32_t Value) {
    return NotifyingPut(TLangDispid::SelLength, [&] { Editor().SetSelLength(Value); });
}

HRESULT TTLangImpl::get_SelStart(std::int32_t* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = Editor().SelStart();
        return S_OK;
    });
}

HRESULT TTLangImpl::put_SelStart(std::int32_t Value) {
    return NotifyingPut(TLangDispid::SelStart, [&] { Editor().SetSelStart(Value); });
}

HRESULT TTLangImpl::get_SelText(BSTR* Value) {
    return Guarded(true, [&] { return ReturnString(Value, Editor().SelTextAnsi()); });
}

HRESULT TTLangImpl::put_SelText(BSTR Value) {
    return NotifyingPut(TLangDispid::SelText, [&] { Editor().SetSelTextAnsi(platform::BstrToAnsi(Value)); });
}

HRESULT TTLangImpl::get_Text(BSTR* Value) {
    return Guarded(true, [&] { return ReturnString(Value, Editor().TextAnsi()); });
}

HRESULT TTLangImpl::put_Text(BSTR Value) {
    return NotifyingPut(TLangDispid::Text, [&] { Editor().SetTextAnsi(platform::BstrToAnsi(Value)); });
}

HRESULT TTLangImpl::get_Cursor(std::int16_t* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = cursor_;
    return S_OK;
}

HRESULT TTLangImpl::put_Cursor(std::int16_t Value) {
    return NotifyingPut(TLangDispid::Cursor, [&] {
        cursor_ = Value;
        Editor().viewport()->setCursor(CursorShapeOf(Value));
    });
}

// --- Commands and queries ------------------------------------------------------------

HRESULT TTLangImpl::Clear() {
    return Guarded(true, [&] {
        engine_.m_FileName.clear();
        Editor().SetTextAnsi(std::string());
        return S_OK;
    });
}

HRESULT TTLangImpl::Print(BSTR Caption) {
    return Guarded(true, [&] {
        CurrentScriptPrinter().Print(platform::BstrToAnsi(Caption), *Editor().document());
        return S_OK;
    });
}

HRESULT TTLangImpl::PutFileName(const std::string& name) {
    return NotifyingPut(TLangDispid::FileName, [&] { engine_.m_FileName = platform::Trim(name); });
}

HRESULT TTLangImpl::get_FileName(BSTR* Value) {
    return ReturnString(Value, engine_.m_FileName.empty() ? std::string(" ") : engine_.m_FileName);
}

HRESULT TTLangImpl::put_FileName(BSTR Value) { return PutFileName(platform::BstrToAnsi(Value)); }

void TTLangImpl::LoadScript(const std::string& name) {
    Editor().LoadScriptLines(ReadLinesFile(name));
}

HRESULT TTLangImpl::LoadFromFile(BSTR FileName) {
    return Guarded(true, [&]() -> HRESULT {
        std::string name = platform::Trim(platform::BstrToAnsi(FileName));
        std::this_thread::yield();
        const bool named = !name.empty();
        if (!named) name = engine_.m_FileName;
        // A name is taken only for a file that is there: the script in the
        // editor is never put under the name of one that is not.
        if (name.empty() || !platform::FileExists(name)) return TLangError("File: " + name + " not found");
        LoadScript(name);
        if (named) PutFileName(name);
        return S_OK;
    });
}

HRESULT TTLangImpl::SaveToFile(BSTR FileName) {
    return Guarded(true, [&] {
        std::string name = platform::Trim(platform::BstrToAnsi(FileName));
        if (!name.empty())
            engine_.m_FileName = name;
        else
            name = engine_.m_FileName;
        if (name.empty()) return S_OK;
        WriteLinesFile(name, Editor().TrimmedLines());
        LoadScript(name);
        return S_OK;
    });
}

HRESULT TTLangImpl::get_CursorLine(std::int32_t* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = Editor().CursorLine();
        return S_OK;
    });
}

HRESULT TTLangImpl::get_CursorCol(std::int32_t* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = Editor().CursorCol();
        return S_OK;
    });
}

HRESULT TTLangImpl::get_LineLength(std::int32_t LineNo, std::int32_t* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = Editor().LineLengthOf(LineNo);
        return S_OK;
    });
}

HRESULT TTLangImpl::get_LastLine(std::int32_t* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(true, [&] {
        *Value = Editor().LastLine();
        return S_OK;
    });
}

HRESULT TTLangImpl::get_TextLine(std::int32_t LineNo, BSTR* Value) {
    return Guarded(true, [&] { return ReturnString(Value, Editor().TextLine(LineNo)); });
}

HRESULT TTLangImpl::get_Empty(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    return Guarded(false, [&] {
        *Value = AsVariantBool(Editor().IsEmpty());
        return S_OK;
    });
}

// --- Own properties ---------------------------------------------------------------------

HRESULT TTLangImpl::get_AutoSelectStepLine(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = AsVariantBool(engine_.m_AutoSelectStepLine);
    return S_OK;
}

HRESULT TTLangImpl::put_AutoSelectStepLine(VARIANT_BOOL Value) {
    engine_.m_AutoSelectStepLine = Value != 0;
    dirty_ = true;
    return S_OK;
}

HRESULT TTLangImpl::get_ExecutionMode(TxExecutionModes* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = engine_.m_ExecutionMode == TxRun ? TxRun : TxStep;
    return S_OK;
}

HRESULT TTLangImpl::put_ExecutionMode(TxExecutionModes Value) {
    engine_.m_ExecutionMode = Value == TxRun ? TxRun : TxStep;
    dirty_ = true;
    return S_OK;
}

HRESULT TTLangImpl::get_AllowUserBreak(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = AsVariantBool(engine_.m_AllowUserBreak);
    return S_OK;
}

HRESULT TTLangImpl::put_AllowUserBreak(VARIANT_BOOL Value) {
    engine_.m_AllowUserBreak = Value != 0;
    dirty_ = true;
    return S_OK;
}

HRESULT TTLangImpl::get_SaveBeforeRun(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = AsVariantBool(engine_.m_SaveBeforeRun);
    return S_OK;
}

HRESULT TTLangImpl::put_SaveBeforeRun(VARIANT_BOOL Value) {
    engine_.m_SaveBeforeRun = Value != 0;
    dirty_ = true;
    return S_OK;
}

HRESULT TTLangImpl::get_ShowConstantsInDump(VARIANT_BOOL* Value) {
    if (!Value) return platform::E_POINTER;
    *Value = AsVariantBool(engine_.m_ShowConstantsInDump);
    return S_OK;
}

HRESULT TTLangImpl::put_ShowConstantsInDump(VARIANT_BOOL Value) {
    engine_.m_ShowConstantsInDump = Value != 0;
    dirty_ = true;
    return S_OK;
}

HRESULT TTLangImpl::get_SyntaxColors(TxSyntaxColors WhichColor, std::int32_t* Value) {
    if (!Value) return platform::E_POINTER;
    // A negative index names no colour.
    if (WhichColor < 0) return platform::E_INVALIDARG;
    return Guarded(true, [&] {
        *Value = static_cast<std::int32_t>(Editor().Colors().ByIndex(WhichColor));
        return S_OK;
    });
}

HRESULT TTLangImpl::put_SyntaxColors(TxSyntaxColors WhichColor, std::int32_t Value) {
    if (WhichColor < 0) return platform::E_INVALIDARG;
    return Guarded(true, [&] {
        TLangEditor& editor = Editor();
        editor.Colors().SetByIndex(WhichColor, static_cast<std::uint32_t>(Value));
        if (WhichColor == ColorReserved) editor.ApplyTextColor();
        dirty_ = true;
        return S_OK;
    });
}

HRESULT TTLangImpl::AboutBox() {
    return Guarded(false, [&] {
        ShowTLangAbout(editor_.data());
        return S_OK;
    });
}

}  // namespace pevox

// What a container asks of a control beyond automation: its class
// information, its property pages, its font, and its widget.
#pragma once

#include "platform/ComAutomation.h"

#include <string>

class QWidget;

namespace platform {

struct IProvideClassInfo : IUnknown {
    virtual HRESULT GetClassInfo(ITypeInfo** info) = 0;
};

inline constexpr DWORD GUIDKIND_DEFAULT_SOURCE_DISP_IID = 1;

struct IProvideClassInfo2 : IProvideClassInfo {
    virtual HRESULT GetGUID(DWORD kind, GUID* guid) = 0;
};

// A counted array of identifiers, allocated with CoTaskMemAlloc; the caller frees pElems.
struct CAUUID {
    ULONG cElems;
    GUID* pElems;
};

struct ISpecifyPropertyPages : IUnknown {
    virtual HRESULT GetPages(CAUUID* pages) = 0;
};

// A font reached by automation: Name (DISPID 0), Size (2), Bold (3),
// Italic (4), Underline (5), Strikethrough (6).
struct IFontDisp : IDispatch {};

inline constexpr DISPID DISPID_FONT_NAME = 0;
inline constexpr DISPID DISPID_FONT_SIZE = 2;
inline constexpr DISPID DISPID_FONT_BOLD = 3;
inline constexpr DISPID DISPID_FONT_ITALIC = 4;
inline constexpr DISPID DISPID_FONT_UNDER = 5;
inline constexpr DISPID DISPID_FONT_STRIKE = 6;

struct FontDescription {
    std::u16string name;
    double size = 0;  // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    bool operator==(const FontDescription&) const = default;
};
// A font object holding `font`, whose properties can be read and changed by
// automation. The caller owns the one reference.
IFontDisp* CreateFontDisp(const FontDescription& font);
// Reads the six properties of any font object through IDispatch.
HRESULT ReadFontDisp(IFontDisp* fontDisp, FontDescription& font);

// Stock dispatch identifiers of control properties and methods.
inline constexpr DISPID DISPID_BACKCOLOR = -501;
inline constexpr DISPID DISPID_FONT = -512;
inline constexpr DISPID DISPID_ENABLED = -514;
inline constexpr DISPID DISPID_TEXT = -517;
inline constexpr DISPID DISPID_ABOUTBOX = -552;

// Hands a control's widget to its container, which parents, sizes and shows
// it. The widget stays the control's: it lives as long as the control does
// unless the container deletes its own widgets first.
struct IWidgetControl : IUnknown {
    virtual HRESULT GetWidget(QWidget** widget) = 0;
};

// Property pages: a page edits properties of the objects a property frame
// hands it, inside a widget of the frame's. The page tells its site when the
// user has changed something (PROPPAGESTATUS_DIRTY) and writes the changes
// to the objects on Apply.
inline constexpr DWORD PROPPAGESTATUS_DIRTY = 0x1;
inline constexpr DWORD PROPPAGESTATUS_VALIDATE = 0x2;
inline constexpr DWORD PROPPAGESTATUS_CLEAN = 0x4;

struct IPropertyPageSite : IUnknown {
    virtual HRESULT OnStatusChange(DWORD flags) = 0;
};

// The page's caption and size; the caller frees the strings.
struct PROPPAGEINFO {
    BSTR title;
    std::int32_t width;
    std::int32_t height;
    BSTR docString;
};

inline constexpr UINT SW_HIDE = 0;
inline constexpr UINT SW_SHOW = 5;

struct IPropertyPage : IUnknown {
    virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;  // null: the frame lets go
    // Creates the page's widget inside `parent` at the given place, hidden until Show.
    virtual HRESULT Activate(QWidget* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                             std::int32_t height, BOOL modal) = 0;
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
    virtual HRESULT SetObjects(ULONG count, IUnknown** objects) = 0;
    virtual HRESULT Show(UINT command) = 0;
    virtual HRESULT Move(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) = 0;
    virtual HRESULT IsPageDirty() = 0;  // S_OK when dirty, S_FALSE when not
    virtual HRESULT Apply() = 0;
    virtual HRESULT Help(const OLECHAR* helpDir) = 0;
};

inline constexpr IID IID_IPropertyPageSite{0xB196B28C, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IPropertyPage{0xB196B28D, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IProvideClassInfo{0xB196B283, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IProvideClassInfo2{0xA6BC3AC0, 0xDBAA, 0x11CE, {0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
inline constexpr IID IID_ISpecifyPropertyPages{0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IFontDisp{0xBEF6E003, 0xA874, 0x101A, {0x8B, 0xBA, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
// This layer's own interface.
inline constexpr IID IID_IWidgetControl{0x5E0B7A3C, 0x91D4, 0x4F62, {0xA8, 0x1E, 0x3B, 0x6C, 0x27, 0xD0, 0x94, 0x5F}};

}  // namespace platform

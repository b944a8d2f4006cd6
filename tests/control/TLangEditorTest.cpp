// The script editor: colouring and re-spacing of a line, the editor's
// notifications and keys, line queries, file commands and the editor
// properties a container may refuse.
#include "ControlFixture.h"

#include "About1.h"
#include "Tlangcolor.h"
#include "Tlangplain.h"

#include "InterruptedWrite.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace pevox_test {
namespace {

// --- Colouring of one line, without the editor ---------------------------------

class ColorLineTextTest : public ::testing::Test {
protected:
    RecordingEvents events;
    LinesEditorView view;
    TLangEngine engine{events, view};

    // The rewritten line, and the colour of each piece as "text:class".
    std::pair<std::string, std::vector<std::string>> Color(const std::string& line) {
        const ColoredLine colored = ColorLineText(engine, line);
        std::vector<std::string> pieces;
        static const char* const kNames[] = {"R", "S", "N", "Y", "C", "O"};
        for (const ColoredPiece& piece : colored.pieces) {
            std::string text = colored.text.substr(static_cast<std::size_t>(piece.start),
                                                   static_cast<std::size_t>(piece.length));
            while (!text.empty() && text.back() == ' ') text.pop_back();
            pieces.push_back(text + ":" + kNames[static_cast<int>(piece.color)]);
        }
        return {colored.text, pieces};
    }
};

TEST_F(ColorLineTextTest, RewritesAndColoursALine) {
    ASSERT_TRUE(engine.AddVariable("Count", TxNumber).Succeeded());
    ASSERT_TRUE(engine.AddFunction("MyFn", 1, 1, TxNumber).Succeeded());
    const std::pair<const char*, const char*> cases[] = {
        {"print  x,\"a\"", "Print x, \"a\""},
        {"a=-1", "a = -1"},
        {"b=a-1", "b = a - 1"},
        {"f (1)", "f( 1 )"},
        {"len (s)", "Len( s )"},
        {"x = ! y % 2 & z", "x = Not y Mod 2 And z"},
        {"? x", "Print x"},
        {"x=1 'a  b", "x = 1 'a  b"},
        {"rem print  this", "Rem print this"},
        {"count = MYFN(1)", "Count = MyFn( 1 )"},
        {"if a<>b then", "If a <> b Then"},
        // The rewrite keeps what the line means.
        {"y = x&&z||w", "y = x And z Or w"},
        {"a - -1", "a - -1"},
        {"x = - -1", "x = - -1"},
        {"x = - --y", "x = - -- y"},
        {"i++", "i++"},
        {"   ", "   "},
    };
    for (const auto& [typed, expected] : cases) EXPECT_EQ(Color(typed).first, expected) << typed;

    const auto [text, pieces] = Color("print  x,\"a\" ' note");
    EXPECT_EQ(text, "Print x, \"a\" ' note");
    EXPECT_EQ(pieces, (std::vector<std::string>{"Print:R", "x:Y", ",:O", "\"a\":S", "' note:C"}));
    EXPECT_EQ(Color("n = 12 + (3)").second,
              (std::vector<std::string>{"n:Y", "=:O", "12:N", "+:O", "(:O", "3:N", "):O"}));
    EXPECT_EQ(Color("rem a + 1").second, (std::vector<std::string>{"Rem:C", "a:C", "+:C", "1:C"}));

    // Leading tabs stay and are not coloured.
    const ColoredLine tabbed = ColorLineText(engine, "\t\tx=1");
    EXPECT_EQ(tabbed.text, "\t\tx = 1");
    EXPECT_EQ(tabbed.prefixLength, 2);
    EXPECT_EQ(tabbed.pieces.front().start, 2);
}

TEST(SyntaxColorSetTest, IndexesReachTheStoredColours) {
    SyntaxColorSet colors;
    for (int index = 0; index <= 6; ++index) EXPECT_TRUE(colors.SetByIndex(index, 100u + static_cast<unsigned>(index)));
    // Stored: reserved, symbol, string, number, comment, operator, seventh.
    EXPECT_EQ(colors.Slots(), (std::array<std::uint32_t, 7>{100, 103, 101, 102, 104, 105, 106}));
    EXPECT_EQ(colors.ByIndex(9), 106u);
    EXPECT_TRUE(colors.SetByIndex(9, 7));
    EXPECT_EQ(colors.ByIndex(6), 7u);
    EXPECT_FALSE(colors.SetByIndex(-1, 1));
    EXPECT_EQ(colors.Of(ColorClass::Symbol), 103u);
}

// --- The editor in the control ---------------------------------------------------

class TLangEditorTest : public ControlFixture {
protected:
    void SetUp() override {
        ControlFixture::SetUp();
        // Distinct colours, so that each class shows.
        for (int index = 0; index <= 5; ++index)
            control->put_SyntaxColors(static_cast<TxSyntaxColors>(index), 0x010101 * (index + 1));
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = QString()) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QCoreApplication::sendEvent(&Editor(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QCoreApplication::sendEvent(&Editor(), &release);
    }
    void Type(const std::string& text) {
        for (char c : text) {
            const QChar character = QLatin1Char(c);
            Key(character.toUpper().unicode(), Qt::NoModifier, QString(character));
        }
    }
    // The colour of the character at a position of the editor's text.
    std::uint32_t ColorAt(int position) {
        QTextCursor cursor(Editor().document());
        cursor.setPosition(position + 1);
        const QColor color = cursor.charFormat().foreground().color();
        return static_cast<std::uint32_t>(color.red() | (color.green() << 8) | (color.blue() << 16));
    }
    std::int32_t Long(HRESULT (ITLang::*get)(std::int32_t*)) {
        std::int32_t value = -1;
        EXPECT_EQ((control.Get()->*get)(&value), S_OK);
        return value;
    }
    std::string FileName() {
        UniqueBstr name;
        EXPECT_EQ(control->get_FileName(name.Out()), S_OK);
        return name.Ansi();
    }
    static std::string FileText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(TLangEditorTest, ALineIsColouredWhenTheCaretLeavesIt) {
    SetText("\nnext");
    Type("print  x,\"a\"");
    EXPECT_EQ(Text(), "print  x,\"a\"\r\nnext");  // not while the caret is on it
    log.clear();
    Key(Qt::Key_Down);
    EXPECT_EQ(Text(), "Print x, \"a\"\r\nnext");
    EXPECT_EQ(ColorAt(0), 0x010101u);  // Print: reserved words
    EXPECT_EQ(ColorAt(6), 0x040404u);  // x: symbols
    EXPECT_EQ(ColorAt(7), 0x060606u);  // the comma: operators
    EXPECT_EQ(ColorAt(9), 0x020202u);  // the literal: strings
    EXPECT_EQ(Events("SelectionChange").size(), 1u);
    EXPECT_EQ(Long(&ITLang::get_CursorLine), 2);
}

TEST_F(TLangEditorTest, TheCursorIsTheStartOfTheSelection) {
    SetText("first\nsecond line");
    // From line 1, column 2 to line 2, column 5, made forwards and backwards.
    const std::pair<int, int> ends[] = {{1, 10}, {10, 1}};
    for (const auto& [anchor, caret] : ends) {
        QTextCursor cursor(Editor().document());
        cursor.setPosition(anchor);
        cursor.setPosition(caret, QTextCursor::KeepAnchor);
        Editor().setTextCursor(cursor);
        EXPECT_EQ(Long(&ITLang::get_CursorLine), 1) << "caret at " << caret;
        EXPECT_EQ(Long(&ITLang::get_CursorCol), 2) << "caret at " << caret;
    }
}

TEST_F(TLangEditorTest, ASelectionFromTheEditedLineLeavesItUncoloured) {
    SetText("\nnext");
    Type("print  x");
    Key(Qt::Key_Down, Qt::ShiftModifier);  // the selection still starts on the edited line
    EXPECT_EQ(Text(), "print  x\r\nnext");
    EXPECT_EQ(Long(&ITLang::get_CursorLine), 1);
    control->put_SelStart(10);  // the caret alone on the next line
    EXPECT_EQ(Text(), "Print x\r\nnext");
    EXPECT_EQ(Long(&ITLang::get_CursorLine), 2);
}

TEST_F(TLangEditorTest, TheCaretKeepsItsCharacter) {
    SetText("\t\tx = 1\nlast");
    control->put_SelStart(9);  // on "last", behind the line to colour
    Editor().ColorLine(0);
    EXPECT_EQ(Text(), "\t\tx = 1\r\nlast");
    EXPECT_EQ(Long(&ITLang::get_SelStart), 9);
    // A line before the caret that gets shorter moves the caret with its text.
    SetText("a  =  1\nlast");
    control->put_SelStart(10);
    Editor().ColorLine(0);
    EXPECT_EQ(Text(), "a = 1\r\nlast");
    EXPECT_EQ(Long(&ITLang::get_SelStart), 8);
    // A line after the caret leaves it where it is.
    SetText("x\na  =  1");
    control->put_SelStart(1);
    Editor().ColorLine(1);
    EXPECT_EQ(Long(&ITLang::get_SelStart), 1);
}

TEST_F(TLangEditorTest, LineQueries) {
    SetText("first\nsecond line\n\xE9t\xE9");
    EXPECT_EQ(Long(&ITLang::get_LastLine), 3);
    std::int32_t length = -1;
    const std::pair<int, int> lengths[] = {{0, 0}, {1, 5}, {2, 11}, {3, 3}, {4, 0}, {-2, 0}};
    for (const auto& [line, expected] : lengths) {
        EXPECT_EQ(control->get_LineLength(line, &length), S_OK);
        EXPECT_EQ(length, expected) << line;
    }
    UniqueBstr text;
    EXPECT_EQ(control->get_TextLine(0, text.Out()), S_OK);
    EXPECT_EQ(text.Ansi(), "");
    EXPECT_EQ(control->get_TextLine(3, text.Out()), S_OK);
    EXPECT_EQ(text.Ansi(), "\xE9t\xE9");
    control->put_SelStart(9);
    EXPECT_EQ(Long(&ITLang::get_CursorLine), 2);
    EXPECT_EQ(Long(&ITLang::get_CursorCol), 4);

    VARIANT_BOOL empty = 0;
    const std::pair<const char*, VARIANT_BOOL> texts[] = {{"", VARIANT_TRUE}, {" ", VARIANT_FALSE}, {"\n", VARIANT_FALSE}};
    for (const auto& [value, expected] : texts) {
        SetText(value);
        EXPECT_EQ(control->get_Empty(&empty), S_OK);
        EXPECT_EQ(empty, expected) << value;
    }
    SetText("a\n");
    EXPECT_EQ(Long(&ITLang::get_LastLine), 1);  // a final line break adds no line
}

TEST_F(TLangEditorTest, PutsAskTheContainerFirst) {
    EXPECT_EQ(FileName(), " ");
    EXPECT_EQ(control->put_FileName(Bstr("  a.txt  ").Get()), S_OK);
    EXPECT_EQ(FileName(), "a.txt");
    EXPECT_EQ(notify->log, (std::vector<std::string>{"request 55", "changed 55"}));

    SetText("kept");
    notify->log.clear();
    notify->refuse = {TLangDispid::Text, TLangDispid::FileName};
    EXPECT_EQ(control->put_Text(Bstr("lost").Get()), S_FALSE);
    EXPECT_EQ(control->put_FileName(Bstr("b.txt").Get()), S_FALSE);
    EXPECT_EQ(Text(), "kept");
    EXPECT_EQ(FileName(), "a.txt");
    EXPECT_EQ(notify->log, (std::vector<std::string>{"request -517", "request 55"}));

    // The border and the colour are not asked for.
    notify->log.clear();
    EXPECT_EQ(control->put_BorderStyle(bsNone), S_OK);
    EXPECT_EQ(control->put_Color(0x00FFEEDD), S_OK);
    EXPECT_EQ(control->put_ReadOnly(VARIANT_TRUE), S_OK);
    EXPECT_EQ(notify->log, (std::vector<std::string>{"request 16", "changed 16"}));
    OLE_COLOR color = 0;
    EXPECT_EQ(control->get_Color(&color), S_OK);
    EXPECT_EQ(color, 0x00FFEEDDu);
    VARIANT_BOOL readOnly = 0;
    EXPECT_EQ(control->get_ReadOnly(&readOnly), S_OK);
    EXPECT_EQ(readOnly, VARIANT_TRUE);
}

TEST_F(TLangEditorTest, OwnPropertiesAndColours) {
    EXPECT_EQ(control->put_ExecutionMode(static_cast<TxExecutionModes>(5)), S_OK);
    TxExecutionModes mode = TxRun;
    EXPECT_EQ(control->get_ExecutionMode(&mode), S_OK);
    EXPECT_EQ(mode, TxStep);

    std::int32_t color = 0;
    EXPECT_EQ(control->put_SyntaxColors(static_cast<TxSyntaxColors>(9), 0x123456), S_OK);
    EXPECT_EQ(control->get_SyntaxColors(static_cast<TxSyntaxColors>(6), &color), S_OK);
    EXPECT_EQ(color, 0x123456);
    EXPECT_EQ(control->get_SyntaxColors(static_cast<TxSyntaxColors>(-1), &color), E_INVALIDARG);
    EXPECT_EQ(control->put_SyntaxColors(ColorReserved, 0x0000FF), S_OK);
    EXPECT_EQ(Editor().palette().color(QPalette::Text), QColor(255, 0, 0));
}

TEST_F(TLangEditorTest, LoadAndSaveScripts) {
    SetText("kept");
    const std::string missing = tempDir + "/missing.tl";
    EXPECT_EQ(control->LoadFromFile(Bstr(missing).Get()), DISP_E_EXCEPTION);
    EXPECT_EQ(LastError(), "File: " + missing + " not found");
    EXPECT_EQ(Text(), "kept");
    EXPECT_EQ(FileName(), " ");  // a name is taken only for a file that is there

    // Nothing to save to: nothing is saved.
    EXPECT_EQ(control->SaveToFile(Bstr("  ").Get()), S_OK);
    EXPECT_TRUE(std::filesystem::is_empty(tempDir));

    const std::string script = tempDir + "/s.tl";
    std::ofstream(script, std::ios::binary) << "print  1\r\nx=2\n";
    EXPECT_EQ(control->LoadFromFile(Bstr(" " + script + " ").Get()), S_OK);
    EXPECT_EQ(Text(), "Print 1\r\nx = 2");
    EXPECT_EQ(FileName(), script);
    EXPECT_EQ(Long(&ITLang::get_SelStart), 0);
    VARIANT_BOOL modified = VARIANT_TRUE;
    control->get_Modified(&modified);
    EXPECT_EQ(modified, VARIANT_FALSE);

    SetText("\n  print 2  \n\n");
    EXPECT_EQ(control->SaveToFile(nullptr), S_OK);
    EXPECT_EQ(FileText(script), "print 2\r\n");
    EXPECT_EQ(Text(), "Print 2");
    const std::string other = tempDir + "/other.tl";
    EXPECT_EQ(control->SaveToFile(Bstr(other).Get()), S_OK);
    EXPECT_EQ(FileName(), other);
    EXPECT_EQ(FileText(other), "Print 2\r\n");

    // A save that cannot be written fails and leaves the file as it was.
    std::filesystem::permissions(tempDir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool writable = std::ofstream(tempDir + "/probe").good();
    if (!writable) {
        SetText("changed");
        EXPECT_EQ(control->SaveToFile(nullptr), DISP_E_EXCEPTION);
        EXPECT_EQ(FileText(other), "Print 2\r\n");
    }
    std::filesystem::permissions(tempDir, std::filesystem::perms::owner_all);

    EXPECT_EQ(control->Clear(), S_OK);
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(FileName(), " ");
}

// Every byte of a string or a comment survives loading, colouring and
// saving; the names of scripts are bytes too, whatever they hold.
TEST_F(TLangEditorTest, ScriptsKeepEveryByteOfTheirTextAndOfTheirNames) {
    std::string literal, comment;
    for (int b = 0; b < 256; ++b) {
        if (b == '\r' || b == '\n') continue;
        comment += static_cast<char>(b);
        if (b != '"') literal += static_cast<char>(b);
    }
    const std::string text = "S = \"" + literal + "\"\r\n'" + comment + "\r\nPrint S\r\n";
    const char* const names[] = {"plain.tl", "donn\xC3\xA9" "es \xC3\xA9t\xC3\xA9.tl", "\xE4\xB8\xAD\xE6\x96\x87.tl",
                                 "with space.tl", "bad\xFF.tl"};
    const std::string first = tempDir + "/first.tl";
    std::ofstream(first, std::ios::binary) << text;
    ASSERT_EQ(control->LoadFromFile(Bstr(first).Get()), S_OK);
    for (const char* name : names) {
        const std::string path = tempDir + "/" + name;
        ASSERT_EQ(control->SaveToFile(Bstr(path).Get()), S_OK) << name;
        EXPECT_EQ(FileName(), path) << name;
        EXPECT_EQ(FileText(path), text) << name;
        // Each line coloured once more on the way back in.
        ASSERT_EQ(control->LoadFromFile(Bstr(path).Get()), S_OK) << name;
        for (int line = 0; line < 3; ++line) Editor().ColorLine(line);
        EXPECT_EQ(Text() + "\r\n", text) << name;
    }
}

// A character the code page of scripts lacks never enters the editor, be it
// typed, pasted or composed: the text stays as it was and the user reads why.
TEST_F(TLangEditorTest, ACharacterOutsideTheCodePageIsRefusedWithItsReason) {
    SetText("x = 1");
    control->put_SelStart(5);
    struct Case {
        const char* what;
        std::function<void()> enter;
        QString reason;
    };
    const Case cases[] = {
        {"typed", [&] { Key(Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("\u03A9")); },
         QString::fromUtf8("Not typed: \"\u03A9\" (U+03A9) is not in Windows-1252, the code page of scripts.")},
        {"typed outside the 16-bit plane", [&] { Key(Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("\U0001F600")); },
         QString::fromUtf8("Not typed: \"\U0001F600\" (U+1F600) is not in Windows-1252, the code page of scripts.")},
        {"pasted",
         [&] {
             QApplication::clipboard()->setText(QString::fromUtf8("a\u00E9\u4E2D\u6587b"));
             Editor().paste();
         },
         QString::fromUtf8("Nothing was pasted: \"\u4E2D\" (U+4E2D) is not in Windows-1252, the code page of scripts.")},
        {"composed",
         [&] {
             QInputMethodEvent composed;
             composed.setCommitString(QString::fromUtf8("\u4E2D"));
             QCoreApplication::sendEvent(&Editor(), &composed);
         },
         QString::fromUtf8("Not typed: \"\u4E2D\" (U+4E2D) is not in Windows-1252, the code page of scripts.")},
    };
    for (const Case& c : cases) {
        c.enter();
        EXPECT_EQ(Text(), "x = 1") << c.what;
        EXPECT_EQ(Editor().RefusalReason(), c.reason) << c.what;
        EXPECT_EQ(QToolTip::text(), c.reason) << c.what;
    }
    // What the code page holds goes in, from the keys and from the clipboard.
    Key(Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("\u00E9"));
    QApplication::clipboard()->setText(QString::fromUtf8("\u20AC\u0152"));
    Editor().paste();
    EXPECT_EQ(Text(), "x = 1\xE9\x80\x8C");
}

// The script file is replaced whole: a link to it stays a link, and a full
// disk or a kill during the save leaves the old script.
TEST_F(TLangEditorTest, SaveToFileReplacesTheScriptBehindALinkOrKeepsTheOldOne) {
    std::filesystem::create_directory(tempDir + "/real");
    const std::string script = tempDir + "/real/s.tl";
    const std::string old(6000, '\'');
    std::ofstream(script, std::ios::binary) << old;
    const std::string link = tempDir + "/link.tl";
    std::filesystem::create_symlink("real/s.tl", link);

    SetText(std::string(3000, 'x') + "\n" + std::string(3000, 'y'));
    {
        const qorm_test::FullDisk disk(4096);
        EXPECT_EQ(control->SaveToFile(Bstr(link).Get()), DISP_E_EXCEPTION);
    }
    EXPECT_EQ(FileText(script), old);
    EXPECT_TRUE(qorm_test::KilledWhileWriting(4096, [&] { control->SaveToFile(Bstr(link).Get()); }));
    EXPECT_EQ(FileText(script), old);

    SetText("print 1");
    EXPECT_EQ(control->SaveToFile(Bstr(link).Get()), S_OK);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(FileText(script), "print 1\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tempDir + "/real"), {}), 1);
}

TEST_F(TLangEditorTest, KeysReachTheHostWhichMayChangeThem) {
    // Ctrl+Shift+C without the user break is a key like another.
    Key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Events("KeyUp"), (std::vector<std::string>{"KeyUp(67,5)"}));
    EXPECT_EQ(Events("KeyDown"), (std::vector<std::string>{"KeyDown(67,5)"}));

    onKeyPress = [](std::int16_t& key) {
        if (key == 'a') key = 'b';
        if (key == 'q') key = 0;
    };
    Type("aqc");
    EXPECT_EQ(Text(), "bc");

    // A key code the host changes on the way down is the key the editor gets.
    onKeyDown = [](std::int16_t& key, int) {
        if (key == 36) key = 35;  // Home becomes End
    };
    control->put_SelStart(1);
    Key(Qt::Key_Home);
    EXPECT_EQ(Long(&ITLang::get_SelStart), 2);
    onKeyUp = [](std::int16_t& key, int) { key = 0; };
    log.clear();
    Key(Qt::Key_F1);
    EXPECT_EQ(log, (std::vector<std::string>{"KeyDown(112,0)", "KeyUp(112,0)"}));

    // Keys above 127 keep their codes on the way up too.
    onKeyUp = nullptr;
    log.clear();
    Key(Qt::Key_Semicolon, Qt::NoModifier);
    EXPECT_EQ(Events("KeyUp"), (std::vector<std::string>{"KeyUp(186,0)"}));
}

TEST_F(TLangEditorTest, AHostThatLetsGoInsideAKeyEventLeavesTheEditorUntilItReturns) {
    QPointer<TLangEditor> editor(&Editor());
    ITLang* raw = control.Detach();
    onKeyUp = [&](std::int16_t&, int) { raw->Release(); };
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(editor.data(), &release);
    EXPECT_FALSE(editor.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(editor.isNull());
}

TEST_F(TLangEditorTest, NoSelectionEventsDuringARun) {
    ASSERT_EQ(control->AddFunction(Bstr("Move").Get(), 0, 1, TxNone, -1), S_OK);
    onUserFunction = [&](int, int) {
        control->put_SelStart(3);
        Type("x");
    };
    EXPECT_EQ(Run("Move()\nPRINT 1"), S_OK);
    EXPECT_TRUE(Events("SelectionChange").empty());
    EXPECT_EQ(Events("Change").size(), 1u);
    EXPECT_EQ(Text(), "Movxe()\r\nPRINT 1");
}

class RecordingPrinter : public ScriptPrinter {
public:
    void Print(const std::string& title, const QTextDocument& document) override {
        printed.push_back(title + "|" + document.toPlainText().toStdString());
    }
    std::vector<std::string> printed;
};

TEST_F(TLangEditorTest, PrintHandsTheTextToThePrinter) {
    RecordingPrinter printer;
    ScriptPrinter* previous = InstallScriptPrinter(&printer);
    SetText("PRINT 1\nPRINT 2");
    EXPECT_EQ(control->Print(Bstr("My Script").Get()), S_OK);
    InstallScriptPrinter(previous);
    EXPECT_EQ(printer.printed, (std::vector<std::string>{"My Script|PRINT 1\nPRINT 2"}));
}

TEST_F(TLangEditorTest, AboutBoxShowsTheVersion) {
    std::string version;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<TTLangAbout*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        version = box->Label2->text().toStdString();
        box->OkBtn->click();
    });
    EXPECT_EQ(control->AboutBox(), S_OK);
    EXPECT_EQ(version, "1.2.5.1");
}

}  // namespace
}  // namespace pevox_test

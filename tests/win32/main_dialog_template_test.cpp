#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32_headers.h"
#include "resources/main_dialog_layout.h"
#include "ui/control_ids.h"

namespace talo::win32 {
namespace {

// Reads the compiled extended dialog template 110 out of this program's resources.
class TemplateReader {
  public:
    explicit TemplateReader(const std::uint8_t* data) : p_(data) {}

    template <typename T>
    T take() {
        T value{};
        std::memcpy(&value, p_, sizeof(T));
        p_ += sizeof(T);
        return value;
    }
    // A name or an ordinal (0xFFFF and a number); ordinals of the predefined classes as names.
    std::u16string nameOrOrdinal() {
        const auto first = take<char16_t>();
        if (first == 0xFFFF) {
            switch (take<WORD>()) {
                case 0x80:
                    return u"button";
                case 0x81:
                    return u"edit";
                case 0x82:
                    return u"static";
                default:
                    return u"#ordinal";
            }
        }
        std::u16string text;
        for (char16_t c = first; c != 0; c = take<char16_t>()) {
            text.push_back(c);
        }
        return text;
    }
    void alignToDword(const std::uint8_t* base) {
        while ((p_ - base) % 4 != 0) {
            ++p_;
        }
    }

  private:
    const std::uint8_t* p_;
};

std::u16string lower(std::u16string text) {
    for (auto& c : text) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return text;
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

// What each kind of control must be once compiled: windres and rc differ in the styles they
// add on their own, so the bits are checked as the resource compiler wrote them.
struct CompiledKind {
    std::u16string className;
    DWORD style;
    DWORD exStyle;
};

CompiledKind compiledKind(DialogControlKind kind) {
    switch (kind) {
        case DialogControlKind::DefaultButton:
            return {u"button", kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0};
        case DialogControlKind::Button:
            return {u"button", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0};
        case DialogControlKind::Static:
            return {u"static", kChild | SS_LEFT | WS_GROUP, 0};
        case DialogControlKind::StaticRight:
            return {u"static", kChild | SS_LEFT | WS_GROUP, WS_EX_RIGHT};
        case DialogControlKind::StatusEdit:
            return {u"edit",
                    kChild | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_BORDER | WS_VSCROLL,
                    0};
        case DialogControlKind::GroupBox:
            break;
    }
    return {u"button", kChild | BS_GROUPBOX | WS_GROUP, 0};
}

// The compiled template 110 holds the generated layout, control by control, with the styles of
// each control's kind.
TEST(MainDialogTemplate, CompiledTemplateHoldsTheLayoutWithTheStylesOfEachKind) {
    HRSRC resource = FindResourceExW(nullptr, RT_DIALOG, MAKEINTRESOURCEW(kDialogTemplateId),
                                     MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
    ASSERT_NE(resource, nullptr);
    const auto* base =
        static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource)));
    TemplateReader in(base);

    ASSERT_EQ(in.take<WORD>(), 1);       // version
    ASSERT_EQ(in.take<WORD>(), 0xFFFF);  // extended template
    in.take<DWORD>();                    // help id
    EXPECT_EQ(in.take<DWORD>(), 0u);     // no extended style
    EXPECT_EQ(in.take<DWORD>(),
              static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER |
                                 DS_SETFONT | DS_FIXEDSYS));
    const WORD count = in.take<WORD>();
    in.take<short>();
    in.take<short>();
    EXPECT_EQ(in.take<short>(), kDialogWidth);
    EXPECT_EQ(in.take<short>(), kDialogHeight);
    EXPECT_EQ(in.nameOrOrdinal(), u"");  // no menu
    EXPECT_EQ(in.nameOrOrdinal(), u"");  // standard dialog class
    EXPECT_EQ(in.nameOrOrdinal(), kDialogCaption);
    EXPECT_EQ(in.take<WORD>(), kDialogFontPoints);
    EXPECT_EQ(in.take<WORD>(), 0);  // weight
    EXPECT_EQ(in.take<BYTE>(), 0);  // not italic
    EXPECT_EQ(in.take<BYTE>(), 1);  // character set
    EXPECT_EQ(in.nameOrOrdinal(), kDialogFontFace);

    ASSERT_EQ(count, kDialogControls.size());
    for (const DialogControl& want : kDialogControls) {
        in.alignToDword(base);
        in.take<DWORD>();  // help id
        const auto exStyle = in.take<DWORD>();
        const auto style = in.take<DWORD>();
        const auto x = in.take<short>();
        const auto y = in.take<short>();
        const auto cx = in.take<short>();
        const auto cy = in.take<short>();
        const auto id = in.take<DWORD>();
        const auto className = lower(in.nameOrOrdinal());
        const auto text = in.nameOrOrdinal();
        const auto extra = in.take<WORD>();
        for (WORD i = 0; i < extra; ++i) {
            in.take<BYTE>();
        }
        SCOPED_TRACE(want.id);
        const CompiledKind kind = compiledKind(want.kind);
        EXPECT_EQ(id & 0xFFFF, static_cast<DWORD>(want.id) & 0xFFFF);
        EXPECT_EQ(className, kind.className);
        EXPECT_EQ(text, want.text);
        EXPECT_EQ((std::vector<int>{x, y, cx, cy}),
                  (std::vector<int>{want.x, want.y, want.width, want.height}));
        EXPECT_EQ(style, kind.style | (want.disabled ? WS_DISABLED : 0u));
        EXPECT_EQ(exStyle, kind.exStyle);
    }
}

// The program's manifest (this test program carries the same) makes it system DPI aware, so
// the dialog lays out at the system's DPI; it runs as the invoking user and keeps the classic
// controls (no side-by-side dependency on version 6 of the common controls). Wine counts every
// program as DPI aware, so the manifest itself is read.
TEST(ProgramManifest, SystemDpiAwareAsInvokerWithClassicControls) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, found))),
                               SizeofResource(nullptr, found));
    EXPECT_NE(manifest.find("WindowsSettings\">true</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
}

}  // namespace
}  // namespace talo::win32

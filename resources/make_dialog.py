#!/usr/bin/env python3
"""Generates the main window's layout products from main_dialog.tsv.

make_dialog.py INPUT.tsv OUTPUT.rc OUTPUT_LAYOUT.h

The resource script fragment holds dialog 110 as CONTROL statements, so that every control
gets exactly the styles of its kind from any resource compiler. The header holds the same
controls as a constexpr table for the Linux window.
"""
import sys

# Kind: (window class, styles, extended styles, C++ enumerator).
KINDS = {
    "default-button": ("Button", "BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP", "", "DefaultButton"),
    "button": ("Button", "BS_PUSHBUTTON | WS_TABSTOP", "", "Button"),
    "static": ("Static", "SS_LEFT | WS_GROUP", "", "Static"),
    "static-right": ("Static", "SS_LEFT | WS_GROUP", "WS_EX_RIGHT", "StaticRight"),
    "status-edit": ("Edit", "ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_BORDER | WS_VSCROLL",
                    "", "StatusEdit"),
    "group-box": ("Button", "BS_GROUPBOX | WS_GROUP", "", "GroupBox"),
}


def fail(path, line_number, reason):
    sys.exit(f"{path}:{line_number}: {reason}")


def read_layout(path):
    dialog, controls, captions = None, [], []
    with open(path, encoding="utf-8") as source:
        for line_number, raw in enumerate(source, start=1):
            line = raw.rstrip("\n").rstrip("\r")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if '"' in line or "\\" in line:
                fail(path, line_number, "texts must not contain double quotes or backslashes")
            if fields[0] == "caption":
                if len(fields) != 3:
                    fail(path, line_number, "expected caption, caption id, control id")
                ids = {control[0] for control in controls}
                pair = (int(fields[1]), int(fields[2]))
                if not set(pair) <= ids:
                    fail(path, line_number, "a caption names a control the layout does not have")
                captions.append(pair)
                continue
            if fields[0] == "dialog":
                if len(fields) != 6:
                    fail(path, line_number, "expected dialog, width, height, caption, points, face")
                dialog = (int(fields[1]), int(fields[2]), fields[3], int(fields[4]), fields[5])
                continue
            if len(fields) not in (7, 8) or (len(fields) == 8 and fields[7] != "disabled"):
                fail(path, line_number, "expected id, kind, text, x, y, width, height [disabled]")
            if fields[1] not in KINDS:
                fail(path, line_number, f"unknown kind {fields[1]}")
            try:
                numbers = [int(value) for value in (fields[0], *fields[3:7])]
            except ValueError:
                fail(path, line_number, "id and rectangle must be integers")
            identifier, x, y, width, height = numbers
            if any(ident == identifier and identifier != -1 for ident, *_ in controls):
                fail(path, line_number, f"control id {identifier} appears twice")
            controls.append((identifier, fields[1], fields[2], x, y, width, height, len(fields) == 8))
    if dialog is None or not controls:
        sys.exit(f"{path}: needs a dialog line and at least one control")
    return dialog, controls, captions


def write_rc(path, dialog, controls):
    width, height, caption, points, face = dialog
    lines = [
        "#pragma code_page(65001)",
        "// Generated from resources/main_dialog.tsv; do not edit.",
        "#include <windows.h>",
        "#include <commctrl.h>",
        "",
        "LANGUAGE LANG_GERMAN, SUBLANG_GERMAN",
        "",
        f"110 DIALOGEX 0, 0, {width}, {height}",
        "STYLE DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | "
        "WS_SYSMENU",
        f'CAPTION "{caption}"',
        f'FONT {points}, "{face}", 0, 0, 0x1',
        "BEGIN",
    ]
    for identifier, kind, text, x, y, w, h, disabled in controls:
        window_class, styles, ex_styles, _ = KINDS[kind]
        if disabled:
            styles += " | WS_DISABLED"
        line = (f'    CONTROL "{text}", {identifier}, "{window_class}", '
                f"{styles} | WS_CHILD | WS_VISIBLE, {x}, {y}, {w}, {h}")
        if ex_styles:
            line += f", {ex_styles}"
        lines.append(line)
    lines.append("END")
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


def cpp_literal(text):
    return "".join(ch if 0x20 <= ord(ch) < 0x7F else f"\\u{ord(ch):04x}" for ch in text)


def write_header(path, dialog, controls, captions):
    width, height, caption, points, face = dialog
    caption_rows = "\n".join(f"    {{{c}, {i}}}," for c, i in captions)
    rows = []
    for identifier, kind, text, x, y, w, h, disabled in controls:
        enumerator = KINDS[kind][3]
        rows.append(f'    {{{identifier}, DialogControlKind::{enumerator}, u"{cpp_literal(text)}", '
                    f'{x}, {y}, {w}, {h}, {"true" if disabled else "false"}}},')
    content = f"""#pragma once
// Generated from resources/main_dialog.tsv; do not edit.

#include <array>

namespace talo {{

enum class DialogControlKind {{ DefaultButton, Button, Static, StaticRight, StatusEdit, GroupBox }};

// One control of the main window's layout, in dialog units.
struct DialogControl {{
    int id;
    DialogControlKind kind;
    const char16_t* text;
    int x;
    int y;
    int width;
    int height;
    bool disabled;  // starts disabled
}};

// The main window's client area in dialog units, its template caption and font.
inline constexpr int kDialogWidth = {width};
inline constexpr int kDialogHeight = {height};
inline constexpr char16_t kDialogCaption[] = u"{cpp_literal(caption)}";
inline constexpr int kDialogFontPoints = {points};
inline constexpr char16_t kDialogFontFace[] = u"{cpp_literal(face)}";

// The controls in template order, which is also their tab and z order (first on top).
inline constexpr std::array<DialogControl, {len(controls)}> kDialogControls{{{{
{chr(10).join(rows)}
}}}};

// The caption assistive technology reads a control by: a version value by its row's label,
// the status pane by its heading.
struct DialogCaption {{
    int caption;
    int control;
}};
inline constexpr std::array<DialogCaption, {len(captions)}> kDialogCaptions{{{{
{caption_rows}
}}}};

}}  // namespace talo
"""
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write(content)


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: make_dialog.py INPUT.tsv OUTPUT.rc OUTPUT_LAYOUT.h")
    dialog, controls, captions = read_layout(sys.argv[1])
    write_rc(sys.argv[2], dialog, controls)
    write_header(sys.argv[3], dialog, controls, captions)


if __name__ == "__main__":
    main()

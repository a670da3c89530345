#pragma once

#include <array>

namespace talo::qt {

enum class ControlKind { DefaultButton, Button, Static, StaticRight, StatusEdit, GroupBox };

// One control of the main window's layout, in dialog units.
struct ControlTemplate {
    int id;
    ControlKind kind;
    const char16_t* text;
    int x;
    int y;
    int width;
    int height;
    bool disabled;  // starts disabled
};

// Size of the main window's client area in dialog units.
inline constexpr int kTemplateWidth = 300;
inline constexpr int kTemplateHeight = 228;
inline constexpr char16_t kTemplateCaption[] = u"MERIDOVAN Firmware Updater";

// The controls in template order, which is also their tab and z order (first on top).
inline constexpr std::array<ControlTemplate, 11> kMainWindowControls{{
    {2, ControlKind::DefaultButton, u"Beenden", 157, 199, 50, 14, false},
    {1002, ControlKind::Button, u"Update", 61, 199, 50, 14, true},
    {40010, ControlKind::Static, u"Firmware 1:", 22, 24, 60, 8, false},
    {1005, ControlKind::Static, u"Firmware 2:", 22, 37, 60, 8, false},
    {40013, ControlKind::StaticRight, u"0.00.00", 90, 24, 50, 8, false},
    {40014, ControlKind::StaticRight, u"0.00.00", 90, 37, 50, 8, false},
    {40004, ControlKind::StatusEdit, u"", 15, 89, 271, 101, false},
    {-1, ControlKind::Static, u"Hinweisfenster:", 15, 79, 49, 8, false},
    {40007, ControlKind::GroupBox, u"Installierte Firmware Versionen", 15, 10, 135, 57, false},
    {40011, ControlKind::Static, u"Firmware 3:", 22, 50, 60, 8, false},
    {40015, ControlKind::StaticRight, u"0.00.00", 90, 50, 50, 8, false},
}};

// The caption each labelled control is read with by assistive technology: a version value by
// its row's label, the status pane by "Hinweisfenster:".
struct CaptionOf {
    int caption;
    int control;
};
inline constexpr std::array<CaptionOf, 4> kControlCaptions{{
    {40010, 40013},
    {1005, 40014},
    {40011, 40015},
    {-1, 40004},
}};

}  // namespace talo::qt

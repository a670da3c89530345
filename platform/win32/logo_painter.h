#pragma once

#include "platform/win32/win32_headers.h"

namespace talo::win32 {

// Draws logo bitmap 121 right of the version group box of `mainWindow`, scaled to keep its
// aspect ratio, with pure green as the transparent colour. Loads and releases everything it
// uses on every call; draws nothing when the bitmap cannot be had.
void paintLogo(HDC dc, HWND mainWindow, HINSTANCE instance);

}  // namespace talo::win32

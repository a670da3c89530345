#pragma once

namespace talo::qt {

// Frame metrics of a classic Windows dialog (SM_CXDLGFRAME, SM_CYCAPTION). The window places its
// logo and its progress window with them so the geometry is the same under every Linux window
// manager, and under none.
inline constexpr int kDialogFrame = 3;
inline constexpr int kCaptionHeight = 19;

}  // namespace talo::qt

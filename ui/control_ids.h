#pragma once

namespace talo {

// Fixed identifiers shared by code and resources.
inline constexpr int kDialogTemplateId = 110;
inline constexpr int kIconId = 123;
inline constexpr int kLogoBitmapId = 121;
inline constexpr int kFirmwareImageId = 125;

// Controls of the main window, in template order.
inline constexpr int kIdQuit = 2;  // "Beenden"; also the platform's cancel id (close box, Escape)
inline constexpr int kIdUpdate = 1002;
inline constexpr int kIdUnitLabel = 40010;
inline constexpr int kIdBootloaderLabel = 1005;
inline constexpr int kIdUnitVersion = 40013;
inline constexpr int kIdBootloaderVersion = 40014;
inline constexpr int kIdStatusPane = 40004;
inline constexpr int kIdStatusCaption = -1;
inline constexpr int kIdVersionGroup = 40007;
inline constexpr int kIdControllerLabel = 40011;
inline constexpr int kIdControllerVersion = 40015;

// windowRect() of the main window itself rather than of a control.
inline constexpr int kIdMainWindow = 0;

}  // namespace talo

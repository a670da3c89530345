#include "platform/win32/firmware_resource.h"

#include "ui/control_ids.h"

namespace talo::win32 {

FirmwareImage firmwareImageResource(HINSTANCE instance) {
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(kFirmwareImageId), RT_RCDATA);
    if (resource == nullptr) {
        return {};
    }
    HGLOBAL loaded = LoadResource(instance, resource);
    const DWORD size = SizeofResource(instance, resource);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr || size == 0) {
        return {};
    }
    return FirmwareImage{static_cast<const std::uint8_t*>(data), size};
}

}  // namespace talo::win32

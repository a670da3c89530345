#pragma once

#include <cstddef>

// The firmware image carried by the program (the build input TALO_FIRMWARE_IMAGE), embedded
// for the portable programs; the Windows program reads the same bytes from RCDATA 125.
extern const unsigned char talo_firmware_image[];
extern const std::size_t talo_firmware_image_size;

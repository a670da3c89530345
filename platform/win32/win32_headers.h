#pragma once

// The Windows SDK headers in the order they need, with the HID headers as C declarations
// (MinGW's hidsdi.h has no extern "C" of its own).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first
#include <commctrl.h>
#include <dbt.h>
#include <setupapi.h>

extern "C" {
#include <hidsdi.h>
}

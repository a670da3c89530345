#pragma once

#include <string>

#include "platform/win32/win32_headers.h"

namespace talo::win32 {

// Name of the mutex that stands for a claim on the unit at `path`. Paths that differ only in
// the case of letters name the same device, so they name the same mutex. The Global namespace
// reaches programs in every session of the machine.
std::wstring unitClaimMutexName(const std::u16string& path);

// Takes the claim mutex of `path` without waiting (a shared claim waits up to `waitMs` for a
// brief holder such as another program's identification). Returns the owned mutex, or null
// when another thread or program holds it.
HANDLE acquireUnitClaim(const std::u16string& path, DWORD waitMs);

// Releases and closes a mutex returned by acquireUnitClaim(), on the thread that acquired it.
void releaseUnitClaim(HANDLE mutex);

// While a program writes the unit at `path` it also holds a marker, so that others tell a write
// (busy for half a minute: refuse at once) from a brief identification (worth a short wait).
// markUnitWritten() returns the marker, to be closed with CloseHandle when the write ends, or
// null when it cannot be made; the marker goes away with the last handle to it.
HANDLE markUnitWritten(const std::u16string& path);
bool unitIsWritten(const std::u16string& path);

}  // namespace talo::win32

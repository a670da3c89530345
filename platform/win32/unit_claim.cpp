#include "platform/win32/unit_claim.h"

#include <cstdint>
#include <cwchar>

namespace talo::win32 {

std::wstring unitClaimMutexName(const std::u16string& path) {
    // FNV-1a over the case-folded path: mutex names may not hold the path's backslashes.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (char16_t c : path) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
        hash ^= static_cast<std::uint64_t>(c);
        hash *= 0x100000001b3ULL;
    }
    wchar_t digits[17] = {};
    std::swprintf(digits, 17, L"%016llx", static_cast<unsigned long long>(hash));
    return std::wstring(L"Global\\talo-updater-unit-") + digits;
}

HANDLE acquireUnitClaim(const std::u16string& path, DWORD waitMs) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, unitClaimMutexName(path).c_str());
    if (mutex == nullptr) {
        return nullptr;
    }
    const DWORD waited = WaitForSingleObject(mutex, waitMs);
    // An abandoned mutex was left by a program that ended mid-write: the claim is free now.
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        return mutex;
    }
    CloseHandle(mutex);
    return nullptr;
}

namespace {

std::wstring writeMarkerName(const std::u16string& path) {
    return unitClaimMutexName(path) + L"-write";
}

}  // namespace

HANDLE markUnitWritten(const std::u16string& path) {
    return CreateEventW(nullptr, TRUE, FALSE, writeMarkerName(path).c_str());
}

bool unitIsWritten(const std::u16string& path) {
    HANDLE marker = OpenEventW(SYNCHRONIZE, FALSE, writeMarkerName(path).c_str());
    if (marker == nullptr) {
        return false;
    }
    CloseHandle(marker);
    return true;
}

void releaseUnitClaim(HANDLE mutex) {
    if (mutex != nullptr) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
}

}  // namespace talo::win32

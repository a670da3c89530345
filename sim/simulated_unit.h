#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/device_session.h"

namespace talo::sim {

// The controller flash behind a simulated unit. Writing needs, in this order of checks: the
// system lock set, the write protection cleared, the flash erased and a write address set.
struct FlashModel {
    static constexpr std::uint32_t kCapacity = 0x20000;  // bytes

    bool systemLock = false;
    bool writeProtect = true;  // a controller starts protected
    bool erased = false;
    bool writeAddressSet = false;
    std::uint32_t writeAddress = 0;      // next byte WriteBlock writes; advances with every block
    std::vector<std::uint8_t> contents;  // cleared by an erase; gaps read as 0xFF
    std::uint64_t bytesWritten = 0;      // sum of all accepted WriteBlock data
};

// What an injected fault does to the exchange it hits.
enum class FaultKind {
    ErrorStatus,  // request not carried out; answer status 0xFF with `errorCode` at bytes 4-7
    WrongEcho,    // request carried out; answer byte 3 has its lowest bit flipped
    WriteFails,   // writeReport fails with kErrorGenFailure; the unit never sees the request
    ReadFails,    // request carried out; the read of its answer fails with kErrorGenFailure
    NoAnswer,     // request not carried out, no answer: the read runs into its time limit
};

// A fault on the `occurrence`-th request with code `command` (counted from 1 over all write
// attempts with that code, the failed ones included); occurrence 0 hits every one.
struct Fault {
    std::uint8_t command = 0;
    FaultKind kind = FaultKind::ErrorStatus;
    std::uint32_t occurrence = 0;
    std::uint32_t errorCode = 0;  // ErrorStatus only
};

// One write to the unit, as the program handed it over.
struct RequestRecord {
    std::uint8_t command = 0;         // byte 1 of the request (0 if the report was empty)
    std::vector<std::uint8_t> bytes;  // the whole report as written, report id first
    std::uint64_t atMicros = 0;       // clock time of the write
    bool delivered = false;           // false: the write failed (fault, length, disconnect)
};

// One read from the unit.
struct ReadRecord {
    std::uint64_t atMicros = 0;  // clock time when the read began
    std::uint8_t command = 0;    // request the answer belongs to; 0 when there was none
    bool ok = false;
};

// A programming unit with its controller: identity, answers, flash model, injected faults and
// the log of every exchange. The SimHidPlatform owns the units it presents and drives them;
// tests set the fields before or between exchanges and inspect them afterwards.
struct SimulatedUnit {
    // --- USB and HID identity
    std::uint16_t vendorId;  // default: the maker's vendor id
    std::uint16_t productId = 1;
    std::uint32_t inputReportLength = 65;   // report id byte included
    std::uint32_t outputReportLength = 65;  // report id byte included
    std::u16string serialNumber;            // USB serial number; empty: the unit has none

    // --- Identify answer
    std::uint8_t unitMode = 0;       // 0: normal (link to a controller); else bootloader
    std::uint16_t attachedType = 3;  // 3: an update-capable controller
    std::uint16_t attachedDetail = 0;
    std::uint32_t unitFirmwareVersion = 0;  // normal mode, bytes 8-11
    std::uint32_t unitInfoWord = 0;         // normal mode, bytes 12-15
    std::uint8_t bootInfoA = 0;             // bootloader mode, byte 4
    std::uint16_t bootInfoB = 0;            // bytes 5-6
    std::uint32_t bootInfoC = 0;            // bytes 7-10
    std::uint32_t bootInfoD = 0;            // bytes 11-14
    std::uint8_t bootInfoE = 0;             // byte 15

    // --- Data blocks
    std::array<std::uint8_t, 12> unitMemory{};          // ReadUnitMemory; 4-7 version, 8-11 info
    std::array<std::uint8_t, 32> controllerInfo{};      // 4-5 controller firmware version
    std::array<std::uint8_t, 40> controllerIdentity{};  // 0-3 type code, 4-7 bootloader version

    FlashModel flash;

    // --- Behaviour
    std::vector<Fault> faults;
    std::uint32_t disconnectAtWriteBlock = 0;  // N > 0: unplugged by the N-th WriteBlock write
    std::uint64_t exchangeLatencyMicros = 0;   // time each answer takes to arrive

    // --- Log, filled by the platform
    std::vector<RequestRecord> requests;
    std::vector<ReadRecord> reads;

    SimulatedUnit();

    bool controllerAttached() const { return unitMode == 0 && attachedType == kAttachedController; }

    // Little-endian views into the blocks.
    void setControllerFirmwareVersion(std::uint16_t version);
    std::uint16_t controllerFirmwareVersion() const;
    void setControllerTypeCode(std::uint32_t code);
    void setControllerBootloaderVersion(std::uint32_t version);
    void setUnitMemoryVersion(std::uint32_t version, std::uint32_t infoWord);

    // Adds a fault (see Fault for how occurrences count).
    void injectFault(std::uint8_t command, FaultKind kind, std::uint32_t occurrence = 0,
                     std::uint32_t errorCode = 0);

    // Requests that reached the unit with code `command`, in order.
    std::vector<const RequestRecord*> deliveredRequests(std::uint8_t command) const;
    std::size_t deliveredCount(std::uint8_t command) const;
    // Commands of all delivered requests in order.
    std::vector<std::uint8_t> deliveredCommands() const;
    void clearLog();

    // --- Used by SimHidPlatform
    // Counts a write attempt with code `command` and returns the fault that hits it, if any.
    const Fault* noteRequest(std::uint8_t command);
    // Write attempts with code `command` so far.
    std::uint32_t requestCount(std::uint8_t command) const { return requestCounts_[command]; }
    // Carries out a delivered request (unless `fault` stops it) and builds its answer of
    // inputReportLength bytes. Returns false when the unit gives no answer.
    bool answer(const std::uint8_t* request, std::size_t length, const Fault* fault,
                std::vector<std::uint8_t>& reply);

  private:
    // The unit error that stops an erase (or, with writingBlocks, a block write) now; 0: none.
    std::uint32_t flashBlocker(bool writingBlocks) const;

    std::array<std::uint32_t, 256> requestCounts_{};
};

}  // namespace talo::sim

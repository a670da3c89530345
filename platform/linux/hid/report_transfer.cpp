#include "platform/linux/hid/report_transfer.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace talo::linuxhid {
namespace {

using Clock = std::chrono::steady_clock;

// hidraw queues at most 64 reports; the bound keeps a device that never stops sending from
// holding the caller here.
constexpr int kMaxDiscardedReports = 256;

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// 0 when a report can be read, otherwise the errno value for the caller.
int waitReadable(int fd, std::uint32_t timeoutMs, const std::function<void()>& service) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int left = remainingMs(deadline);
        pollfd entry{fd, POLLIN, 0};
        const int ready =
            ::poll(&entry, 1, service ? std::min(left, kWaitServiceIntervalMs) : left);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;  // a signal is no reason to give up early; the deadline still holds
            }
            return errno;
        }
        if (ready == 0) {
            if (left <= kWaitServiceIntervalMs || !service) {
                return ETIMEDOUT;
            }
            service();
            continue;
        }
        if ((entry.revents & (POLLHUP | POLLERR)) != 0) {
            return ENODEV;
        }
        if ((entry.revents & POLLNVAL) != 0) {
            return EBADF;
        }
        return 0;
    }
}

}  // namespace

int writeReportTo(int fd, const std::uint8_t* data, std::size_t length) {
    if (length == 0) {
        return EINVAL;
    }
    ssize_t written = -1;
    do {
        written = ::write(fd, data, length);
    } while (written < 0 && errno == EINTR);
    if (written < 0) {
        return errno;
    }
    return static_cast<std::size_t>(written) == length ? 0 : EIO;
}

int readReportFrom(int fd, bool numberedReports, std::uint8_t* data, std::size_t length,
                   std::uint32_t timeoutMs, const std::function<void()>& service) {
    const std::size_t idBytes = numberedReports ? 0 : 1;
    if (length <= idBytes) {
        return EINVAL;
    }
    const int waited = waitReadable(fd, timeoutMs, service);
    if (waited != 0) {
        return waited;
    }
    std::uint8_t* report = data + idBytes;
    const std::size_t capacity = length - idBytes;
    ssize_t received = -1;
    do {
        received = ::read(fd, report, capacity);
    } while (received < 0 && errno == EINTR);
    if (received < 0) {
        return errno;
    }
    if (!numberedReports) {
        data[0] = 0;
    }
    const auto count = static_cast<std::size_t>(received);
    std::memset(report + count, 0, capacity - count);
    return 0;
}

void discardQueuedReports(int fd) {
    std::uint8_t scratch[64];
    for (int i = 0; i < kMaxDiscardedReports; ++i) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 0) <= 0 || (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 ||
            (entry.revents & POLLIN) == 0) {
            return;
        }
        if (::read(fd, scratch, sizeof scratch) <= 0) {
            return;
        }
    }
}

}  // namespace talo::linuxhid

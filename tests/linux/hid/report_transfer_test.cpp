#include "platform/linux/hid/report_transfer.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <vector>

namespace talo::linuxhid {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The layer's end and the device's end of a report channel that keeps message boundaries.
class ReportTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        int pair[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair), 0);
        host_ = pair[0];
        device_ = pair[1];
    }
    void TearDown() override {
        ::close(host_);
        if (device_ >= 0) {
            ::close(device_);
        }
    }

    void deviceSends(const Bytes& report) {
        ASSERT_EQ(::send(device_, report.data(), report.size(), 0),
                  static_cast<ssize_t>(report.size()));
    }
    Bytes deviceReceives() {
        Bytes report(512);
        const ssize_t size = ::recv(device_, report.data(), report.size(), MSG_DONTWAIT);
        report.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
        return report;
    }
    void unplug() {
        ::close(device_);
        device_ = -1;
    }

    int host_ = -1;
    int device_ = -1;
};

TEST_F(ReportTransfer, WriteKeepsAZeroReportIdAndZeroDataBytes) {
    // Without numbered reports hidraw drops the leading 0 itself; a leading zero data byte
    // must still reach it behind that 0.
    const Bytes report = {0x00, 0x00, 0x07, 0x00};

    ASSERT_EQ(writeReportTo(host_, report.data(), report.size()), 0);

    EXPECT_EQ(deviceReceives(), report);
}

TEST_F(ReportTransfer, ShortReportIsPaddedWithZeros) {
    deviceSends({0x02, 0x11, 0x22});

    Bytes buffer(16, 0xEE);
    ASSERT_EQ(readReportFrom(host_, true, buffer.data(), buffer.size(), 1000), 0);

    Bytes expected(16, 0x00);
    expected[0] = 0x02;
    expected[1] = 0x11;
    expected[2] = 0x22;
    EXPECT_EQ(buffer, expected);
}

TEST_F(ReportTransfer, SilentDeviceTimesOutAfterTheLimit) {
    Bytes buffer(16);
    const auto start = std::chrono::steady_clock::now();

    EXPECT_EQ(readReportFrom(host_, true, buffer.data(), buffer.size(), 80), ETIMEDOUT);

    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(80));
    EXPECT_LT(waited, std::chrono::milliseconds(1000));
}

TEST_F(ReportTransfer, WaitKeepsTheServiceRunningAndTakesTheAnswerAtOnce) {
    int calls = 0;
    const auto service = [this, &calls] {
        if (++calls == 3) {
            deviceSends({0x02, 0x33});
        }
    };
    Bytes buffer(16);
    const auto start = std::chrono::steady_clock::now();

    ASSERT_EQ(readReportFrom(host_, true, buffer.data(), buffer.size(), 5000, service), 0);

    EXPECT_EQ(calls, 3);
    EXPECT_EQ(buffer[1], 0x33);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(readReportFrom(host_, true, buffer.data(), buffer.size(), 50, service), ETIMEDOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_GT(calls, 5);
}

TEST_F(ReportTransfer, HangUpMeansTheDeviceIsGone) {
    unplug();
    Bytes buffer(16);

    EXPECT_EQ(readReportFrom(host_, true, buffer.data(), buffer.size(), 1000), ENODEV);
}

}  // namespace
}  // namespace talo::linuxhid

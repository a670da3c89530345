#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <vector>

#include "platform/linux/hid/report_descriptor.h"
#include "platform/linux/hid/report_transfer.h"

namespace talo::linuxhid {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

const struct {
    const char* shape;
    Bytes bytes;
    std::optional<ReportLayout> layout;  // none: refused
} kDescriptors[] = {
    {"vendor page, 64 bytes each way, no ids; an Input before any Report Count",
     {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00,
      0x75, 0x08, 0x81, 0x03, 0x95, 0x40, 0x81, 0x02, 0x91, 0x02, 0xC0},
     ReportLayout{false, 65, 65}},
    {"boot keyboard: bit fields packed; an Output before any Report Size",
     {0x95, 0x01, 0x91, 0x03, 0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0,
      0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01,
      0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05,
      0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00,
      0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0},
     ReportLayout{false, 9, 2}},
    // id 1: 8 bytes in, 58 bytes and 1 bit out; id 2: 43 in; id 3: 16 out; id 4: feature only.
    {"several ids: the longest per direction, rounded up",
     {0x75, 0x08, 0x85, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x3A, 0x91, 0x02, 0x75,
      0x01, 0x95, 0x01, 0x91, 0x03, 0x75, 0x08, 0x85, 0x02, 0x95, 0x2B, 0x81, 0x02,
      0x85, 0x03, 0x95, 0x10, 0x91, 0x02, 0x85, 0x04, 0x96, 0xC8, 0x00, 0xB1, 0x02},
     ReportLayout{true, 44, 60}},
    // A long item whose data reads like Report Count 255 and Input; a four-byte Usage whose last
    // byte reads like Input; Push and Pop; report id 255; a long item without data at the end.
    {"long and four-byte items skipped whole, state pushed and popped",
     {0xFE, 0x04, 0xF0, 0x95, 0xFF, 0x81, 0x02, 0x75, 0x08, 0x95, 0x02, 0x0B, 0x01, 0x00, 0x00,
      0x81, 0xA4, 0x95, 0x09, 0x91, 0x02, 0xB4, 0x85, 0xFF, 0x81, 0x02, 0xFE, 0x00, 0xF0},
     ReportLayout{true, 3, 10}},
    {"65534 data bytes, the longest report",
     {0x75, 0x08, 0x96, 0xFE, 0xFF, 0x81, 0x02},
     ReportLayout{false, 65535, 0}},
    {"item cut short", {0x06, 0x00, 0xFF, 0x26, 0xFF}, std::nullopt},
    {"long item one byte short", {0xFE, 0x05, 0xF0, 0x01, 0x02, 0x03, 0x04}, std::nullopt},
    {"long item without its tag", {0x75, 0x08, 0xFE, 0x00}, std::nullopt},
    {"report id 0", {0x85, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, std::nullopt},
    {"report id 256", {0x86, 0x00, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, std::nullopt},
    {"more pops than pushes", {0xA4, 0xB4, 0xB4}, std::nullopt},
    {"65535 data bytes in", {0x75, 0x08, 0x96, 0xFF, 0xFF, 0x81, 0x02}, std::nullopt},
    {"65535 data bytes out", {0x75, 0x08, 0x96, 0xFF, 0xFF, 0x91, 0x02}, std::nullopt},
};

TEST(ReportDescriptorTest, GivesTheLongestReportsWithTheirIdByteOrRefuses) {
    for (const auto& [shape, bytes, expected] : kDescriptors) {
        ReportLayout layout{false, 7, 7};
        EXPECT_EQ(parseReportDescriptor(bytes.data(), bytes.size(), layout), expected.has_value())
            << shape;
        const ReportLayout written = expected.value_or(ReportLayout{false, 7, 7});
        EXPECT_EQ(layout.numberedReports, written.numberedReports) << shape;
        EXPECT_EQ(layout.inputReportLength, written.inputReportLength) << shape;
        EXPECT_EQ(layout.outputReportLength, written.outputReportLength) << shape;
    }
}

// The layer's end and the device's end of a channel that keeps report boundaries.
class ReportTransferTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds_), 0); }
    void TearDown() override {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    void deviceSends(const Bytes& report) { ::send(fds_[1], report.data(), report.size(), 0); }
    int read(Bytes& buffer, std::uint32_t timeoutMs, bool numbered = true,
             const std::function<void()>& service = {}, int fd = -1) {
        return readReportFrom(fd < 0 ? fds_[0] : fd, numbered, buffer.data(), buffer.size(),
                              timeoutMs, service);
    }

    int fds_[2] = {-1, -1};
};

TEST_F(ReportTransferTest, EveryByteGoesOutAndReadsAreFramedPaddedOrCut) {
    // hidraw drops a leading 0 id itself; a zero data byte behind it must still arrive.
    const Bytes request = {0x00, 0x00, 0x07, 0x00};
    errno = EINTR;  // left over from earlier calls: no reason to write or read again
    ASSERT_EQ(writeReportTo(fds_[0], request.data(), request.size()), 0);
    Bytes arrived(8);
    arrived.resize(static_cast<std::size_t>(::recv(fds_[1], arrived.data(), arrived.size(), 0)));
    EXPECT_EQ(arrived, request);
    EXPECT_EQ(writeReportTo(fds_[0], request.data(), 0), EINVAL);
    const int readOnly = ::open("/", O_RDONLY);
    EXPECT_EQ(writeReportTo(readOnly, request.data(), request.size()), EBADF);

    Bytes buffer(4, 0xEE);
    deviceSends({0x02, 0x11});
    errno = EINTR;
    ASSERT_EQ(read(buffer, 1000), 0);
    EXPECT_EQ(buffer, (Bytes{0x02, 0x11, 0, 0}));
    deviceSends({0x11, 0x22, 0x33, 0x44, 0x55});
    ASSERT_EQ(read(buffer, 1000, false), 0);  // no id byte on the wire: a 0 in front
    EXPECT_EQ(buffer, (Bytes{0x00, 0x11, 0x22, 0x33}));
    Bytes idOnly(1);
    EXPECT_EQ(read(idOnly, 0, false), EINVAL);
    EXPECT_EQ(read(buffer, 0, true, {}, readOnly), EISDIR);
    ::close(readOnly);

    deviceSends({0x02});
    deviceSends({0x02, 0xAA});
    discardQueuedReports(fds_[0]);
    EXPECT_EQ(read(buffer, 0), ETIMEDOUT);
}

TEST_F(ReportTransferTest, WaitServicesTheCallerAndEndsOnAnswerTimeLimitOrHangUp) {
    Bytes buffer(4);
    int calls = 0;
    const auto answerAtThirdCall = [&] {
        if (++calls == 3) {
            deviceSends({0x02, 0x33});
        }
    };
    auto start = steady_clock::now();
    ASSERT_EQ(read(buffer, 5000, true, answerAtThirdCall), 0);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(buffer[1], 0x33);
    EXPECT_LT(steady_clock::now() - start, milliseconds(1000));

    // A signal during the wait (SIGALRM after 30 ms, its handler without SA_RESTART) does not
    // end it early, with or without the service.
    struct sigaction onAlarm {};
    onAlarm.sa_handler = [](int) {};
    ::sigaction(SIGALRM, &onAlarm, nullptr);
    for (const bool serviced : {false, true}) {
        calls = 0;
        const itimerval alarm{{0, 0}, {0, 30'000}};
        ::setitimer(ITIMER_REAL, &alarm, nullptr);
        start = steady_clock::now();
        EXPECT_EQ(read(buffer, 80, true, serviced ? [&] { ++calls; } : std::function<void()>()),
                  ETIMEDOUT);
        EXPECT_GE(steady_clock::now() - start, milliseconds(80));
        EXPECT_LT(steady_clock::now() - start, milliseconds(1000));
        EXPECT_GE(calls, serviced ? 5 : 0);
    }

    ::close(fds_[1]);  // the device is gone
    fds_[1] = -1;
    EXPECT_EQ(read(buffer, 1000), ENODEV);
}

}  // namespace
}  // namespace talo::linuxhid

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/linux/hid/hidraw_ops.h"

namespace talo::linuxhid {
namespace {

// flock on two descriptors of one real file, as two programs would hold a hidraw node.
class KernelLockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/talo-lock-XXXXXX";
        const int fd = ::mkstemp(name);
        ASSERT_GE(fd, 0);
        ::close(fd);
        path_ = name;
        first_ = open();
        second_ = open();
    }
    void TearDown() override {
        ops_.close(first_);
        ops_.close(second_);
        ::unlink(path_.c_str());
    }
    int open() {
        int error = 0;
        const int fd = ops_.open(path_, error);
        EXPECT_GE(fd, 0) << error;
        return fd;
    }

    KernelHidrawOps ops_;
    std::string path_;
    int first_ = -1;
    int second_ = -1;
};

TEST_F(KernelLockTest, SharedLocksCoexistAndAnExclusiveOneExcludesTheOther) {
    struct Case {
        bool firstExclusive;
        bool secondExclusive;
        bool secondGetsIt;
    };
    for (const Case& c : {Case{false, false, true}, Case{false, true, false},
                          Case{true, false, false}, Case{true, true, false}}) {
        SCOPED_TRACE(testing::Message() << c.firstExclusive << "/" << c.secondExclusive);
        ASSERT_TRUE(ops_.lock(first_, c.firstExclusive));
        EXPECT_EQ(ops_.lock(second_, c.secondExclusive), c.secondGetsIt);
        ops_.unlock(first_);
        EXPECT_TRUE(ops_.lock(second_, true));  // free again once the first lets go
        ops_.unlock(second_);
    }
}

TEST_F(KernelLockTest, ClosingTheDescriptorEndsItsLock) {
    ASSERT_TRUE(ops_.lock(first_, true));
    ops_.close(first_);
    first_ = open();

    EXPECT_TRUE(ops_.lock(second_, true));
}

}  // namespace
}  // namespace talo::linuxhid

#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/linux/hid/hidraw_node.h"
#include "platform/linux/hid/hidraw_ops.h"

namespace talo::linuxhid {

// hidraw nodes backed by SOCK_SEQPACKET socket pairs, which keep report boundaries as hidraw
// does, and listed in devnode order. open() hands out one end; the test plays the device on the
// other, kept in `peers`. Claims always succeed: their kernel rules are tested on a file. A
// device's ends stay open until the fake goes, so a closed handle never meets a reused fd.
class FakeHidrawOps final : public HidrawOps, public HidrawLister {
  public:
    struct Node {
        std::vector<std::uint8_t> descriptor;  // empty: it cannot be read
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        int openError = 0;  // errno for a refused open; 0 opens
        std::string serial;
    };

    ~FakeHidrawOps() override {
        for (const int fd : ends_) {
            ::close(fd);
        }
    }

    void add(const std::string& devnode, Node node) { nodes_[devnode] = std::move(node); }

    std::vector<int> peers;  // the device's end of each open, in the order of the opens
    bool listWorks = true;   // false: list() fails, though it still fills in the nodes

    bool list(std::vector<HidrawNode>& listed) override {
        listed.clear();
        for (const auto& [devnode, node] : nodes_) {
            listed.push_back({devnode.substr(devnode.rfind('/') + 1), devnode, true, node.vendorId,
                              node.productId, node.serial});
        }
        return listWorks;
    }

    int open(const std::string& devnode, int& error) override {
        const auto found = nodes_.find(devnode.c_str());  // as far as the kernel reads it
        error = found == nodes_.end() ? ENOENT : found->second.openError;
        int pair[2];
        if (error != 0 || ::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
            return -1;
        }
        ends_.insert(ends_.end(), pair, pair + 2);
        open_[pair[0]] = &found->second;
        peers.push_back(pair[1]);
        return pair[0];
    }

    // The device sees the end; the number stays taken until the fake goes.
    void close(int fd) override { ::shutdown(fd, SHUT_RDWR); }

    bool rawInfo(int fd, std::uint16_t& vendorId, std::uint16_t& productId) override {
        vendorId = open_.at(fd)->vendorId;
        productId = open_.at(fd)->productId;
        return true;
    }

    bool reportDescriptor(int fd, std::vector<std::uint8_t>& descriptor) override {
        descriptor = open_.at(fd)->descriptor;
        return !descriptor.empty();
    }

    bool lock(int /*fd*/, bool /*exclusive*/) override { return true; }
    void unlock(int /*fd*/) override {}

  private:
    std::map<std::string, Node> nodes_;
    std::map<int, const Node*> open_;
    std::vector<int> ends_;  // both ends of every pair, closed when the fake goes
};

}  // namespace talo::linuxhid

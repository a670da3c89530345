#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/linux/hid/hidraw_node.h"
#include "platform/linux/hid/hidraw_ops.h"

namespace talo::linuxhid {

// hidraw nodes backed by SOCK_SEQPACKET socket pairs, which keep report boundaries as hidraw
// does, and listed in devnode order. open() hands out one end; the test plays the device on the
// other, peer(devnode). Safe to use from several threads. A device's ends stay open until the
// fake goes, so a thread still serving one never meets a reused fd.
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
        for (const auto& [fd, devnode] : open_) {
            ::close(fd);
        }
        for (const int fd : deviceEnds_) {
            ::close(fd);
        }
    }

    void add(const std::string& devnode, Node node) {
        const std::lock_guard lock(mutex_);
        nodes_[devnode] = std::move(node);
    }
    int peer(const std::string& devnode) const {
        const std::lock_guard lock(mutex_);
        return peers_.at(devnode);
    }

    // Called with the device's end each time a node is opened, to start a device that answers.
    std::function<void(const std::string& devnode, int peer)> onOpen;
    bool listWorks = true;  // false: list() fails, though it still fills in the nodes

    bool list(std::vector<HidrawNode>& listed) override {
        const std::lock_guard lock(mutex_);
        listed.clear();
        for (const auto& [devnode, node] : nodes_) {
            listed.push_back({devnode.substr(devnode.rfind('/') + 1), devnode, true, node.vendorId,
                              node.productId, node.serial});
        }
        return listWorks;
    }

    int open(const std::string& devnode, int& error) override {
        const std::lock_guard lock(mutex_);
        const auto found = nodes_.find(devnode.c_str());  // as far as the kernel reads it
        error = found == nodes_.end() ? ENOENT : found->second.openError;
        int pair[2];
        if (error != 0 || ::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
            return -1;
        }
        deviceEnds_.push_back(peers_[devnode] = pair[1]);
        open_[pair[0]] = devnode;
        if (onOpen) {
            onOpen(devnode, pair[1]);
        }
        return pair[0];
    }

    void close(int fd) override {
        const std::lock_guard lock(mutex_);
        if (const auto found = open_.find(fd); found != open_.end()) {
            locks_[found->second].erase(fd);
            open_.erase(found);
            ::close(fd);
        }
    }

    bool rawInfo(int fd, std::uint16_t& vendorId, std::uint16_t& productId) override {
        const std::lock_guard lock(mutex_);
        vendorId = nodes_.at(open_.at(fd)).vendorId;
        productId = nodes_.at(open_.at(fd)).productId;
        return true;
    }

    bool reportDescriptor(int fd, std::vector<std::uint8_t>& descriptor) override {
        const std::lock_guard lock(mutex_);
        descriptor = nodes_.at(open_.at(fd)).descriptor;
        return !descriptor.empty();
    }

    // flock semantics per node: shared locks coexist, an exclusive one excludes all others.
    bool lock(int fd, bool exclusive) override {
        const std::lock_guard guard(mutex_);
        auto& holders = locks_[open_.at(fd)];
        holders.erase(fd);
        for (const auto& [holder, holderExclusive] : holders) {
            if (exclusive || holderExclusive) {
                return false;
            }
        }
        holders[fd] = exclusive;
        return true;
    }

    void unlock(int fd) override {
        const std::lock_guard lock(mutex_);
        locks_[open_.at(fd)].erase(fd);
    }

  private:
    mutable std::mutex mutex_;
    std::map<std::string, Node> nodes_;
    std::map<std::string, std::map<int, bool>> locks_;  // devnode -> fd -> exclusive
    std::map<std::string, int> peers_;                  // each node's latest device end
    std::vector<int> deviceEnds_;
    std::map<int, std::string> open_;
};

}  // namespace talo::linuxhid

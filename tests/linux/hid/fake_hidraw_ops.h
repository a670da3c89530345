#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/linux/hid/hidraw_ops.h"

namespace talo::linuxhid {

// hidraw nodes backed by SOCK_SEQPACKET socket pairs, which keep report boundaries as hidraw
// does. open() hands out one end; the test plays the device on the other, peer(devnode).
class FakeHidrawOps final : public HidrawOps {
  public:
    struct Node {
        std::vector<std::uint8_t> descriptor;
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        int openError = 0;  // errno for a refused open; 0 opens
    };

    ~FakeHidrawOps() override {
        for (const auto& [fd, devnode] : open_) {
            ::close(fd);
        }
        for (const auto& [devnode, fd] : peers_) {
            ::close(fd);
        }
    }

    void add(const std::string& devnode, Node node) { nodes_[devnode] = std::move(node); }
    int peer(const std::string& devnode) const { return peers_.at(devnode); }
    const std::vector<std::string>& opened() const { return opened_; }

    // Called with the device's end each time a node is opened, to start a device that answers.
    std::function<void(const std::string& devnode, int peer)> onOpen;

    int open(const std::string& devnode, int& error) override {
        opened_.push_back(devnode);
        const auto found = nodes_.find(devnode);
        error = found == nodes_.end() ? ENOENT : found->second.openError;
        int pair[2];
        if (error != 0 || ::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
            return -1;
        }
        if (peers_.count(devnode) != 0) {
            ::close(peers_[devnode]);
        }
        peers_[devnode] = pair[1];
        open_[pair[0]] = devnode;
        if (onOpen) {
            onOpen(devnode, pair[1]);
        }
        return pair[0];
    }

    void close(int fd) override {
        if (const auto found = open_.find(fd); found != open_.end()) {
            locks_[found->second].erase(fd);
        }
        if (open_.erase(fd) != 0) {
            ::close(fd);
        }
    }

    bool rawInfo(int fd, std::uint16_t& vendorId, std::uint16_t& productId) override {
        vendorId = nodes_.at(open_.at(fd)).vendorId;
        productId = nodes_.at(open_.at(fd)).productId;
        return true;
    }

    bool reportDescriptor(int fd, std::vector<std::uint8_t>& descriptor) override {
        descriptor = nodes_.at(open_.at(fd)).descriptor;
        return true;
    }

    // flock semantics per node: shared locks coexist, an exclusive one excludes all others.
    bool lock(int fd, bool exclusive) override {
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

    void unlock(int fd) override { locks_[open_.at(fd)].erase(fd); }

  private:
    std::map<std::string, Node> nodes_;
    std::map<std::string, std::map<int, bool>> locks_;  // devnode -> fd -> exclusive
    std::map<std::string, int> peers_;
    std::map<int, std::string> open_;
    std::vector<std::string> opened_;
};

}  // namespace talo::linuxhid

#include "platform/linux/hid/sysfs_hidraw_lister.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

namespace talo::linuxhid {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// DEVNAME from a uevent text; the node name relative to /dev.
std::string deviceName(const std::string& uevent) {
    constexpr std::string_view key = "DEVNAME=";
    std::size_t start = 0;
    while (start < uevent.size()) {
        const std::size_t end = std::min(uevent.find('\n', start), uevent.size());
        const std::string_view line(uevent.data() + start, end - start);
        if (line.substr(0, key.size()) == key) {
            return std::string(line.substr(key.size()));
        }
        start = end + 1;
    }
    return {};
}

}  // namespace

SysfsHidrawLister::SysfsHidrawLister(std::string sysRoot, std::string devRoot)
    : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)) {}

bool SysfsHidrawLister::list(std::vector<HidrawNode>& nodes) {
    nodes.clear();
    std::error_code error;
    if (!fs::is_directory(fs::path(sysRoot_), error)) {
        return false;
    }
    const fs::path classDir = fs::path(sysRoot_) / "class" / "hidraw";
    if (!fs::exists(classDir, error)) {
        return true;  // no hidraw driver loaded, so no devices
    }
    fs::directory_iterator entry(classDir, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        HidrawNode node;
        node.name = entry->path().filename().string();
        std::string devName = deviceName(readText(entry->path() / "uevent"));
        if (devName.empty()) {
            devName = node.name;
        }
        node.devnode = devRoot_ + "/" + devName;
        const std::string parent = readText(entry->path() / "device" / "uevent");
        node.idKnown = parseHidId(parent, node.vendorId, node.productId);
        node.serial = parseHidUniq(parent);
        nodes.push_back(std::move(node));
    }
    if (error) {
        nodes.clear();
        return false;
    }
    sortInKernelOrder(nodes);
    return true;
}

}  // namespace talo::linuxhid

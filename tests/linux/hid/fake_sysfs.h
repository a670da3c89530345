#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace talo::linuxhid {

// A throw-away directory laid out like the hidraw part of sysfs:
// class/hidraw/<name>/uevent and class/hidraw/<name>/device/uevent (the parent hid device).
class FakeSysfs {
  public:
    FakeSysfs() {
        std::string pattern = (std::filesystem::temp_directory_path() / "talo-sysfs-XXXXXX");
        root_ = ::mkdtemp(pattern.data());
    }
    ~FakeSysfs() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    std::string root() const { return root_.string(); }

    // Adds a hidraw node whose parent's uevent holds `hidId` (empty: no HID_ID line) and
    // `uniq` (empty: no HID_UNIQ line).
    void addHidraw(const std::string& name, const std::string& hidId,
                   const std::string& uniq = {}) {
        const std::filesystem::path node = root_ / "class" / "hidraw" / name;
        std::filesystem::create_directories(node / "device");
        std::ofstream(node / "uevent") << "MAJOR=241\nMINOR=0\nDEVNAME=" << name << "\n";
        std::ofstream parent(node / "device" / "uevent");
        parent << "DRIVER=hid-generic\n";
        if (!hidId.empty()) {
            parent << "HID_ID=" << hidId << "\n";
        }
        if (!uniq.empty()) {
            parent << "HID_UNIQ=" << uniq << "\n";
        }
        parent << "HID_NAME=Test device\nMODALIAS=hid:b0003g0001v00001209p00000001\n";
    }

    void makeEmptySystem() { std::filesystem::create_directories(root_ / "class"); }

  private:
    std::filesystem::path root_;
};

}  // namespace talo::linuxhid

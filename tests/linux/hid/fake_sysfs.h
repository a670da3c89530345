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
        std::string pattern = std::filesystem::temp_directory_path() / "talo-sysfs-XXXXXX";
        root_ = ::mkdtemp(pattern.data());
    }
    ~FakeSysfs() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    std::string root() const { return root_.string(); }
    void makeEmptySystem() { std::filesystem::create_directories(root_ / "class"); }

    // A node whose parent's uevent has HID_ID=`hidId` and, unless empty, HID_UNIQ=`uniq`.
    void addHidraw(const std::string& name, const std::string& hidId, const std::string& uniq) {
        const std::filesystem::path node = root_ / "class" / "hidraw" / name;
        std::filesystem::create_directories(node / "device");
        std::ofstream(node / "uevent") << "MAJOR=241\nDEVNAME=" << name << "\n";
        std::ofstream(node / "device" / "uevent")
            << "HID_ID=" << hidId << "\n"
            << (uniq.empty() ? "" : "HID_UNIQ=" + uniq + "\n");
    }

  private:
    std::filesystem::path root_;
};

}  // namespace talo::linuxhid

#include <cstdio>

#include "text_output.h"
#include "unit_scan.h"
#include "verb.h"

namespace talo::flash {
namespace {

std::string usbIds(const ExaminedDevice& device) {
    if (!device.hasAttributes) {
        return "----:----";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", device.vendorId, device.productId);
    return text;
}

std::string remark(const ExaminedDevice& device) {
    if (!device.opened) {
        return "  (cannot be opened)";
    }
    if (!device.hasAttributes) {
        return "  (ids cannot be read)";
    }
    return device.isUnit ? "  programming unit, id " + unitId(device) : "";
}

class ListVerb final : public Verb {
  public:
    std::string_view name() const override { return "list"; }
    std::string_view help() const override {
        return "every HID device examined, the programming units with their ids and paths";
    }

    VerbResult execute(Invocation& invocation) override {
        std::vector<ExaminedDevice> devices;
        if (!scanDevices(*invocation.hid, devices)) {
            return {ExitCode::Failed, "the list of HID devices cannot be had"};
        }
        std::size_t units = 0;
        for (const ExaminedDevice& device : devices) {
            units += device.isUnit ? 1 : 0;
        }
        if (invocation.args.json) {
            writeJson(invocation.json, devices);
        } else {
            std::ostream& out = invocation.console.out;
            for (const ExaminedDevice& device : devices) {
                out << usbIds(device) << "  " << toUtf8Lossy(device.path) << remark(device) << '\n';
            }
            out << devices.size() << " HID device(s) examined, " << units
                << " programming unit(s)\n";
        }
        if (units == 0) {
            return {ExitCode::NoUnit, "no programming unit found"};
        }
        return {};
    }

  private:
    static void writeJson(Json& json, const std::vector<ExaminedDevice>& devices) {
        Json list = Json::array();
        for (const ExaminedDevice& device : devices) {
            Json entry{{"path", utf8(device.path)}, {"opened", device.opened}};
            if (device.hasAttributes) {
                entry["vendorId"] = device.vendorId;
                entry["productId"] = device.productId;
            }
            entry["unit"] = device.isUnit;
            if (device.isUnit) {
                entry["id"] = unitId(device);
                entry["serial"] = device.serial.empty() ? Json(nullptr) : Json(utf8(device.serial));
            }
            list.push_back(std::move(entry));
        }
        json["devices"] = std::move(list);
    }
};

}  // namespace

std::unique_ptr<Verb> makeListVerb() {
    return std::make_unique<ListVerb>();
}

}  // namespace talo::flash

#include "scripted_hid.h"

#include <algorithm>
#include <cstring>

namespace talo::test {

void ScriptedHid::answer(std::uint8_t status, std::uint8_t byte3, std::vector<std::uint8_t> data) {
    std::vector<std::uint8_t> report(inputLength, 0);
    report[0] = 0x02;
    report[1] = status;
    report[3] = byte3;
    std::copy_n(data.begin(), std::min<std::size_t>(data.size(), report.size() - 4),
                report.begin() + 4);
    answers.push_back(std::move(report));
}

bool ScriptedHid::listInterfaces(std::vector<std::u16string>& paths) {
    paths = {u"scripted"};
    return true;
}

HidHandle ScriptedHid::open(const std::u16string&) {
    return kHandle;
}

void ScriptedHid::close(HidHandle) {}

bool ScriptedHid::attributes(HidHandle, std::uint16_t&, std::uint16_t&) {
    return false;
}

bool ScriptedHid::reportLengths(HidHandle, std::uint32_t& input, std::uint32_t& output) {
    input = inputLength;
    output = outputLength;
    return true;
}

bool ScriptedHid::writeReport(HidHandle handle, const std::uint8_t* data, std::size_t length) {
    if (handle != kHandle || length != outputLength || failWrite) {
        lastError_ = kWriteError;
        return false;
    }
    requests.emplace_back(data, data + length);
    lastError_ = 0;
    return true;
}

bool ScriptedHid::readReport(HidHandle handle, std::uint8_t* data, std::size_t length,
                             std::uint32_t) {
    ++reads;
    firstByteBeforeRead.push_back(data[0]);
    if (handle != kHandle || length != inputLength || failRead || answers.empty()) {
        lastError_ = kReadError;
        return false;
    }
    std::memcpy(data, answers.front().data(), length);
    answers.pop_front();
    lastError_ = 0;
    return true;
}

}  // namespace talo::test

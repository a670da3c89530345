#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app.h"
#include "interrupt_guard.h"
#include "resources/firmware_image.h"
#include "system_platform.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define TALO_ISATTY _isatty
#define TALO_FILENO _fileno
#else
#include <unistd.h>
#define TALO_ISATTY isatty
#define TALO_FILENO fileno
#endif

namespace {

bool isTerminal(FILE* stream) {
    return TALO_ISATTY(TALO_FILENO(stream)) != 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);  // the texts are printed as UTF-8
#endif
    talo::flash::installInterruptHandler();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto clock = talo::flash::makeSystemClock();
    talo::flash::Environment environment{
        talo::flash::Console{std::cout, std::cerr, std::cin, isTerminal(stdout), isTerminal(stderr),
                             isTerminal(stdin)},
        *clock,
        talo::FirmwareImage{talo_firmware_image, talo_firmware_image_size},
        talo::flash::makeSystemHid,
        talo::flash::noUnitHint,
        500,
        nullptr,
    };
    return talo::flash::runTool(arguments, environment);
}

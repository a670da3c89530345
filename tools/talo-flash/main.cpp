#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app.h"
#include "history/file_journal.h"
#include "history/history_file.h"
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
    using namespace talo::flash;
    installInterruptHandler();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto clock = makeSystemClock();
    const talo::FirmwareImage image{talo_firmware_image, talo_firmware_image_size};
    // An unwritable history never stops a write: it is said once, and the write goes on.
    talo::FileJournal journal(talo::recordSource("talo-flash", image), talo::defaultHistoryPath(),
                              [](const std::string& reason) {
                                  std::cerr
                                      << "talo-flash: the history cannot be written: " << reason
                                      << '\n'
                                      << std::flush;
                              });
    Environment environment{
        .console = Console{std::cout, std::cerr, std::cin, isTerminal(stdout), isTerminal(stderr),
                           isTerminal(stdin)},
        .clock = *clock,
        .image = image,
        .systemHid = makeSystemHid,
        .noUnitHint = noUnitHint,
        .unitClock = makeSystemClock,
        .journal = &journal,
        .historyFile = journal.file(),
        .systemAwake = makeSystemAwake,
        .simulation = nullptr,
    };
    return runTool(arguments, environment);
}

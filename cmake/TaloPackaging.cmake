# Packages made by `cpack` in a build directory: a .deb on Linux with whatever the areas'
# install rules install (talo-updater, talo-updater-sim, talo-flash, the udev rule, the desktop
# file, AppStream metadata and icons), and for Windows builds a .zip with talo-updater.exe and
# talo-flash.exe.
set(CPACK_PACKAGE_NAME "talo-updater")
set(CPACK_PACKAGE_VENDOR "MERIDOVAN")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Firmware updater for the TALO Max 150 speed controller, with the talo-flash command line")
set(CPACK_PACKAGE_CONTACT "MERIDOVAN Service <service@meridovan.de>")
set(CPACK_STRIP_FILES ON)

if(WIN32)
    # The Windows programs are self-contained (static) .exe files: a flat zip is enough.
    set(CPACK_GENERATOR "ZIP")
    set(CPACK_SYSTEM_NAME "win64")
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
    set(CPACK_GENERATOR "DEB")
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
    # Runtime libraries (Qt, libudev) are found by dpkg-shlibdeps from the binaries.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")

    # The window: its message boxes answer "Ja"/"Nein" only with Qt's German translation, which
    # it loads at run time (no library dependency shows it).
    if(CPACK_DEBIAN_PACKAGE_RECOMMENDS)
        string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS ", ")
    endif()
    string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
endif()

include(CPack)

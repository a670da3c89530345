# Header-only libraries from Debian packages: CLI11 (libcli11-dev) for the command line and
# nlohmann/json (nlohmann-json3-dev) for JSON. They live in /usr/include, which the MinGW build
# must not search (its own C library headers would clash), so only their two folders are
# copied into the build tree and offered through the interface target talo_header_libs.
find_path(TALO_CLI11_INCLUDE CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)
find_path(TALO_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)
if(NOT TALO_CLI11_INCLUDE OR NOT TALO_JSON_INCLUDE)
    message(FATAL_ERROR "CLI11 and nlohmann/json headers not found: run scripts/install-deps")
endif()

set(_talo_header_dir "${CMAKE_BINARY_DIR}/header-libs")
file(COPY "${TALO_CLI11_INCLUDE}/CLI" DESTINATION "${_talo_header_dir}")
file(COPY "${TALO_JSON_INCLUDE}/nlohmann" DESTINATION "${_talo_header_dir}")

add_library(talo_header_libs INTERFACE)
# SYSTEM: their headers are not held to the project's warnings-as-errors.
target_include_directories(talo_header_libs SYSTEM INTERFACE "${_talo_header_dir}")

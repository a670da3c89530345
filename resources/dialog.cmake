# The main window's layout: one source (main_dialog.tsv), generated when configuring into the
# Windows dialog template (TALO_DIALOG_RC) and the control table of the Linux window
# (resources/main_dialog_layout.h, through the interface library talo_dialog_layout).
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(_dialog_source "${CMAKE_CURRENT_SOURCE_DIR}/main_dialog.tsv")
set(_dialog_generator "${CMAKE_CURRENT_SOURCE_DIR}/make_dialog.py")
set(_dialog_rc "${CMAKE_BINARY_DIR}/resources/main_dialog.rc")
set(_dialog_header "${CMAKE_BINARY_DIR}/generated/resources/main_dialog_layout.h")
file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/generated/resources")

execute_process(
    COMMAND "${Python3_EXECUTABLE}" "${_dialog_generator}" "${_dialog_source}" "${_dialog_rc}"
            "${_dialog_header}"
    RESULT_VARIABLE _dialog_result)
if(NOT _dialog_result EQUAL 0)
    message(FATAL_ERROR "Generating the main window's layout from ${_dialog_source} failed")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_dialog_source}"
                                                              "${_dialog_generator}")

add_library(talo_dialog_layout INTERFACE)
target_include_directories(talo_dialog_layout INTERFACE "${CMAKE_BINARY_DIR}/generated")
set(TALO_DIALOG_RC "${_dialog_rc}" PARENT_SCOPE)

# The German message catalogue: one source (messages.tsv), generated at build time into a
# portable UTF-16 table (library talo_catalogue) and a Windows string table fragment
# (TALO_STRINGTABLE_RC, built by target talo_stringtable_rc).
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(_messages_source "${CMAKE_CURRENT_SOURCE_DIR}/messages.tsv")
set(_messages_generator "${CMAKE_CURRENT_SOURCE_DIR}/make_messages.py")
set(_messages_table "${CMAKE_CURRENT_BINARY_DIR}/messages_table.cpp")
set(_messages_rc "${CMAKE_BINARY_DIR}/resources/stringtable.rc")

add_custom_command(
    OUTPUT "${_messages_table}" "${_messages_rc}"
    COMMAND "${Python3_EXECUTABLE}" "${_messages_generator}" "${_messages_source}"
            "${_messages_table}" "${_messages_rc}"
    DEPENDS "${_messages_source}" "${_messages_generator}"
    COMMENT "Generating the message catalogue")

add_custom_target(talo_stringtable_rc DEPENDS "${_messages_rc}")

add_library(talo_catalogue STATIC "${CMAKE_CURRENT_SOURCE_DIR}/messages.cpp" "${_messages_table}")
target_include_directories(talo_catalogue PUBLIC "${PROJECT_SOURCE_DIR}")
target_compile_features(talo_catalogue PUBLIC cxx_std_20)
talo_set_warnings(talo_catalogue)
target_link_libraries(talo_core PUBLIC talo_catalogue)

# The Windows program includes the fragment into its resource script.
set(TALO_STRINGTABLE_RC "${_messages_rc}" PARENT_SCOPE)
set_property(GLOBAL PROPERTY TALO_STRINGTABLE_RC "${_messages_rc}")

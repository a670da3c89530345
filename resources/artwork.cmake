# Program artwork (logo and icon), drawn at build time by resources/artwork/make_artwork.py.
# Target talo_artwork; TALO_ARTWORK_DIR names the output folder (also a global property).

set(TALO_ARTWORK_DIR "${CMAKE_BINARY_DIR}/resources/artwork")

# The script needs PIL; a python3 on PATH (pyenv, venv) may lack it where the distribution's has it.
if(NOT TALO_ARTWORK_PYTHON)
    find_program(_artwork_python_candidate NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
    foreach(_candidate IN ITEMS "${_artwork_python_candidate}" "${Python3_EXECUTABLE}")
        if(_candidate)
            execute_process(COMMAND "${_candidate}" -c "import PIL"
                            RESULT_VARIABLE _pil_result OUTPUT_QUIET ERROR_QUIET)
            if(_pil_result EQUAL 0)
                set(TALO_ARTWORK_PYTHON "${_candidate}" CACHE FILEPATH "python3 with PIL for the artwork")
                break()
            endif()
        endif()
    endforeach()
    if(NOT TALO_ARTWORK_PYTHON)
        message(FATAL_ERROR "No python3 with PIL found for the artwork (install python3-pil)")
    endif()
endif()

set(TALO_ARTWORK_FILES
    "${TALO_ARTWORK_DIR}/logo.bmp"
    "${TALO_ARTWORK_DIR}/logo.png"
    "${TALO_ARTWORK_DIR}/icon.ico"
    "${TALO_ARTWORK_DIR}/icon.svg"
    "${TALO_ARTWORK_DIR}/icon-16.png"
    "${TALO_ARTWORK_DIR}/icon-24.png"
    "${TALO_ARTWORK_DIR}/icon-32.png"
    "${TALO_ARTWORK_DIR}/icon-48.png"
    "${TALO_ARTWORK_DIR}/icon-64.png"
    "${TALO_ARTWORK_DIR}/icon-128.png"
    "${TALO_ARTWORK_DIR}/icon-256.png")

add_custom_command(
    OUTPUT ${TALO_ARTWORK_FILES}
    COMMAND "${TALO_ARTWORK_PYTHON}" "${CMAKE_CURRENT_SOURCE_DIR}/artwork/make_artwork.py"
            "${TALO_ARTWORK_DIR}"
    DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/artwork/make_artwork.py"
    COMMENT "Drawing the logo and the icon")
add_custom_target(talo_artwork DEPENDS ${TALO_ARTWORK_FILES})

set(TALO_ARTWORK_DIR "${TALO_ARTWORK_DIR}" PARENT_SCOPE)
set(TALO_ARTWORK_FILES "${TALO_ARTWORK_FILES}" PARENT_SCOPE)
set_property(GLOBAL PROPERTY TALO_ARTWORK_DIR "${TALO_ARTWORK_DIR}")

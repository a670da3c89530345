# GoogleTest for the MinGW build: compiled from the sources the distribution ships, with the
# cross compiler, since the host's libgtest cannot link into Windows programs.
if(TARGET GTest::gtest)
    return()
endif()

set(TALO_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
if(NOT EXISTS "${TALO_GOOGLETEST_SOURCE}/CMakeLists.txt")
    set(GTest_FOUND FALSE)
    return()
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory("${TALO_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

foreach(_lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${_lib})
        add_library(GTest::${_lib} ALIAS ${_lib})
    endif()
endforeach()
set(GTest_FOUND TRUE)

# GoogleTest for a cross build. The distribution's prebuilt GoogleTest is for the machine's own
# processor only (none for the mingw-w64 targets or 32-bit Linux), so when none is found for the
# target it is built from the source the distribution ships, inside the build tree, and given
# the names find_package(GTest) would give (GTest::gtest, ...).
find_package(GTest QUIET)
if(GTest_FOUND)
    return()
endif()

set(ZEV_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree to build for the target")
if(NOT EXISTS ${ZEV_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest for the target and no GoogleTest source at "
                        "${ZEV_GTEST_SOURCE_DIR} (install libgtest-dev and libgmock-dev)")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)

# GoogleTest is third-party code: build it without the project's warning flags.
get_directory_property(zev_saved_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${ZEV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${zev_saved_options}")

foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
        add_library(GTest::${lib} ALIAS ${lib})
    endif()
endforeach()
set(GTest_FOUND TRUE)

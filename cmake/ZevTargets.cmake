# Helpers that keep the folder CMakeLists short: a library is every .cpp of its folder(s),
# a unit test executable is every .cpp of its test folder.

# zev_library(<name> [DIRS dir...] [DEPS target...])
function(zev_library name)
    cmake_parse_arguments(Z "" "" "DIRS;DEPS" ${ARGN})
    if(NOT Z_DIRS)
        set(Z_DIRS ${CMAKE_CURRENT_SOURCE_DIR})
    endif()
    set(srcs)
    foreach(d ${Z_DIRS})
        file(GLOB s CONFIGURE_DEPENDS ${d}/*.cpp)
        list(APPEND srcs ${s})
    endforeach()
    if(srcs)
        add_library(${name} STATIC ${srcs})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${Z_DEPS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${Z_DEPS})
    endif()
endfunction()

# The status with which scripts/wine-run.sh refuses a program it cannot run (a 32-bit Windows
# program under 64-bit Wine): tests run through it report that status as "not run", never as
# passed or failed.
set(ZEV_NOT_RUN_STATUS 77)

# zev_test(<name> DIR <dir> [DEPS target...] [LABELS label...] [TIMEOUT seconds])
# Builds tests from every .cpp of DIR and registers each GoogleTest case with CTest.
function(zev_test name)
    cmake_parse_arguments(Z "" "DIR;TIMEOUT" "DEPS;LABELS" ${ARGN})
    file(GLOB srcs CONFIGURE_DEPENDS ${Z_DIR}/*.cpp)
    if(NOT srcs)
        return()
    endif()
    if(NOT Z_TIMEOUT)
        set(Z_TIMEOUT 120)
    endif()
    add_executable(${name} ${srcs})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${Z_DEPS} GTest::gtest GTest::gtest_main)
    if(CMAKE_CROSSCOMPILING_EMULATOR)
        # A test that runs only through an emulator (Wine for Windows) cannot list its cases at
        # build time: the executable is one test, run through the emulator.
        add_test(NAME ${name} COMMAND ${name})
        math(EXPR whole "${Z_TIMEOUT} * 5")
        set_tests_properties(${name} PROPERTIES TIMEOUT ${whole} LABELS "${Z_LABELS}"
                             SKIP_RETURN_CODE ${ZEV_NOT_RUN_STATUS})
    else()
        gtest_discover_tests(${name}
            DISCOVERY_TIMEOUT 60
            PROPERTIES TIMEOUT ${Z_TIMEOUT} LABELS "${Z_LABELS}")
    endif()
endfunction()

# Install rules and CPack: "cpack -G DEB" in a Linux build directory makes the Debian package,
# "cpack -G ZIP" in a Windows cross build directory the .zip. The layout (ZEV_INSTALL_*_DIR) is
# set in the top CMakeLists, where zev-pack learns where to find the updater from it.
#
# Linux, under /usr:
#   bin/zev-pack, bin/zev-devsim                  the publisher's tool, the simulated devices
#   lib/zev-programmer/zev-programmer            the bare updater zev-pack appends packages to
#   share/applications/zev-programmer.desktop    its desktop entry (window class zev-programmer)
#   share/icons/hicolor/*/apps/zev-programmer.png
#   share/doc/zev-programmer/README.md
# Windows, one folder: ZEVProgrammer.exe, zev-pack.exe, PUBLISHING.txt (the publisher's part of
# the README).
#
# Binaries are stripped on the way into a package (CPACK_STRIP_FILES, or "cmake --install
# --strip"), so a RelWithDebInfo tree packs the same code as a Release one, without its debug
# information.

set(CPACK_PACKAGE_NAME zev-programmer)
set(CPACK_PACKAGE_VENDOR ORVEL)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "firmware updater for serial-bus devices with a serial bootloader")
set(CPACK_STRIP_FILES ON)

# The parts of README.md a reader of the package needs, by their headings.
function(zev_readme_sections out)
    file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
    set(text "")
    foreach(heading ${ARGN})
        string(FIND "${readme}" "\n## ${heading}\n" start)
        if(start EQUAL -1)
            message(FATAL_ERROR "README.md has no section \"${heading}\"")
        endif()
        math(EXPR start "${start} + 1")
        string(SUBSTRING "${readme}" ${start} -1 rest)
        string(FIND "${rest}" "\n## " end)
        if(NOT end EQUAL -1)
            math(EXPR end "${end} + 1")
            string(SUBSTRING "${rest}" 0 ${end} rest)
        endif()
        string(APPEND text "${rest}\n")
    endforeach()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)

if(WIN32)
    if(TARGET ZEVProgrammer)
        install(TARGETS ZEVProgrammer RUNTIME DESTINATION ${ZEV_INSTALL_UPDATER_DIR})
    endif()
    install(TARGETS zev-pack RUNTIME DESTINATION ${ZEV_INSTALL_TOOL_DIR})
    zev_readme_sections(publishing "Install" "Publishing firmware"
                        "Error codes the updater shows")
    string(REPLACE "\n" "\r\n" publishing "ZEV Programmer ${PROJECT_VERSION}\n\n${publishing}")
    file(WRITE ${CMAKE_BINARY_DIR}/PUBLISHING.txt "${publishing}")
    install(FILES ${CMAKE_BINARY_DIR}/PUBLISHING.txt DESTINATION .)

    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(CPACK_PACKAGE_FILE_NAME zev-programmer-${PROJECT_VERSION}-win32)
    else()
        set(CPACK_PACKAGE_FILE_NAME zev-programmer-${PROJECT_VERSION}-win64)
    endif()
    set(CPACK_GENERATOR ZIP)
else()
    install(TARGETS zev-pack RUNTIME DESTINATION ${ZEV_INSTALL_TOOL_DIR})
    if(TARGET zev-devsim)
        install(TARGETS zev-devsim RUNTIME DESTINATION ${ZEV_INSTALL_TOOL_DIR})
    endif()
    if(TARGET zev-programmer)
        install(TARGETS zev-programmer RUNTIME DESTINATION ${ZEV_INSTALL_UPDATER_DIR})
        # The desktop entry names the updater by its installed path, known only at install time
        # (cpack installs under /usr, "cmake --install" under its prefix).
        set(desktop_in ${PROJECT_SOURCE_DIR}/gui/qt/resources/zev-programmer.desktop.in)
        install(CODE "
            set(ZEV_UPDATER_PATH \"\${CMAKE_INSTALL_PREFIX}/${ZEV_INSTALL_UPDATER_DIR}/${ZEV_UPDATER_FILE_NAME}\")
            set(desktop \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/applications/zev-programmer.desktop\")
            message(STATUS \"Installing: \${desktop}\")
            configure_file(\"${desktop_in}\" \"\${desktop}\" @ONLY)
        ")
        foreach(size 256 48)
            install(FILES ${PROJECT_SOURCE_DIR}/gui/qt/resources/zev-programmer-${size}.png
                    DESTINATION share/icons/hicolor/${size}x${size}/apps
                    RENAME zev-programmer.png)
        endforeach()
    endif()
    install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/zev-programmer)

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER ORVEL)
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "zev-pack makes an updater from a firmware's Intel HEX file: the bare updater with the\n"
        "firmware appended, one file that a technician runs to search every serial port and\n"
        "write every device found. zev-devsim simulates such devices on pseudo-terminals.")
    string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
    # The libraries come from the binaries (dpkg-shlibdeps); Qt's platform plugin is loaded at
    # run time, which no binary shows, and libqt6gui6 only recommends it.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    if(TARGET zev-programmer)
        set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
    endif()
endif()

include(CPack)

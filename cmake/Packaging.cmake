# Installation and the Debian package: `cmake --build build --target package` (see README).
include(GNUInstallDirs)

install(TARGETS varnok varnok-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(tool varnok-emu varnok-edid-report varnok-cli)
    if(TARGET ${tool})
        install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

# The package's maintainer; the default is a placeholder that lintian accepts. A distributor sets
# their own: cmake -DVARNOK_MAINTAINER="Name <address>".
set(VARNOK_MAINTAINER "The Varnok developers <varnok@example.org>"
    CACHE STRING "Maintainer of the Debian package, as Name <address>")

# A man page for every installed program, and the changelog, compressed as Debian policy asks
# (gzip -9n: no file name and no time stamp inside, so a rebuild gives the same bytes).
find_program(VARNOK_GZIP gzip REQUIRED)
set(varnok_docs ${CMAKE_BINARY_DIR}/packaging)
set(varnok_man_sources packaging/man/varnok.1 packaging/man/varnok-demo.1 packaging/man/varnok-emu.1
                       packaging/man/varnok-edid-report.1)
if(TARGET varnok-cli)
    list(APPEND varnok_man_sources cli/varnok-cli.1)
endif()
configure_file(packaging/debian/changelog.in ${varnok_docs}/changelog @ONLY)
set(varnok_gzipped)
foreach(source ${varnok_man_sources} ${varnok_docs}/changelog)
    get_filename_component(name ${source} NAME)
    get_filename_component(path ${source} ABSOLUTE)
    execute_process(COMMAND ${VARNOK_GZIP} -9nc INPUT_FILE ${path}
                    OUTPUT_FILE ${varnok_docs}/${name}.gz COMMAND_ERROR_IS_FATAL ANY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
    list(APPEND varnok_gzipped ${varnok_docs}/${name}.gz)
endforeach()
list(FILTER varnok_gzipped INCLUDE REGEX "\\.1\\.gz$")
install(FILES ${varnok_gzipped} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/debian/copyright ${varnok_docs}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/varnok)
install(FILES packaging/varnok.desktop packaging/varnok-demo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/varnok.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/io.github.varnok.varnok.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "varnok")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VARNOK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VARNOK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tool for an HDMI EDID device over its serial port")
set(CPACK_PACKAGE_DESCRIPTION
    "Downloads, analyses, creates and uploads EDIDs and updates the device's\n\
firmware. varnok-demo runs it with an emulated device, so it can be tried\n\
without hardware. To reach the serial port as an ordinary user, be a member of\n\
the group dialout (sudo usermod -aG dialout USER, then log in again).")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The EDID window's full decode runs edid-decode; without it the tab names this package.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "edid-decode")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
include(CPack)

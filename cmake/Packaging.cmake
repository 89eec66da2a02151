# Installation and the Debian package: `cmake --build build --target package` (see README).
include(GNUInstallDirs)

install(TARGETS varnok varnok-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(tool varnok-emu varnok-edid-report varnok-cli)
    if(TARGET ${tool})
        install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()
if(TARGET varnok-cli)
    install(FILES cli/varnok-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES packaging/varnok.desktop packaging/varnok-demo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/varnok.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/io.github.varnok.Varnok.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "varnok")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Varnok developers <varnok@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tool for an HDMI EDID device over its serial port")
set(CPACK_PACKAGE_DESCRIPTION
    "Downloads, analyses, creates and uploads EDIDs and updates the device's firmware.\n\
varnok-demo runs it with an emulated device, so it can be tried without hardware.\n\
To reach the serial port as an ordinary user, be a member of the group dialout\n\
(sudo usermod -aG dialout USER, then log in again).")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The EDID window's full decode runs edid-decode; without it the tab names this package.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "edid-decode")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
include(CPack)

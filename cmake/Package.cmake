# What "cmake --install" puts beside the two programs, and the Debian
# package "cpack -G DEB" makes of it.
install(FILES ${PROJECT_SOURCE_DIR}/resources/cvcfg.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/cvcfg.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/cvcfg.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME com.corvane.cvcfg.metainfo.xml)
install(FILES ${PROJECT_SOURCE_DIR}/resources/cvcfg.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME cvcfg)
install(FILES ${PROJECT_SOURCE_DIR}/docs/cvcfg.1 ${PROJECT_SOURCE_DIR}/docs/cvcfg-unit.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cvcfg)
set(CPACK_PACKAGE_VENDOR "CVCFG")
set(CPACK_PACKAGE_CONTACT "CVCFG maintainers <cvcfg@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configure Corvane protocol converters over a serial port")
set(CPACK_PACKAGE_DESCRIPTION
    "CVCFG configures the Corvane protocol converters that join Allen-Bradley networks to \
Modbus, ASCII devices and other DF1 devices, from a desktop program or the shell. \
cvcfg-unit simulates a unit on a pseudo-terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The libraries the programs link are found by dpkg-shlibdeps; Qt's platform
# plugins are loaded at run time, so no scan can find them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)

# What "cmake --install" puts beside the two programs, and the Debian
# package "cpack -G DEB" makes of it.
install(FILES ${PROJECT_SOURCE_DIR}/resources/cvcfg.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/cvcfg.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/cvcfg-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME cvcfg.xml)

# The icon in the fixed sizes of the icon theme, rendered from the SVG at
# build time, so that the pictures always follow it.
find_package(Qt6 REQUIRED COMPONENTS Svg)
add_executable(cvcfg_render_icon ${PROJECT_SOURCE_DIR}/resources/rendericon.cpp)
target_link_libraries(cvcfg_render_icon PRIVATE Qt6::Svg Qt6::Gui)
cvcfg_set_warnings(cvcfg_render_icon)
set(cvcfg_icon_sizes 16 32 48 64 128 256)
set(cvcfg_icon_dir ${CMAKE_BINARY_DIR}/package/icons)
set(cvcfg_icons)
foreach(size ${cvcfg_icon_sizes})
    list(APPEND cvcfg_icons ${cvcfg_icon_dir}/${size}x${size}/cvcfg.png)
    install(FILES ${cvcfg_icon_dir}/${size}x${size}/cvcfg.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_command(OUTPUT ${cvcfg_icons}
                   COMMAND cvcfg_render_icon ${PROJECT_SOURCE_DIR}/resources/cvcfg.svg
                           ${cvcfg_icon_dir} ${cvcfg_icon_sizes}
                   DEPENDS cvcfg_render_icon ${PROJECT_SOURCE_DIR}/resources/cvcfg.svg VERBATIM)
add_custom_target(cvcfg_icons ALL DEPENDS ${cvcfg_icons})
install(FILES ${PROJECT_SOURCE_DIR}/resources/cvcfg.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME com.corvane.cvcfg.metainfo.xml)
install(FILES ${PROJECT_SOURCE_DIR}/resources/cvcfg.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME cvcfg)

# The package's maintainer: whoever builds it, as git knows them, unless
# CVCFG_MAINTAINER names someone.
execute_process(COMMAND git config user.name WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                OUTPUT_VARIABLE cvcfg_git_name OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
execute_process(COMMAND git config user.email WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                OUTPUT_VARIABLE cvcfg_git_email OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(cvcfg_git_name AND cvcfg_git_email MATCHES "^[^@ ]+@[^@ ]+[.][^@ ]+$")
    set(cvcfg_maintainer "${cvcfg_git_name} <${cvcfg_git_email}>")
else()
    set(cvcfg_maintainer "CVCFG maintainers <maintainers@cvcfg.example.org>")
endif()
set(CVCFG_MAINTAINER "${cvcfg_maintainer}" CACHE STRING
    "The Maintainer field of the Debian package: Name <address>")

# Manual pages and the changelog go compressed, as Debian's policy has them;
# -n keeps the build's time out of the files.
set(cvcfg_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/cvcfg)
configure_file(${PROJECT_SOURCE_DIR}/resources/changelog.Debian.in
               ${CMAKE_BINARY_DIR}/package/changelog.Debian @ONLY)
set(cvcfg_compressed)
foreach(source ${PROJECT_SOURCE_DIR}/docs/cvcfg.1 ${PROJECT_SOURCE_DIR}/docs/cvcfg-unit.1
               ${CMAKE_BINARY_DIR}/package/changelog.Debian)
    get_filename_component(name ${source} NAME)
    set(compressed ${CMAKE_BINARY_DIR}/package/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
                       COMMAND gzip -9n -c ${source} > ${compressed}
                       DEPENDS ${source} VERBATIM)
    list(APPEND cvcfg_compressed ${compressed})
endforeach()
add_custom_target(cvcfg_package_files ALL DEPENDS ${cvcfg_compressed})
install(FILES ${CMAKE_BINARY_DIR}/package/cvcfg.1.gz ${CMAKE_BINARY_DIR}/package/cvcfg-unit.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/package/changelog.Debian.gz
              ${PROJECT_SOURCE_DIR}/resources/copyright
        DESTINATION ${cvcfg_doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/resources/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME cvcfg)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cvcfg)
set(CPACK_PACKAGE_VENDOR "CVCFG")
set(CPACK_PACKAGE_CONTACT "${CVCFG_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configure Corvane protocol converters over a serial port")
# Lines of the long description stay under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "CVCFG configures the Corvane protocol converters that join Allen-Bradley
networks to Modbus, ASCII devices and other DF1 devices, from a desktop
program or the shell. cvcfg-unit simulates a unit on a pseudo-terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A Debian revision of its own: the changelog is the package's, not upstream's.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# The programs go stripped; their debug information goes into a dbgsym package.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The libraries the programs link are found by dpkg-shlibdeps; Qt's plugins
# are loaded at run time, so no scan can find them: the platform plugins,
# and the SVG plugins that draw the forms' pictures and the icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
include(CPack)

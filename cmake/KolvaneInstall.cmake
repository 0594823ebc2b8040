# Installing the Linux program: the executable, its desktop entry, the icon in the hicolor theme
# and the AppStream data, and a Debian package of all of it (cpack -G DEB).
include(GNUInstallDirs)

set(linux_sources ${PROJECT_SOURCE_DIR}/resources/linux)
set(linux_build ${PROJECT_BINARY_DIR}/linux)

install(TARGETS Kolvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

configure_file(${linux_sources}/kolvane.desktop.in ${linux_build}/${KOLVANE_APP_ID}.desktop @ONLY)
configure_file(${linux_sources}/kolvane.metainfo.xml.in
               ${linux_build}/${KOLVANE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${linux_build}/${KOLVANE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${linux_build}/${KOLVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The program's own drawing is the scalable icon; the fixed sizes are rendered from it.
set(icon_svg ${PROJECT_SOURCE_DIR}/resources/app/kolvane.svg)
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${KOLVANE_APP_ID}.svg)
find_program(KOLVANE_RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_pngs)
foreach(size 16 24 32 48 64 128 256)
  set(png ${linux_build}/icons/${size}x${size}/${KOLVANE_APP_ID}.png)
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${linux_build}/icons/${size}x${size}
    COMMAND ${KOLVANE_RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${icon_svg}
    DEPENDS ${icon_svg}
    VERBATIM)
  list(APPEND icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(kolvane_icons ALL DEPENDS ${icon_pngs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kolvane)
set(CPACK_PACKAGE_VENDOR Kolvane)
set(CPACK_PACKAGE_CONTACT "Kolvane <kolvane@kolvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Scheduled backup of folders and files")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Libraries come from the binary; Qt's plugins (the SVG pictures, the window-system connection)
# are loaded at run time, so no library dependency names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
include(CPack)

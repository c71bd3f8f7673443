# SPDX-License-Identifier: GPL-3.0-or-later
# Installing Kestrow as a desktop program: the two programs, the menu entry, the file
# types, the icons, the AppStream metainfo and the manual pages, and a Debian package of
# them all (cpack -G DEB).
include(GNUInstallDirs)

set(KESTROW_APP_ID org.example.Kestrow)
set(KESTROW_RELEASE_DATE 2026-12-08)
set(KESTROW_ICON_SIZES 16 24 32 48 64 128 256)
set(desktop_out ${CMAKE_BINARY_DIR}/desktop)

install(TARGETS kestrow kestrow-dfs RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/${KESTROW_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${KESTROW_APP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ${KESTROW_APP_ID}.xml)
configure_file(data/${KESTROW_APP_ID}.metainfo.xml.in
               ${desktop_out}/${KESTROW_APP_ID}.metainfo.xml @ONLY)
install(FILES ${desktop_out}/${KESTROW_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon is the About box's picture: the SVG as it is, and PNG sizes rendered from it.
set(icon_svg ${CMAKE_SOURCE_DIR}/src/resources/kestrow_logo.svg)
add_executable(render_icon data/render_icon.cpp)
target_link_libraries(render_icon PRIVATE Qt6::Svg Qt6::Gui)
set(icon_pngs)
foreach(size IN LISTS KESTROW_ICON_SIZES)
  list(APPEND icon_pngs ${desktop_out}/icons/${size}.png)
  install(FILES ${desktop_out}/icons/${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${KESTROW_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${icon_pngs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${desktop_out}/icons
  COMMAND render_icon ${icon_svg} ${desktop_out}/icons ${KESTROW_ICON_SIZES}
  DEPENDS render_icon ${icon_svg}
  COMMENT "Rendering the icon's PNG sizes")
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${KESTROW_APP_ID}.svg)

# Manual pages. kestrow-dfs.1 takes its synopsis from the built program's usage text.
add_custom_command(OUTPUT ${desktop_out}/kestrow-dfs.1
  COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:kestrow-dfs>
          -DTEMPLATE=${CMAKE_SOURCE_DIR}/docs/man/kestrow-dfs.1.in
          -DOUTPUT=${desktop_out}/kestrow-dfs.1 -DPROJECT_VERSION=${PROJECT_VERSION}
          -DKESTROW_RELEASE_DATE=${KESTROW_RELEASE_DATE}
          -P ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
  DEPENDS kestrow-dfs ${CMAKE_SOURCE_DIR}/docs/man/kestrow-dfs.1.in
          ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
  COMMENT "Writing the kestrow-dfs manual page")
configure_file(docs/man/kestrow.1.in ${desktop_out}/kestrow.1 @ONLY)
install(FILES ${desktop_out}/kestrow-dfs.1 ${desktop_out}/kestrow.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
add_custom_target(kestrow_desktop_files ALL DEPENDS ${icon_pngs} ${desktop_out}/kestrow-dfs.1)

# The Debian package. dpkg-shlibdeps finds the libraries the programs link; the Qt
# platform plugins and image formats they load at run time are named here.
set(CPACK_PACKAGE_NAME kestrow)
set(CPACK_PACKAGE_VENDOR "The Kestrow developers")
set(CPACK_PACKAGE_CONTACT "Kestrow <kestrow@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manager for Acorn DFS disk images of the BBC Micro")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Kestrow opens single- and double-sided Acorn DFS disk images (.ssd, .dsd) in a "
  "multiple-document window: list, delete, lock, rename and re-address files, drop host "
  "files in with their .INF side-cars, drag files out, and inspect and edit any file's "
  "bytes. kestrow-dfs does the same from the command line.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
include(CPack)

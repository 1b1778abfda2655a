# SPDX-License-Identifier: GPL-3.0-or-later
# Installation of both programs with their desktop entries, icons and AppStream data, and the Debian
# package: `cmake --install <build>` or `cpack -G DEB` in the build folder.

set(EARLUME_DATA_DIR ${PROJECT_SOURCE_DIR}/data)

# The settings program starts the agent found in its own folder, so both go into the same bindir.
install(TARGETS Earlume Earlume_Settings earlume-status RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS earlume-update-check RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/earlume)

install(FILES
    ${EARLUME_DATA_DIR}/com.vostel.Earlume.desktop
    ${EARLUME_DATA_DIR}/com.vostel.Earlume.Settings.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${EARLUME_DATA_DIR}/com.vostel.Earlume.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The application icon, and the agent's symbolic tray icons (earlume-*-symbolic), which the tray item names.
install(DIRECTORY ${EARLUME_DATA_DIR}/icons/
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
    FILES_MATCHING PATTERN "com.vostel.Earlume.*" PATTERN "earlume-*.svg")

# Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME earlume)
set(CPACK_PACKAGE_VENDOR Vostel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Earlume developers <earlume@vostel.com>" CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "battery levels of Apple AirPods in the system tray")
set(CPACK_PACKAGE_DESCRIPTION
    "Earlume shows the battery levels of your AirPods (each bud and the case)
in the system tray, and connects or disconnects them with one click. It
reads them through BlueZ. Earlume Settings chooses its options, starts
and stops it, and can start it at login.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://earlume.vostel.com")
# dpkg-shlibdeps works out the libraries the programs link; xdg-open opens the settings program's URL.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads the SVG artwork and the X11 platform as plugins, and the agent libcrypto when it first resolves a private
# address: dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils, libqt6svg6 (>= 6.4), qt6-qpa-plugins, libssl3")
# BlueZ provides the AirPods, the portal the light or dark appearance, Qt's Wayland plugin a native window on Wayland,
# Qt's translations the standard buttons in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bluez, dbus-user-session | dbus-x11, xdg-desktop-portal, xwayland, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-shell-extension-appindicator")

include(CPack)

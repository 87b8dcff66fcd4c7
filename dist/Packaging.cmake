# The Debian package, made by CPack from the install rules (scripts/package).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vell)
set(CPACK_PACKAGE_VENDOR "Vell studio")
# The studio has no public mail address yet: example is a reserved domain (RFC 2606), so the
# address reaches no stranger; a distributor sets its own with -DVELL_PACKAGE_CONTACT=...
set(VELL_PACKAGE_CONTACT "Vell studio <packages@vell.example>" CACHE STRING "The package's maintainer")
set(CPACK_PACKAGE_CONTACT "${VELL_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "city-tram game, map editor and headless simulator")
# Debian wants the lines of the long description shorter than 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "VellGame opens a city map, lays the tram routes and runs every tram; the\n\
player watches from above or drives one tram from a 3D cab. VellEditor draws\n\
maps and routes; VellSim runs the same model without a screen. All three\n\
speak English or Russian as the locale says (the game and the editor also\n\
take --lang). A demo city is included.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from dpkg-shlibdeps; what is loaded at run time without being linked is named:
# Qt's window-system plugins and Russian texts, Mesa's drivers for the cab view, the editor's
# condensed font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, libgl1-mesa-dri, fonts-dejavu-core, fonts-dejavu-extra")
include(CPack)

# The Debian package: the changelog and copyright that Debian wants beside the programs,
# and CPack's settings. The package takes the project's version.
include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/gzipped.cmake)

set(VARNHOLT_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/varnholt)
varnholt_install_gzipped(docs/changelog ${VARNHOLT_DOC_DIR})

# Debian's machine-readable copyright, written from LICENSE so that the licence has one
# text: its paragraphs become the indented body, an empty line a lone ".".
file(READ ${CMAKE_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" notice "${license}")
set(holder ${CMAKE_MATCH_1})
string(FIND "${license}" "Permission is hereby granted" body_start)
string(SUBSTRING "${license}" ${body_start} -1 body)
string(STRIP "${body}" body)
string(REPLACE "\n\n" "\n.\n" body "${body}")
string(REPLACE "\n" "\n " body "${body}")
file(WRITE ${CMAKE_BINARY_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Varnholt
Upstream-Contact: Dremlock <support@dremlock.invalid>

Files: *
Copyright: ${holder}
License: Expat
 ${body}
")
install(FILES ${CMAKE_BINARY_DIR}/copyright DESTINATION ${VARNHOLT_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnholt)
set(CPACK_PACKAGE_VENDOR Dremlock)
set(CPACK_PACKAGE_CONTACT "Dremlock <support@dremlock.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Rewrites an ECU's application firmware over a serial line")
set(CPACK_PACKAGE_DESCRIPTION [[
Varnholt brings an ECU into its bootloader with the DTR and RTS lines,
erases the application, sends an Intel HEX image, verifies and resets
the unit, and logs every step. A rehearsal on a simulated ECU needs no unit.
Its command-line twin, varnholt-cli, flashes several units at once and
keeps a record of what went into each.]])
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debian ships no debug symbols in a program's own package.
set(CPACK_STRIP_FILES ON)
# The window icon is drawn by a plugin that no program links, and varnholt-cli reaches its
# databases through Qt's SQL drivers, plugins too; their packages are named after the Qt
# the programs were built with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt${VARNHOLT_QT}svg${VARNHOLT_QT}, libqt${VARNHOLT_QT}sql${VARNHOLT_QT}-sqlite, \
libqt${VARNHOLT_QT}sql${VARNHOLT_QT}-psql")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)

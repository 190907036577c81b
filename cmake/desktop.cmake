# Desktop integration: the icon, the menu entries, AppStream metadata, the man page and
# the licence, installed under the usual prefixes, and the Debian package that holds them.
include(GNUInstallDirs)

set_target_properties(varnholt-tool varnholt-rehearsal PROPERTIES AUTORCC ON)
target_sources(varnholt-tool PRIVATE ${CMAKE_SOURCE_DIR}/desktop/varnholt.qrc)
target_sources(varnholt-rehearsal PRIVATE ${CMAKE_SOURCE_DIR}/desktop/varnholt.qrc)

install(TARGETS varnholt-rehearsal RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES desktop/varnholt.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES desktop/com.dremlock.varnholt.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES desktop/Varnholt.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES desktop/Varnholt.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 RENAME varnholt-rehearsal.1)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/varnholt RENAME copyright)

# The menu entries name the programs by their full path, which is known only once the
# prefix is, at install time.
foreach(entry varnholt varnholt-rehearsal)
    set(configured ${CMAKE_CURRENT_BINARY_DIR}/desktop/${entry}.desktop)
    install(CODE "
        set(BINDIR \"${CMAKE_INSTALL_BINDIR}\")
        if(NOT IS_ABSOLUTE \"\${BINDIR}\")
            set(BINDIR \"\${CMAKE_INSTALL_PREFIX}/\${BINDIR}\")
        endif()
        configure_file(\"${CMAKE_SOURCE_DIR}/desktop/${entry}.desktop\" \"${configured}\" @ONLY)
    ")
    install(FILES ${configured} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnholt)
set(CPACK_PACKAGE_VENDOR Dremlock)
set(CPACK_PACKAGE_CONTACT "Dremlock <support@dremlock.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Rewrites an ECU's application firmware over a serial line")
set(CPACK_PACKAGE_DESCRIPTION "Varnholt brings an ECU into its bootloader with the DTR and RTS lines, erases the application, sends an Intel HEX image, verifies and resets the unit, and logs every step. A rehearsal on a simulated ECU needs no unit.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window icon is drawn by a plugin that no program links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt5svg5")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)

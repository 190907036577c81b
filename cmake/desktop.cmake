# Desktop integration: the icon (also the windows' own, from a Qt resource), the menu
# entries and the AppStream metadata, installed under the usual prefixes.
include(GNUInstallDirs)

set_target_properties(varnholt-tool varnholt-rehearsal PROPERTIES AUTORCC ON)
target_sources(varnholt-tool PRIVATE ${CMAKE_SOURCE_DIR}/desktop/varnholt.qrc)
target_sources(varnholt-rehearsal PRIVATE ${CMAKE_SOURCE_DIR}/desktop/varnholt.qrc)

install(FILES desktop/varnholt.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The metadata names the release by the project's version.
set(metainfo ${CMAKE_BINARY_DIR}/desktop/com.dremlock.varnholt.metainfo.xml)
configure_file(desktop/com.dremlock.varnholt.metainfo.xml ${metainfo} @ONLY)
install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The menu entries name the programs by their full path, which is known only once the
# prefix is, at install time.
foreach(entry varnholt varnholt-rehearsal)
    set(configured ${CMAKE_BINARY_DIR}/desktop/${entry}.desktop)
    install(CODE "
        set(BINDIR \"${CMAKE_INSTALL_BINDIR}\")
        if(NOT IS_ABSOLUTE \"\${BINDIR}\")
            set(BINDIR \"\${CMAKE_INSTALL_PREFIX}/\${BINDIR}\")
        endif()
        configure_file(\"${CMAKE_SOURCE_DIR}/desktop/${entry}.desktop\" \"${configured}\" @ONLY)
    ")
    install(FILES ${configured} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endforeach()

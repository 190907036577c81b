# The installed programs, each with its man page docs/man/<file name>.1. A new program
# joins this list and brings its page.
include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/gzipped.cmake)

set(VARNHOLT_PROGRAMS varnholt-tool varnholt-cli varnholt-rehearsal ecu-sim)

install(TARGETS ${VARNHOLT_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(program ${VARNHOLT_PROGRAMS})
    get_target_property(name ${program} OUTPUT_NAME)
    if(NOT name)
        set(name ${program})
    endif()
    varnholt_install_gzipped(docs/man/${name}.1 ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

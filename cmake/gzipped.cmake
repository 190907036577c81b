# varnholt_install_gzipped(<source> <destination>) installs <source> compressed, as Debian
# wants man pages and changelogs, with @PROJECT_VERSION@ filled in. gzip -n leaves out
# the time stamp, so that a rebuild gives the same bytes.
include_guard(GLOBAL)

find_program(GZIP_PROGRAM gzip)
if(NOT GZIP_PROGRAM)
    message(FATAL_ERROR "gzip is needed to compress the man pages and the changelog")
endif()

function(varnholt_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    set(configured ${CMAKE_BINARY_DIR}/gzipped/${destination}/${name})
    configure_file(${CMAKE_SOURCE_DIR}/${source} ${configured} @ONLY)
    add_custom_command(
        OUTPUT ${configured}.gz
        COMMAND ${GZIP_PROGRAM} -9 -n -k -f ${configured}
        DEPENDS ${configured}
        VERBATIM)
    add_custom_target(gzipped-${name} ALL DEPENDS ${configured}.gz)
    install(FILES ${configured}.gz DESTINATION ${destination})
endfunction()

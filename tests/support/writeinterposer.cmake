# The one write() interposer of the tests and the benchmarks, defined once for both. Linked
# as objects: the executable's own write() must take the place of the C library's.
include_guard(GLOBAL)
add_library(writeinterposer OBJECT
    ${CMAKE_CURRENT_LIST_DIR}/writerefusal.h
    ${CMAKE_CURRENT_LIST_DIR}/writewatch.h
    ${CMAKE_CURRENT_LIST_DIR}/writeinterposer.cpp
)
target_include_directories(writeinterposer PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(writeinterposer PUBLIC Qt::Core ${CMAKE_DL_LIBS})
target_compile_options(writeinterposer PRIVATE -Wall -Wextra)

# One interface target carries the warning flags and the Qt safety defines;
# every target of the project links it.
add_library(vistrel_build_options INTERFACE)
if(MSVC)
    target_compile_options(vistrel_build_options INTERFACE /W4 /utf-8)
else()
    target_compile_options(vistrel_build_options INTERFACE -Wall -Wextra)
endif()
target_compile_definitions(vistrel_build_options INTERFACE
    QT_NO_FOREACH
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_DEPRECATED_WARNINGS
    QT_USE_QSTRINGBUILDER)

# Sanitizer and fuzzing builds (off unless asked for).
include(${CMAKE_CURRENT_LIST_DIR}/VistrelSanitizers.cmake)
